#pragma once
#include "ui/CSlider.h"

class CConnection;
class CStudio;

// The slider shown over a cable's arrow head: position p in 0 ... 1 stands
// for (p - 1) * 90 dB on the power scale. Moving it sets the cable's target
// volume (the render cycle glides the current volume after it).
class CCableVolumeSlider : public CSlider {
public:
    static constexpr int32_t kWidth = 120;
    static constexpr int32_t kHeight = 22;

    CCableVolumeSlider(CControl* parent, CStudio* studio);

    // Binds the slider to the cable and sets its position from the cable's
    // target volume; null unbinds it.
    void Bind(CConnection* connection);
    CConnection* GetConnection() const { return connection; }
    // The decibels the position stands for.
    double GetDecibels() const;
    void ValueChanged(double value) override;

private:
    void UpdateTip();

    CStudio* studio;
    CConnection* connection = nullptr;
};
