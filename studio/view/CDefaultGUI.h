#pragma once
#include "ui/CControl.h"
#include <string>
#include <vector>

class CDefaultGUISlider;
class CMachineContainer;
class CScrollBar;
class CStudio;

// The generic parameter editor shown inside a machine box: one row per
// parameter, 22 pixels apart from 10 pixels down, each with "[%04i]", the
// parameter's name (right-aligned), a slider at x = 172 and the display text
// (right-aligned). When the rows do not fit, a vertical scroll bar scrolls
// them row by row; the sliders are a pool for the visible rows.
//
// GUI thread only. Machine calls are made under the machine's lock; texts
// are kept per row so that drawing never calls into the machine.
class CDefaultGUI : public CControl {
public:
    static constexpr int32_t kTop = 10;
    static constexpr int32_t kRowPitch = 22;
    static constexpr int32_t kSliderX = 172;
    static constexpr int32_t kDisplayWidth = 100;
    static constexpr int32_t kScrollBarWidth = 16;
    static constexpr int32_t kWidth = kSliderX + 129 + 6 + kDisplayWidth + 4 + kScrollBarWidth;
    static constexpr int32_t kMostVisibleRows = 12;

    CDefaultGUI(CControl* parent, CStudio* studio, CMachineContainer* container, int32_t x, int32_t y);
    ~CDefaultGUI() override;

    // The height that shows min(parameter count, kMostVisibleRows) rows.
    static int32_t HeightFor(int32_t parameterCount);

    // Reads the row of parameter `index` from the machine (value, slider,
    // display text); rows scrolled out of sight are read too.
    void RefreshRow(int32_t index);
    void RefreshAll();
    // Rows whose machine value differs from the one shown; true when any.
    bool RefreshChanged();

    int32_t GetFirstRow() const { return firstRow; }
    int32_t GetVisibleRows() const { return visibleRows; }
    CDefaultGUISlider* SliderForRow(int32_t index) const;
    CScrollBar* GetScrollBar() const { return scrollBar; }
    std::string GetDisplayText(int32_t index) const;
    double GetShownValue(int32_t index) const;

    void SliderMoved(CDefaultGUISlider* slider, double value);
    void VerticalScroll(int32_t position) override;
    void Render(CDrawContext& dc) override;

private:
    struct Row {
        std::string name;
        std::string display;
        double value = 0.0;
    };

    void ReadRow(int32_t index);
    void PlaceSliders();

    CStudio* studio;
    CMachineContainer* container;
    std::vector<Row> rows;
    std::vector<CDefaultGUISlider*> sliders;
    CScrollBar* scrollBar = nullptr;
    int32_t firstRow = 0;
    int32_t visibleRows = 0;
};
