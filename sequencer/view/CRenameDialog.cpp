#include "sequencer/view/CRenameDialog.h"
#include "ui/CButton.h"
#include "ui/CEditBox.h"
#include "ui/CLabel.h"
#include "ui/ControlMessages.h"

namespace {
constexpr int32_t kWidth = 280;
constexpr int32_t kHeight = 84;
} // namespace

CRenameDialog::CRenameDialog(CControl* owner, const char* title, const char* text)
    : CDialog(owner, title, kWidth, kHeight), label(new CLabel(this, text, 10, 12, 50, 20)),
      edit(new CEditBox(this, 62, 10, kWidth - 72, 22)), ok(new CButton(this, "OK", kWidth - 170, 46, 75, 26, 1)),
      cancel(new CButton(this, "Cancel", kWidth - 85, 46, 75, 26, 2))
{
    for (CControl* control : {static_cast<CControl*>(label), static_cast<CControl*>(edit),
                              static_cast<CControl*>(ok), static_cast<CControl*>(cancel)})
        control->Show(kShow);
}

CRenameDialog::~CRenameDialog()
{
    delete cancel;
    delete ok;
    delete edit;
    delete label;
}

void CRenameDialog::Open(const std::string& name)
{
    edit->SetText(name.c_str());
    Show(kShow);
}

std::string CRenameDialog::GetName() const
{
    return edit->GetText();
}

void CRenameDialog::SetName(const std::string& name)
{
    edit->SetText(name.c_str());
}

void CRenameDialog::ButtonCommand(CControl* button)
{
    if (button == ok)
        Confirm();
    else if (button == cancel)
        Cancel();
}
