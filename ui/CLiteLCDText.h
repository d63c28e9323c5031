#pragma once
#include "ui/CLiteControl.h"
#include "ui/CPicture.h"
#include "ui/CTimer.h"
#include "ui/ColorRef.h"
#include <string>

// A text strip in the container's font: the text is drawn black on white
// and turned into an alpha mask, alpha = (255 − mean of the three bytes) ×
// intensity, over the strip's colour. While scrolling, the text moves one
// pixel every 100 ms (wrapping around) and stops once it has moved by the
// strip's width, back where it started.
class CLiteLCDText : public CLiteControl, public CTimerCallback {
public:
    static constexpr int32_t kScrollInterval = 100;

    CLiteLCDText(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height,
                 ColorRef color = MakeColor(255, 187, 0), double intensity = 0.9);

    // Renders the strip (GUI thread: it uses the font).
    void SetText(const char* text);
    const std::string& Text() const { return text; }
    void StartScrolling();
    void StopScrolling();
    bool IsScrolling() const { return timer.IsRunning(); }
    int32_t Offset() const { return offset; }
    const CPicture& Strip() const { return strip; }

    void Draw(CPicture& target) override;
    void TimerElapsed(int32_t timerId) override;

private:
    std::string text;
    ColorRef color;
    double intensity;
    CPicture strip;
    int32_t offset = 0;
    CTimer timer;
};
