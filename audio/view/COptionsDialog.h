#pragma once
#include "ui/CDialog.h"
#include "ui/CPicture.h"
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CAudioOutputManager;
class CAudioOutOptions;
class CButton;
class CIconList;
class CStudioOptions;
class CVSTPaths;

// What the options pages act through: the output manager and the options
// record, and the two ways their changes reach the running program.
struct OptionsServices {
    CStudioOptions* options = nullptr;
    CAudioOutputManager* output = nullptr;
    // Restarts the output on driver i (the application's SelectDriver).
    std::function<void(int32_t)> selectDriver;
    // The plug-in path list after an "Apply" that changed it, and the list
    // before.
    std::function<void(const std::vector<std::string>& now, const std::vector<std::string>& before)> pathsChanged;
};

// The options dialog: an icon list of pages on the left, the shown page to
// its right and "Apply" below. Pages are made when first shown; the dialog
// is kept hidden between openings.
class COptionsDialog : public CDialog {
public:
    enum Page : int32_t { AUDIO_PAGE = 0, PATHS_PAGE = 1 };
    static constexpr int32_t kDefaultWidth = 640;
    static constexpr int32_t kDefaultHeight = 320;
    static constexpr int32_t kMinimumWidth = 400;
    static constexpr int32_t kMinimumHeight = 280;

    // Sized from the options' stored dialog size; shows the audio page.
    COptionsDialog(CControl* owner, OptionsServices services);
    ~COptionsDialog() override;

    // The size a stored size gives: 0 is the default, else at least the minimum.
    static int32_t StoredWidth(int32_t stored);
    static int32_t StoredHeight(int32_t stored);

    void ShowPage(int32_t page);
    // Applies every page made so far, then clears the changed flag.
    void Apply();
    void MarkChanged();
    bool IsChanged() const { return changed; }

    // Applies a pending change, hides, and stores the size.
    void Close() override;
    void Resized(int32_t newWidth, int32_t newHeight) override;
    void IconListSelectionChanged(CIconList* list) override;
    void ButtonCommand(CControl* button) override;

    CAudioOutOptions* AudioPage() const { return audioPage; }
    CVSTPaths* PathsPage() const { return pathsPage; }
    CButton* ApplyButton() const { return applyButton; }
    CIconList* Pages() const { return pages; }
    int32_t ShownPage() const { return shown; }
    const OptionsServices& Services() const { return services; }

private:
    void Layout();

    OptionsServices services;
    CPicture audioIcon;
    CPicture pathsIcon;
    CIconList* pages = nullptr;
    CAudioOutOptions* audioPage = nullptr;
    CVSTPaths* pathsPage = nullptr;
    CButton* applyButton = nullptr;
    int32_t shown = -1;
    bool changed = false;
};
