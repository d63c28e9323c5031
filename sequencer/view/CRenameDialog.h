#pragma once
#include "ui/CDialog.h"
#include <string>

class CButton;
class CEditBox;
class CLabel;

// A small dialog asking for a new name: a label, a text field, "OK" and
// "Cancel". The owner hears the answer through DialogConfirmed or
// DialogCancelled and reads the name with GetName.
class CRenameDialog : public CDialog {
public:
    CRenameDialog(CControl* owner, const char* title, const char* label);
    ~CRenameDialog() override;

    // Shows the dialog with the name to start from.
    void Open(const std::string& name);
    std::string GetName() const;
    void SetName(const std::string& name);

    CButton* OkButton() const { return ok; }
    CButton* CancelButton() const { return cancel; }

    void ButtonCommand(CControl* button) override;

private:
    CLabel* label;
    CEditBox* edit;
    CButton* ok;
    CButton* cancel;
};
