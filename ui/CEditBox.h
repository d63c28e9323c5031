#pragma once
#include "ui/CControl.h"
#include <string>

class QLineEdit;
class QPlainTextEdit;

// A text field (Qt's "EditBox" inside the control's "EditContainer"
// window), single-line or multi-line, in the colours the control answers to
// the edit colour message. The user's edits reach EditTextChanged.
class CEditBox : public CControl {
public:
    CEditBox(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, bool multiLine = false);

    void SetText(const char* text);
    std::string GetText() const;

private:
    QLineEdit* line = nullptr;
    QPlainTextEdit* lines = nullptr;
};
