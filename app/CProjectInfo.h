#pragma once
#include "ui/CControl.h"
#include <string>

class CEditBox;
class CStudio;

// The project's information text in a multi-line edit box inset 4 pixels.
// The text itself lives with the project (saved as its last item); the
// user's edits go straight into it and mark the project changed.
class CProjectInfo : public CControl {
public:
    CProjectInfo(CControl* parent, std::string* text, CStudio* studio, int32_t x, int32_t y, int32_t width,
                 int32_t height);
    ~CProjectInfo() override;

    // Shows the project's text again (after new or open).
    void Reload();
    CEditBox* Edit() const { return edit; }

    void Resized(int32_t newWidth, int32_t newHeight) override;
    void EditTextChanged(CEditBox* box) override;

private:
    std::string* text;
    CStudio* studio;
    CEditBox* edit;
    bool reloading = false;
};
