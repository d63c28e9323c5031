#pragma once
#include "ui/CControl.h"
#include <vector>

class QTabBar;

// A tab strip over a page area: each tab shows one view and hides the
// others. Views made with the tab control as parent are fitted to the page
// area. The user's choice reaches the parent's TabChanged.
class CTabControl : public CControl {
public:
    CTabControl(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height);

    int32_t AddTab(const char* text, CControl* view);
    int32_t GetCount() const { return static_cast<int32_t>(views.size()); }
    int32_t GetCurrent() const;
    // Shows that tab's view without reporting.
    void SetCurrent(int32_t index);
    CControl* GetView(int32_t index) const;
    int32_t TabHeight() const;

    void Resized(int32_t newWidth, int32_t newHeight) override;

private:
    void ShowCurrent();
    void FitView(CControl* view);

    QTabBar* tabs;
    std::vector<CControl*> views;
};
