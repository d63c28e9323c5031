#pragma once
#include "audio/view/COptionsFrame.h"
#include <cstdint>

class CAudioOutDriverOptions;
class CComboBox;
class CLabel;

// The "Audio Output" page: the driver drop-down over the frame of the
// chosen driver. Apply hands each frame's edits to its driver and restarts
// the output only when the shown driver or its settings changed.
class CAudioOutOptions : public COptionsFrame {
public:
    static constexpr int32_t kFrameCount = 3;

    CAudioOutOptions(COptionsDialog* dialog, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CAudioOutOptions() override;

    void Apply() override;
    void ComboSelectionChanged(CComboBox* combo) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;

    CComboBox* DriverList() const { return driverList; }
    CAudioOutDriverOptions* DriverFrame(int32_t index) const { return frames[index]; }
    int32_t ShownDriver() const { return shown; }
    bool IsDriverChanged() const { return driverChanged; }

private:
    CLabel* titleLabel = nullptr;
    CLabel* driverLabel = nullptr;
    CComboBox* driverList = nullptr;
    CAudioOutDriverOptions* frames[kFrameCount] = {};
    int32_t shown = 0;
    bool driverChanged = false;
};
