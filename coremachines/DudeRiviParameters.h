#pragma once
// The DudeRivi's 73 parameters: indices, names, defaults and display texts,
// and the vowel table of its formant filter.
#include <cstdint>

namespace dude {

enum Parameter : int32_t {
    AMP_ATTACK = 0,
    AMP_DECAY,
    AMP_SUSTAIN,
    AMP_RELEASE,
    AMP_ATTACK_CURVE,
    AMP_DECAY_CURVE,
    AMP_RELEASE_CURVE,
    FILTER_ATTACK, // 7..13 mirror the amplifier envelope's seven
    FILTER_DECAY,
    FILTER_SUSTAIN,
    FILTER_RELEASE,
    FILTER_ATTACK_CURVE,
    FILTER_DECAY_CURVE,
    FILTER_RELEASE_CURVE,
    VCO1_SHAPE, // 14
    VCO1_PULSE_WIDTH,
    VCO1_SEMITONE,
    VCO1_ENV_MOD,
    VCO2_SHAPE, // 18
    VCO2_PULSE_WIDTH,
    VCO2_SEMITONE,
    VCO2_DETUNE,
    VCO2_ENV_MOD,
    SYNC, // 23
    VCF1_MODE,
    VCF1_CUTOFF,
    VCF1_RESONANCE,
    VCF1_KEY_FOLLOW,
    VCF1_ENV_MOD,
    VCF2_MODE, // 29
    VCF2_CUTOFF,
    VCF2_RESONANCE,
    VCF2_KEY_FOLLOW,
    VCF2_ENV_MOD,
    FILTER_ROUTING, // 34
    FORMANT_MIX,
    FORMANT_VOWEL,
    OSC_BALANCE,
    OSC_VOLUME,
    NOISE,
    SATURATION, // 40
    OVERDRIVE,
    RING_MOD,
    PORTAMENTO,
    GLIDE,
    SLIDE_CURVE,
    LFO1_RATE, // 46; each LFO has nine: rate, shape, fade in, three sends
    LFO2_RATE = LFO1_RATE + 9,
    LFO3_RATE = LFO2_RATE + 9,
    PARAMETER_COUNT = LFO3_RATE + 9, // 73
};

// Offsets inside an LFO's nine parameters (sends and amounts alternate).
inline constexpr int32_t LFO_RATE = 0;
inline constexpr int32_t LFO_SHAPE = 1;
inline constexpr int32_t LFO_FADE_IN = 2;
inline constexpr int32_t LFO_SEND_1 = 3;
inline constexpr int32_t LFO_AMP_1 = 4;
inline constexpr int32_t kLfoCount = 3;
inline constexpr int32_t kLfoSends = 3;
inline constexpr int32_t kLfoParameters = 9;

// Modulation destinations of the LFO sends.
enum Destination : int32_t {
    DEST_NONE = 0,
    DEST_VCO1_AMP,
    DEST_VCO2_AMP,
    DEST_VCO1_PITCH,
    DEST_VCO2_PITCH,
    DEST_VCO1_PULSE_WIDTH,
    DEST_VCO2_PULSE_WIDTH,
    DEST_VCF1_PITCH,
    DEST_VCF2_PITCH,
    DEST_VCF1_RESONANCE,
    DEST_VCF2_RESONANCE,
    DESTINATION_COUNT,
};

enum Routing : int32_t { ROUTING_SERIAL = 0, ROUTING_PARALLEL, ROUTING_SPLIT };
enum Saturation : int32_t { SATURATION_NONE = 0, SATURATION_SOFT_CLIP, SATURATION_DIGITAL, SATURATION_DISTORT };

inline constexpr int32_t kVowelCount = 45;
inline constexpr int32_t kFormantBands = 4;

struct Vowel {
    const char* name;
    double frequencies[kFormantBands];
};

const Vowel& VowelAt(int32_t index);
double DefaultValue(int32_t index);
// Empty text outside 0..72.
void ParameterName(int32_t index, char* out, int32_t size);
void ParameterDisplay(int32_t index, double value, char* out, int32_t size);

// Value mappings shared by the machine and its voices.
int32_t ChoiceIndex(double value, int32_t choices); // int(n·x) clamped to 0..n−1
int32_t DestinationIndex(double value);              // int(10·x) clamped to 0..10
double LevelGain(double value);                      // 0, or −48·(1 − x) dB
double BoostGain(double value);                      // +48·x dB
double TransposeSemitones(double value);             // int((x − 0.5)·96)

} // namespace dude
