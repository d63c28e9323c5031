#pragma once
#include "ui/CDialog.h"
#include <string>

class CButton;
class CEditBox;
class CLabel;

// Asks for a new name: a caption ("Rename Machine"), the label "Name:", a
// text field with the current name, OK and Cancel. It reports to its owner
// through DialogConfirmed / DialogCancelled; Return confirms, Escape
// cancels.
class CMachineRenameDialog : public CDialog {
public:
    CMachineRenameDialog(CControl* owner, const char* caption);
    ~CMachineRenameDialog() override;

    // Shows the dialog with `name` selected in the field.
    void Open(const char* name);
    std::string GetName() const;
    CEditBox* Field() const { return field; }

    void ButtonCommand(CControl* button) override;

private:
    CLabel* label;
    CEditBox* field;
    CButton* ok;
    CButton* cancel;
};
