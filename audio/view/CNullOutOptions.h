#pragma once
#include "audio/view/CAudioOutDriverOptions.h"

class CNullDriver;

// The "Null" driver's settings: its one device, every format, 512 ... 8192
// samples.
class CNullOutOptions : public CAudioOutDriverOptions {
public:
    CNullOutOptions(CAudioOutOptions* page, CNullDriver* driver, int32_t x, int32_t y, int32_t width, int32_t height);

    bool Apply() override;
    int32_t SliderToSize(double position) const override;
    double SizeToSlider(int32_t size) const override;

protected:
    void Load() override;
    void FillFormats() override;

private:
    CNullDriver* driver;
};
