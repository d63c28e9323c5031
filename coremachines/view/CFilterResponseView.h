#pragma once
#include "ui/CLiteControl.h"
#include <vector>

// The magnitude response of an FIR design relative to its level at 0 Hz,
// in decibels (0 at the top, −120 at the bottom), from 0 to half the rate
// the design is made for.
class CFilterResponseView : public CLiteControl {
public:
    static constexpr double kFloorDb = -120.0;

    CFilterResponseView(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height);

    void SetDesign(const std::vector<double>& taps);
    void Draw(CPicture& target) override;

    // The response at a column, in dB (as drawn).
    double ColumnDb(int32_t column) const;

private:
    std::vector<double> decibels; // one per column
};
