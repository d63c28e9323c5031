#pragma once
#include "audio/view/CAudioOutDriverOptions.h"

class CASIODriver;
class CLabel;

// The "ASIO" driver's settings: a driver of the registry, the rates it
// offers, a block size within the driver's range. A driver that could not
// be loaded (the JACK driver without a running server) is named with the
// reason instead of its channels.
class CASIOOutOptions : public CAudioOutDriverOptions {
public:
    CASIOOutOptions(CAudioOutOptions* page, CASIODriver* driver, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CASIOOutOptions() override;

    bool Apply() override;
    int32_t SliderToSize(double position) const override;
    double SizeToSlider(int32_t size) const override;

    CLabel* ChannelsLabel() const { return channelsLabel; }
    CLabel* StatusLabel() const { return statusLabel; }

protected:
    void Load() override;
    void FillFormats() override;

private:
    void ShowDriverState();

    CASIODriver* driver;
    CLabel* channelsLabel = nullptr;
    CLabel* statusLabel = nullptr;
};
