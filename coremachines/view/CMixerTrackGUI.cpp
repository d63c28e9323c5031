#include "coremachines/view/CMixerTrackGUI.h"
#include "coremachines/CMixer.h"
#include "coremachines/view/CCoreArtwork.h"
#include "coremachines/view/CLiteMeter.h"
#include "ui/CLiteButton.h"
#include "ui/CLiteContainer.h"
#include "ui/CLiteKnob.h"
#include "ui/CLiteLCDText.h"
#include "ui/CLiteSlider.h"
#include <cstdio>

namespace {
const ColorRef kCaption = MakeColor(255, 187, 0);
const ColorRef kLabel = MakeColor(230, 232, 236);
// Knob rows from the top: high, mid, low, then the sends.
constexpr int32_t kKnobRows[5] = {94, 70, 46, 120, 144}; // low, mid, high, send 1, send 2
} // namespace

CMixerTrackGUI::CMixerTrackGUI(CLiteContainer* container, CMachine* mixer, int32_t channel, int32_t x)
    : channel(channel),
      firstParameter(channel < CMixer::kTracks ? CMixer::TrackParameter(channel, 0)
                                               : CMixer::BusParameter(channel - CMixer::kTracks, 0))
{
    char text[32];
    if (channel < CMixer::kTracks)
        std::snprintf(text, sizeof text, "TRACK %i", channel + 1);
    else
        std::snprintf(text, sizeof text, "AUX %i", channel - CMixer::kTracks + 1);
    caption = std::make_unique<CLiteLCDText>(container, x + 4, 30, kWidth - 6, 11, kCaption, 1.0);
    caption->SetText(text);

    const CPicture* knob = CoreArtwork::Get(CoreArtwork::kSmallKnob);
    const int32_t knobCount = channel < CMixer::kTracks ? 5 : 3;
    for (int32_t k = 0; k < knobCount; ++k)
        knobs[k] = std::make_unique<CLiteKnob>(container, x + 17, kKnobRows[k], 20, 20, knob, mixer,
                                               firstParameter + CMixer::LOW + k);
    balance = std::make_unique<CLiteSlider>(container, x + 3, 170, 48, 16, CoreArtwork::Get(CoreArtwork::kSliderThumbH),
                                            CoreArtwork::Get(CoreArtwork::kSliderTrackH), false, 38, mixer,
                                            firstParameter + CMixer::BALANCE);
    level = std::make_unique<CLiteSlider>(container, x + 6, 192, 16, 74, CoreArtwork::Get(CoreArtwork::kSliderThumb),
                                          CoreArtwork::Get(CoreArtwork::kSliderTrack), true, 64, mixer,
                                          firstParameter + CMixer::LEVEL);
    for (int32_t side = 0; side < 2; ++side)
        meters[side] = std::make_unique<CLiteMeter>(container, x + 28 + side * 10, 194, 8, 70);
    const CPicture* up = CoreArtwork::Get(CoreArtwork::kButtonUp);
    const CPicture* hover = CoreArtwork::Get(CoreArtwork::kButtonHover);
    const CPicture* down = CoreArtwork::Get(CoreArtwork::kButtonDown);
    mute = std::make_unique<CLiteButton>(container, x, 274, up, hover, down, true);
    solo = std::make_unique<CLiteButton>(container, x + 27, 274, up, hover, down, true);
    for (int32_t b = 0; b < 2; ++b) {
        buttonLabels[b] = std::make_unique<CLiteLCDText>(container, x + 4 + b * 27, 277, 8, 11, kLabel, 1.0);
        buttonLabels[b]->SetText(b == 0 ? "M" : "S");
    }
}

// Controls go before the container they draw into, the labels first.
CMixerTrackGUI::~CMixerTrackGUI()
{
    for (auto& label : buttonLabels)
        label.reset();
    solo.reset();
    mute.reset();
    for (auto& meter : meters)
        meter.reset();
    level.reset();
    balance.reset();
    for (auto& k : knobs)
        k.reset();
    caption.reset();
}

CLiteKnob* CMixerTrackGUI::KnobOf(int32_t parameter) const
{
    const int32_t k = parameter - firstParameter - CMixer::LOW;
    return k >= 0 && k < 5 ? knobs[k].get() : nullptr;
}

CLiteSlider* CMixerTrackGUI::SliderOf(int32_t parameter) const
{
    if (parameter == firstParameter + CMixer::LEVEL)
        return level.get();
    if (parameter == firstParameter + CMixer::BALANCE)
        return balance.get();
    return nullptr;
}

void CMixerTrackGUI::Refresh(int32_t parameter)
{
    if (CLiteKnob* knob = KnobOf(parameter))
        knob->Refresh();
    else if (CLiteSlider* slider = SliderOf(parameter))
        slider->Refresh();
}

void CMixerTrackGUI::ShowPeaks(double left, double right)
{
    meters[0]->SetPeak(left);
    meters[1]->SetPeak(right);
}
