#pragma once
#include "ui/CLiteControl.h"
#include <vector>

// The reverb's early reflections: the response heard by each listener (the
// average over both sources), as bars over time, tallest bar at the top.
class CImpulseView : public CLiteControl {
public:
    CImpulseView(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height);

    // Responses per listener, one value per sample period, and the rate.
    void SetResponses(const std::vector<double>& left, const std::vector<double>& right, int32_t sampleRate);
    void Draw(CPicture& target) override;

    // The time the view spans: up to the last reflection heard.
    double ViewMilliseconds() const { return viewMilliseconds; }
    // "View Time %.2fms" under 10 ms, else "View Time %.0fms".
    static void Caption(double milliseconds, char* out, int32_t size);

private:
    std::vector<double> columns[2]; // the largest |value| per pixel column
    double viewMilliseconds = 0.0;
};
