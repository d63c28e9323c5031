#pragma once
#include <cstdint>

class CPicture;

// The editors' pictures, resources of the library module, decoded on first
// use and shared by every editor until the process ends.
namespace CoreArtwork {
enum : uint16_t {
    kDudeRiviPanel = 132,
    kSliderThumb = 133,
    kSliderTrack = 134,
    kSmallKnob = 135,
    kShaperPanel = 136,
    kKnob = 137,
    kDrumKitPanel = 150,
    kReverbPanel = 151,
    kFilterPanel = 152,
    kMixerPanel = 153,
    kSliderThumbH = 154,
    kSliderTrackH = 155,
    kButtonUp = 156,
    kButtonHover = 157,
    kButtonDown = 158,
};

CPicture* Get(uint16_t number);
} // namespace CoreArtwork
