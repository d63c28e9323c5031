#include "sequencer/view/CControlView.h"
#include "framework/CMachine.h"
#include "framework/CPort.h"
#include "sequencer/CPatternEditor.h"
#include "sequencer/Pattern.h"
#include "sequencer/view/WheelScroll.h"
#include "studio/CConnector.h"
#include "ui/CDrawContext.h"
#include "ui/CLabel.h"
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kTipOffset = 18;
constexpr int32_t kTipWidth = 120;
constexpr int32_t kTipHeight = 18;

enum : int32_t {
    kBackground = 8,
    kLabelBack = 2,
    kLabelText = 4,
    kShadeA = 20,
    kShadeB = 21,
    kTickLine = 24,
    kLaneLine = 23,
    kFrameLight = 25,
    kFrameShadow = 26,
    kPointFill = 27,
    kPointHighlight = 28,
};

} // namespace

CControlView::CControlView(CControl* parent, CPatternEditor* editor, int32_t x, int32_t y, int32_t width,
                           int32_t height)
    : CControl(parent, "NoteView", x, y, width, height, true), editor(*editor),
      tip(new CLabel(this, "", 0, 0, kTipWidth, kTipHeight)),
      wheel(std::make_unique<CWheelScroll>(Window(), [this](int32_t notches) { SetFirstLane(firstLane + notches); }))
{
    tip->SetFrame(true, 1);
    Redraw();
}

CControlView::~CControlView()
{
    wheel.reset();
    delete tip;
}

int32_t CControlView::LaneCount() const
{
    const Pattern* pattern = editor.GetCurrentPattern();
    return pattern ? pattern->GetControlTrackCount() : 0;
}

ControlTrack* CControlView::Lane(int32_t lane) const
{
    return lane >= 0 && lane < LaneCount() ? editor.GetCurrentPattern()->GetControlTrack(lane) : nullptr;
}

void CControlView::SetFirstColumn(int32_t column)
{
    column = std::max(0, column);
    if (column == firstColumn)
        return;
    firstColumn = column;
    Redraw();
}

void CControlView::SetFirstLane(int32_t lane)
{
    lane = std::clamp(lane, 0, std::max(0, LaneCount() - 1));
    if (lane == firstLane)
        return;
    firstLane = lane;
    Redraw();
}

void CControlView::ShowLastLane()
{
    const int32_t visible = std::max(1, Height() / kLaneHeight);
    firstLane = std::max(0, LaneCount() - visible);
    Redraw();
}

void CControlView::Resized(int32_t newWidth, int32_t newHeight)
{
    CControl::Resized(newWidth, newHeight);
}

bool CControlView::Locate(int32_t px, int32_t py, int32_t& lane, int32_t& tick) const
{
    if (px < kLabelWidth || py < 0)
        return false;
    lane = firstLane + py / kLaneHeight;
    tick = firstColumn * 4 + (px - kLabelWidth) / kTickWidth;
    const ControlTrack* track = Lane(lane);
    return track && tick < track->GetPointCount();
}

bool CControlView::OnSetPoint(int32_t px, int32_t py, int32_t& lane, int32_t& tick) const
{
    if (!Locate(px, py, lane, tick))
        return false;
    const ControlPoint& point = Lane(lane)->Point(tick);
    if (!point.set)
        return false;
    const int32_t top = (lane - firstLane) * kLaneHeight + static_cast<int32_t>((1.0f - point.value) * kValueSpan);
    return py >= top && py < top + kBoxHeight;
}

void CControlView::Render(CDrawContext& dc)
{
    const int32_t w = Width();
    const int32_t h = Height();
    dc.FillRect(0, 0, w, h, kBackground);
    const Pattern* pattern = editor.GetCurrentPattern();
    CMachine* machine = pattern && pattern->GetTarget() ? pattern->GetTarget()->GetPort()->owner : nullptr;
    const int32_t lanes = LaneCount();
    for (int32_t lane = firstLane; lane < lanes; ++lane) {
        const int32_t top = (lane - firstLane) * kLaneHeight;
        if (top >= h)
            break;
        const ControlTrack* track = Lane(lane);
        const int32_t ticks = track->GetPointCount();
        // Alternating groups of four length units (16 ticks).
        for (int32_t t = firstColumn * 4; t < ticks; t += 4) {
            const int32_t x = kLabelWidth + (t - firstColumn * 4) * kTickWidth;
            if (x >= w)
                break;
            dc.FillRect(x, top, 4 * kTickWidth, kLaneHeight, (t / 16) % 2 == 0 ? kShadeA : kShadeB);
        }
        for (int32_t t = firstColumn * 4; t < ticks; ++t) {
            const int32_t x = kLabelWidth + (t - firstColumn * 4) * kTickWidth;
            if (x >= w)
                break;
            dc.Line(x, top, x, top + kLaneHeight - 1, kTickLine);
        }
        const int32_t endX = kLabelWidth + (ticks - firstColumn * 4) * kTickWidth;
        if (endX < w)
            dc.FillRect(std::max(kLabelWidth, endX), top, w - std::max(kLabelWidth, endX), kLaneHeight, kBackground);
        for (int32_t t = firstColumn * 4; t < ticks; ++t) {
            const int32_t x = kLabelWidth + (t - firstColumn * 4) * kTickWidth;
            if (x >= w)
                break;
            const ControlPoint& point = track->Point(t);
            if (!point.set)
                continue;
            const int32_t y = top + static_cast<int32_t>((1.0f - point.value) * kValueSpan);
            const bool lit = hot && lane == hotLane && t == hotTick;
            dc.FillRect(x, y, kBoxWidth, kBoxHeight, lit ? kPointHighlight : kPointFill);
            dc.Line(x, y, x + kBoxWidth - 1, y, kFrameLight);
            dc.Line(x, y, x, y + kBoxHeight - 1, kFrameLight);
            dc.Line(x, y + kBoxHeight - 1, x + kBoxWidth - 1, y + kBoxHeight - 1, kFrameShadow);
            dc.Line(x + kBoxWidth - 1, y, x + kBoxWidth - 1, y + kBoxHeight - 1, kFrameShadow);
        }
        char name[kMachineTextSize] = "Velocity";
        if (!track->IsVelocity()) {
            name[0] = '\0';
            if (machine)
                machine->GetParameterName(track->property, name);
            name[kMachineTextSize - 1] = '\0';
        }
        dc.FillRect(0, top, kLabelWidth, kLaneHeight, kLabelBack);
        dc.Text(4, top, kLabelWidth - 6, kLaneHeight, name, kLabelText, Qt::AlignLeft | Qt::AlignVCenter);
        dc.Line(0, top + kLaneHeight - 1, w - 1, top + kLaneHeight - 1, kLaneLine);
    }
}

