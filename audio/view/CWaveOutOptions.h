#pragma once
#include "audio/view/CAudioOutDriverOptions.h"

class CWaveOutDriver;

// The "Wave Out" driver's settings: a device, the formats it plays, 2048 ...
// 16384 samples.
class CWaveOutOptions : public CAudioOutDriverOptions {
public:
    CWaveOutOptions(CAudioOutOptions* page, CWaveOutDriver* driver, int32_t x, int32_t y, int32_t width,
                    int32_t height);

    bool Apply() override;
    int32_t SliderToSize(double position) const override;
    double SizeToSlider(int32_t size) const override;

protected:
    void Load() override;
    void FillFormats() override;

private:
    CWaveOutDriver* driver;
};
