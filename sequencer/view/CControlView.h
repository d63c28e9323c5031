#pragma once
#include "ui/CControl.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CLabel;
class CPatternEditor;
class CWheelScroll;
class ControlTrack;

// The control tracks of the current pattern, one lane each: a value per
// tick drawn as a box whose height in the lane shows the value.
//
// Design note: like the note view, the lanes are rendered into the buffer
// on edits and scrolls only, on the GUI thread, which is the only writer of
// pattern contents; every change goes through the pattern editor under its
// lock.
class CControlView : public CControl {
public:
    static constexpr int32_t kLabelWidth = 96;
    static constexpr int32_t kLaneHeight = 128;
    static constexpr int32_t kValueSpan = 114;
    static constexpr int32_t kTickWidth = 16;
    static constexpr int32_t kBoxWidth = 16;
    static constexpr int32_t kBoxHeight = 14;

    CControlView(CControl* parent, CPatternEditor* editor, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CControlView() override;

    // Scroll origins: the first visible length unit and the first lane.
    void SetFirstColumn(int32_t column);
    int32_t GetFirstColumn() const { return firstColumn; }
    void SetFirstLane(int32_t lane);
    int32_t GetFirstLane() const { return firstLane; }
    // Scrolls so that the last lane is at the bottom.
    void ShowLastLane();
    void Rebuild() { Redraw(); }
    // The value tip while a point is dragged (empty otherwise).
    std::string TipText() const;
    bool IsTipShown() const;
    void SetEditedHandler(std::function<void()> handler) { edited = std::move(handler); }

    void Render(CDrawContext& dc) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    // A quick second click is another press, not a command of its own.
    void DoubleClick(int32_t x, int32_t y, uint32_t keys) override { LeftButtonDown(x, y, keys); }
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;
    void RightButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void CaptureLost() override;

private:
    // The lane index and tick under a point of the view; false outside.
    bool Locate(int32_t px, int32_t py, int32_t& lane, int32_t& tick) const;
    bool OnSetPoint(int32_t px, int32_t py, int32_t& lane, int32_t& tick) const;
    ControlTrack* Lane(int32_t lane) const;
    int32_t LaneCount() const;
    void ShowTip(int32_t px, int32_t py, int32_t lane, float value);
    void HideTip();
    void Changed();

    CPatternEditor& editor;
    CLabel* tip;
    std::unique_ptr<CWheelScroll> wheel;
    std::function<void()> edited;
    int32_t firstColumn = 0;
    int32_t firstLane = 0;
    // The hot point and the drag from it.
    bool hot = false;
    bool dragging = false;
    int32_t hotLane = -1;
    int32_t hotTick = -1;
    int32_t pressY = 0;
    float valueAtPress = 0.0f;
};
