#pragma once
#include "ui/CLiteControl.h"
#include "ui/ColorRef.h"

// A picture of a waveshaper's transfer curve: output against input over
// −1 … 1 at the machine's current amp and amount. The settings are written
// under the container's lock, which Draw holds.
class CTransferCurveDisplay : public CLiteControl {
public:
    using Transfer = double (*)(double x, double amp, double amount, double wet, double dry);

    CTransferCurveDisplay(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height,
                          Transfer transfer);

    void SetCurve(double newAmp, double newAmount);
    void Draw(CPicture& target) override;

    // The curve's row for a column of the picture (for tests and drawing).
    int32_t CurveRow(int32_t column) const;

private:
    Transfer transfer;
    double amp = 0.0;
    double amount = 0.5;
};

// Vorize's staircase.
class CCrunchDisplay : public CTransferCurveDisplay {
public:
    CCrunchDisplay(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height);
};

// Distort's drive curve.
class COverDriveDisplay : public CTransferCurveDisplay {
public:
    COverDriveDisplay(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height);
};
