#pragma once
#include <cstdint>
#include <memory>

class CLiteButton;
class CLiteContainer;
class CLiteKnob;
class CLiteLCDText;
class CLiteMeter;
class CLiteSlider;
class CMachine;

// One channel strip of the mixer's editor, "TRACK %i" or "AUX %i": the
// equaliser's three knobs, the two send knobs (tracks only), balance and
// level sliders, mute and solo buttons and the two meters, all lightweight
// controls of the editor's container.
class CMixerTrackGUI {
public:
    static constexpr int32_t kWidth = 56;

    // `channel` 0..7 are tracks, 8 and 9 the buses; `x` is the strip's left.
    CMixerTrackGUI(CLiteContainer* container, CMachine* mixer, int32_t channel, int32_t x);
    ~CMixerTrackGUI();

    // The control of a parameter of this strip, or null.
    CLiteKnob* KnobOf(int32_t parameter) const;
    CLiteSlider* SliderOf(int32_t parameter) const;
    // Moves the control of the parameter to the machine's value.
    void Refresh(int32_t parameter);
    // The meters from the machine's peaks.
    void ShowPeaks(double left, double right);

    int32_t Channel() const { return channel; }
    CLiteButton* Mute() const { return mute.get(); }
    CLiteButton* Solo() const { return solo.get(); }
    CLiteMeter* Meter(int32_t side) const { return meters[side].get(); }
    CLiteSlider* Level() const { return level.get(); }
    CLiteSlider* Balance() const { return balance.get(); }

private:
    int32_t channel;
    int32_t firstParameter;
    std::unique_ptr<CLiteLCDText> caption;
    std::unique_ptr<CLiteKnob> knobs[5]; // low, mid, high, send 1, send 2
    std::unique_ptr<CLiteSlider> balance;
    std::unique_ptr<CLiteSlider> level;
    std::unique_ptr<CLiteMeter> meters[2];
    std::unique_ptr<CLiteButton> mute;
    std::unique_ptr<CLiteButton> solo;
    std::unique_ptr<CLiteLCDText> buttonLabels[2];
};
