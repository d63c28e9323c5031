#include "ui/CEditBox.h"
#include "ui/NativeColors.h"
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

CEditBox::CEditBox(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, bool multiLine)
    : CControl(parent, "EditContainer", x, y, width, height)
{
    QWidget* edit;
    if (multiLine) {
        lines = new QPlainTextEdit;
        edit = lines;
        QObject::connect(lines, &QPlainTextEdit::textChanged, [this] {
            if (Parent())
                Parent()->EditTextChanged(this);
        });
    } else {
        line = new QLineEdit;
        edit = line;
        QObject::connect(line, &QLineEdit::textEdited, [this](const QString&) {
            if (Parent())
                Parent()->EditTextChanged(this);
        });
    }
    edit->setObjectName("EditBox");
    SetContent(edit);
    ApplyControlColors(this, edit, kMessageCtlColorEdit);
}

void CEditBox::SetText(const char* text)
{
    if (line) {
        line->setText(QString::fromUtf8(text));
    } else {
        QSignalBlocker quiet(lines);
        lines->setPlainText(QString::fromUtf8(text));
    }
}

std::string CEditBox::GetText() const
{
    return (line ? line->text() : lines->toPlainText()).toStdString();
}