void CControlView::ShowTip(int32_t px, int32_t py, int32_t lane, float value)
{
    const Pattern* pattern = editor.GetCurrentPattern();
    const ControlTrack* track = Lane(lane);
    if (!pattern || !track)
        return;
    char text[kMachineTextSize] = {};
    if (CConnector* target = pattern->GetTarget())
        target->GetPort()->owner->GetParameterDisplayValue(track->property, value, text);
    text[kMachineTextSize - 1] = '\0';
    tip->SetText(text);
    tip->Move(std::min(px + kTipOffset, std::max(0, Width() - kTipWidth)),
              std::min(py + kTipOffset, std::max(0, Height() - kTipHeight)), kTipWidth, kTipHeight);
    tip->Show(kShow);
    tip->Redraw();
}

void CControlView::HideTip()
{
    tip->Show(kShowHide);
}

std::string CControlView::TipText() const
{
    return tip->IsVisible() ? tip->Text() : std::string();
}

bool CControlView::IsTipShown() const
{
    return tip->IsVisible();
}

void CControlView::Changed()
{
    Redraw();
    if (edited)
        edited();
}

void CControlView::MouseMove(int32_t px, int32_t py, uint32_t)
{
    if (dragging) {
        const float value = std::clamp(valueAtPress - static_cast<float>(py - pressY) / kValueSpan, 0.0f, 1.0f);
        editor.SetControlPoint(hotLane, hotTick, value);
        ShowTip(px, py, hotLane, value);
        Changed();
        return;
    }
    int32_t lane = -1, tick = -1;
    const bool over = OnSetPoint(px, py, lane, tick);
    if (over && (!hot || lane != hotLane || tick != hotTick)) {
        hot = true;
        hotLane = lane;
        hotTick = tick;
        Window()->setCursor(Qt::SizeVerCursor);
        SetCapture();
        Redraw();
    } else if (!over && hot) {
        hot = false;
        Window()->setCursor(Qt::ArrowCursor);
        ReleaseCapture();
        Redraw();
    }
}

void CControlView::LeftButtonDown(int32_t px, int32_t py, uint32_t)
{
    int32_t lane = -1, tick = -1;
    if (hot) {
        lane = hotLane;
        tick = hotTick;
        valueAtPress = Lane(lane) && tick < Lane(lane)->GetPointCount() ? Lane(lane)->Point(tick).value : 0.0f;
    } else {
        if (!Locate(px, py, lane, tick))
            return;
        const int32_t within = py - (lane - firstLane) * kLaneHeight;
        valueAtPress = std::clamp(1.0f - static_cast<float>(within) / kValueSpan, 0.0f, 1.0f);
        editor.SetControlPoint(lane, tick, valueAtPress);
        hot = true;
        hotLane = lane;
        hotTick = tick;
        Window()->setCursor(Qt::SizeVerCursor);
        SetCapture();
    }
    dragging = true;
    pressY = py;
    ShowTip(px, py, lane, valueAtPress);
    Changed();
}

void CControlView::LeftButtonUp(int32_t px, int32_t py, uint32_t keys)
{
    if (!dragging)
        return;
    dragging = false;
    HideTip();
    hot = false;
    ReleaseCapture();
    MouseMove(px, py, keys);
    Redraw();
}

void CControlView::RightButtonDown(int32_t, int32_t, uint32_t)
{
    if (!hot || dragging)
        return;
    editor.ClearControlPoint(hotLane, hotTick);
    hot = false;
    Window()->setCursor(Qt::ArrowCursor);
    ReleaseCapture();
    Changed();
}

void CControlView::CaptureLost()
{
    if (dragging) {
        dragging = false;
        HideTip();
    }
    hot = false;
}
