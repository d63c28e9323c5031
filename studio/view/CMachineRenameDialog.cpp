#include "studio/view/CMachineRenameDialog.h"
#include "ui/CButton.h"
#include "ui/CEditBox.h"
#include "ui/CLabel.h"
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QWidget>

namespace {

constexpr int32_t kWidth = 300;
constexpr int32_t kHeight = 92;
enum : int32_t { kOk = 1, kCancel = 2 };

} // namespace

CMachineRenameDialog::CMachineRenameDialog(CControl* owner, const char* caption) : CDialog(owner, caption, kWidth, kHeight)
{
    label = new CLabel(this, "Name:", 10, 14, 50, 22);
    field = new CEditBox(this, 62, 14, kWidth - 72, 22);
    ok = new CButton(this, "OK", kWidth - 170, kHeight - 36, 75, 26, kOk);
    cancel = new CButton(this, "Cancel", kWidth - 85, kHeight - 36, 75, 26, kCancel);
    for (CControl* control : {static_cast<CControl*>(label), static_cast<CControl*>(field),
                              static_cast<CControl*>(ok), static_cast<CControl*>(cancel)})
        control->Show(kShow);
    if (auto* button = ok->Window()->findChild<QPushButton*>())
        button->setDefault(true);
    if (auto* line = field->Window()->findChild<QLineEdit*>())
        QObject::connect(line, &QLineEdit::returnPressed, line, [this] { Confirm(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), Window());
    QObject::connect(escape, &QShortcut::activated, escape, [this] { Cancel(); });
}

CMachineRenameDialog::~CMachineRenameDialog()
{
    delete cancel;
    delete ok;
    delete field;
    delete label;
}

void CMachineRenameDialog::Open(const char* name)
{
    field->SetText(name);
    Show(kShow);
    if (auto* line = field->Window()->findChild<QLineEdit*>()) {
        line->selectAll();
        line->setFocus();
    }
}

std::string CMachineRenameDialog::GetName() const
{
    return field->GetText();
}

void CMachineRenameDialog::ButtonCommand(CControl* button)
{
    if (button == ok)
        Confirm();
    else if (button == cancel)
        Cancel();
}
