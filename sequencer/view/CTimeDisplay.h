#pragma once
#include "ui/CControl.h"
#include <atomic>
#include <string>

// A read-out of a time in seconds as "hh:mm:ss.mmm" (hours wrap at 100).
// The value may be set from any thread; Redraw renders it into the buffer.
class CTimeDisplay : public CControl {
public:
    CTimeDisplay(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height);

    // True when the shown text changes.
    bool SetSeconds(double seconds);
    double GetSeconds() const { return seconds.load(std::memory_order_relaxed); }
    std::string Text() const { return Format(GetSeconds()); }

    void Render(CDrawContext& dc) override;

    static std::string Format(double seconds);

private:
    std::atomic<double> seconds{0.0};
};
