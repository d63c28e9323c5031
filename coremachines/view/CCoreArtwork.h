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
};

CPicture* Get(uint16_t number);
} // namespace CoreArtwork
