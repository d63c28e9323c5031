#pragma once
#include "audio/view/COptionsFrame.h"
#include <string>
#include <vector>

class CButton;
class CLabel;
class CListBox;

// The "VST Paths" page: the folders searched for plug-ins, in order. Edits
// stay here until Apply stores them in the options and reports the change,
// so that the program can scan added folders at once.
class CVSTPaths : public COptionsFrame {
public:
    CVSTPaths(COptionsDialog* dialog, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CVSTPaths() override;

    void Apply() override;
    void ButtonCommand(CControl* button) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;

    // Asks for a folder and appends it (a folder listed already is not
    // listed twice).
    void AddPath();
    // Removes the selected entry; nothing when none is selected.
    void RemoveSelectedPath();

    const std::vector<std::string>& EditedPaths() const { return paths; }
    CListBox* PathList() const { return list; }
    CButton* AddButton() const { return addButton; }
    CButton* RemoveButton() const { return removeButton; }

private:
    void Fill();

    std::vector<std::string> paths;
    CLabel* titleLabel = nullptr;
    CListBox* list = nullptr;
    CButton* addButton = nullptr;
    CButton* removeButton = nullptr;
};
