#include "coremachines/DudeRiviParameters.h"
#include "coremachines/Units.h"
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace dude {

namespace {

enum Display : int32_t {
    SHOW_TIME,
    SHOW_FADE_TIME,
    SHOW_PERCENT,
    SHOW_SEMITONES,
    SHOW_DETUNE,
    SHOW_SWITCH,
    SHOW_LEVEL,
    SHOW_BOOST,
    SHOW_RATE,
    SHOW_CHOICE,
    SHOW_DESTINATION,
    SHOW_VOWEL,
};

const char* const kVcoShapes[] = {"Saw", "Square", "TriSquare"};
const char* const kVcfModes[] = {"Low Pass", "High Pass"};
const char* const kRoutings[] = {"Serial", "Parallel", "Split"};
const char* const kSaturations[] = {"None", "Soft Clip", "Digital", "Distort"};
const char* const kLfoShapes[] = {"Sine", "Triangle", "Saw", "Pulse", "S&H", "S&G"};
const char* const kDestinations[] = {"None",           "VCO1 Amp",         "VCO2 Amp",   "VCO1 Pitch",
                                     "VCO2 Pitch",     "VCO1 Pulse Width", "VCO2 Pulse Width",
                                     "VCF1 Pitch",     "VCF2 Pitch",       "VCF1 Resonance",
                                     "VCF2 Resonance"};
static_assert(sizeof kDestinations / sizeof *kDestinations == DESTINATION_COUNT);

struct ParameterInfo {
    const char* name;
    double defaultValue;
    Display display;
    const char* const* choices = nullptr;
    int32_t choiceCount = 0;
};

#define CHOICE(list) SHOW_CHOICE, list, static_cast<int32_t>(sizeof list / sizeof *list)

const ParameterInfo kParameters[PARAMETER_COUNT] = {
    {"Amp Attack", 0.2, SHOW_TIME},
    {"Amp Decay", 0.5, SHOW_TIME},
    {"Amp Sustain", 0.5, SHOW_PERCENT},
    {"Amp Release", 0.5, SHOW_TIME},
    {"Amp Attack Curve", 0.5, SHOW_PERCENT},
    {"Amp Decay Curve", 0.5, SHOW_PERCENT},
    {"Amp Release Curve", 0.5, SHOW_PERCENT},
    {"Filter Attack", 0.2, SHOW_TIME},
    {"Filter Decay", 0.5, SHOW_TIME},
    {"Filter Sustain", 1.0, SHOW_PERCENT},
    {"Filter Release", 0.5, SHOW_TIME},
    {"Filter Attack Curve", 0.5, SHOW_PERCENT},
    {"Filter Decay Curve", 0.5, SHOW_PERCENT},
    {"Filter Release Curve", 0.5, SHOW_PERCENT},
    {"VCO1 Shape", 0.4, CHOICE(kVcoShapes)},
    {"VCO1 Pulse Width", 0.5, SHOW_PERCENT},
    {"VCO1 Semitone", 0.5, SHOW_SEMITONES},
    {"VCO1 EnvMod", 0.0, SHOW_PERCENT},
    {"VCO2 Shape", 0.4, CHOICE(kVcoShapes)},
    {"VCO2 Pulse Width", 0.5, SHOW_PERCENT},
    {"VCO2 Semitone", 0.5, SHOW_SEMITONES},
    {"VCO2 Detune", 0.1, SHOW_DETUNE},
    {"VCO2 EnvMod", 0.0, SHOW_PERCENT},
    {"Sync", 0.0, SHOW_SWITCH},
    {"VCF1 Mode", 0.0, CHOICE(kVcfModes)},
    {"VCF1 Cutoff", 0.15, SHOW_PERCENT},
    {"VCF1 Resonance", 0.5, SHOW_PERCENT},
    {"VCF1 Key Follow", 1.0, SHOW_PERCENT},
    {"VCF1 Env Mod", 0.5, SHOW_PERCENT},
    {"VCF2 Mode", 0.0, CHOICE(kVcfModes)},
    {"VCF2 Cutoff", 0.1, SHOW_PERCENT},
    {"VCF2 Resonance", 0.2, SHOW_PERCENT},
    {"VCF2 Key Follow", 1.0, SHOW_PERCENT},
    {"VCF2 Env Mod", 0.5, SHOW_PERCENT},
    {"Filter Routing", 0.0, CHOICE(kRoutings)},
    {"Formant Mix", 0.0, SHOW_PERCENT},
    {"Formant Vowel", 0.0, SHOW_VOWEL},
    {"Osc Balance", 0.5, SHOW_PERCENT},
    {"Osc Volume", 1.0, SHOW_LEVEL},
    {"Noise", 0.0, SHOW_LEVEL},
    {"Saturation", 0.0, CHOICE(kSaturations)},
    {"Overdrive", 0.0, SHOW_BOOST},
    {"Ring Mod", 0.0, SHOW_LEVEL},
    {"Portamento", 0.0, SHOW_PERCENT},
    {"Glide", 0.0, SHOW_PERCENT},
    {"Slide Curve", 0.5, SHOW_PERCENT},
#define LFO(n)                                                                                                       \
    {"LFO" #n " Rate", 0.5, SHOW_RATE}, {"LFO" #n " Shape", 0.0, CHOICE(kLfoShapes)},                                \
        {"LFO" #n " Fade In", 0.0, SHOW_FADE_TIME}, {"LFO" #n " Send 1", 0.0, SHOW_DESTINATION},                     \
        {"LFO" #n " Amp 1", 1.0, SHOW_PERCENT}, {"LFO" #n " Send 2", 0.0, SHOW_DESTINATION},                         \
        {"LFO" #n " Amp 2", 1.0, SHOW_PERCENT}, {"LFO" #n " Send 3", 0.0, SHOW_DESTINATION},                         \
        {"LFO" #n " Amp 3", 1.0, SHOW_PERCENT}
    LFO(1),
    LFO(2),
    LFO(3),
#undef LFO
};
#undef CHOICE

const Vowel kVowels[kVowelCount] = {
    {"Male IY", {136, 266, 2293, 2937}},     {"Male IH", {135, 392, 1993, 2568}},
    {"Male EH", {128, 526, 1854, 2481}},     {"Male AE", {125, 664, 1727, 2420}},
    {"Male AH", {129, 631, 1192, 2377}},     {"Male AA", {124, 718, 1090, 2442}},
    {"Male AO", {127, 568, 836, 2403}},      {"Male UH", {136, 437, 1023, 2245}},
    {"Male UW", {139, 307, 876, 2239}},      {"Male ER", {132, 489, 1360, 1709}},
    {"Female IY", {231, 310, 2783, 3312}},   {"Female IH", {232, 441, 2474, 3063}},
    {"Female EH", {220, 608, 2334, 2999}},   {"Female AE", {208, 863, 2049, 2832}},
    {"Female AH", {223, 758, 1409, 2768}},   {"Female AA", {212, 864, 1229, 2783}},
    {"Female AO", {216, 587, 915, 2736}},    {"Female UH", {234, 469, 1162, 2685}},
    {"Female UW", {235, 378, 961, 2666}},    {"Female ER", {219, 503, 1641, 1977}},
    {"Soprano A", {800, 1150, 2900, 3900}},  {"Soprano E", {350, 2000, 2800, 3600}},
    {"Soprano I", {270, 2140, 2950, 3900}},  {"Soprano O", {450, 800, 2830, 3800}},
    {"Soprano U", {325, 700, 2700, 3800}},   {"Alto A", {800, 1150, 2800, 3500}},
    {"Alto E", {400, 1600, 2700, 3300}},     {"Alto I", {350, 1700, 2700, 3700}},
    {"Alto O", {450, 800, 2830, 2500}},      {"Alto U", {325, 700, 2530, 3500}},
    {"Counter A", {660, 1120, 2750, 3000}},  {"Counter E", {440, 1800, 2700, 3000}},
    {"Counter I", {270, 1850, 2900, 3350}},  {"Counter O", {430, 820, 2700, 3000}},
    {"Counter U", {370, 630, 2750, 3000}},   {"Tenor A", {650, 1080, 2650, 2900}},
    {"Tenor E", {400, 1700, 2600, 3200}},    {"Tenor I", {290, 1870, 2800, 3250}},
    {"Tenor O", {400, 800, 2600, 2800}},     {"Tenor U", {350, 600, 2700, 2900}},
    {"Bass A", {600, 1040, 2250, 2450}},     {"Bass E", {400, 1620, 2400, 2800}},
    {"Bass I", {250, 1750, 2600, 3050}},     {"Bass O", {400, 750, 2400, 2600}},
    {"Bass U", {350, 600, 2400, 2675}},
};

bool Valid(int32_t index)
{
    return index >= 0 && index < PARAMETER_COUNT;
}

} // namespace

const Vowel& VowelAt(int32_t index)
{
    return kVowels[std::clamp(index, 0, kVowelCount - 1)];
}

double DefaultValue(int32_t index)
{
    return Valid(index) ? kParameters[index].defaultValue : 0.0;
}

int32_t ChoiceIndex(double value, int32_t choices)
{
    return std::clamp(static_cast<int32_t>(choices * value), 0, choices - 1);
}

int32_t DestinationIndex(double value)
{
    return std::clamp(static_cast<int32_t>(10.0 * value), 0, DESTINATION_COUNT - 1);
}

double LevelGain(double value)
{
    return value == 0.0 ? 0.0 : std::pow(10.0, -4.8 * (1.0 - value));
}

double BoostGain(double value)
{
    return value == 0.0 ? 1.0 : std::pow(10.0, 4.8 * value);
}

double TransposeSemitones(double value)
{
    return static_cast<int32_t>((value - 0.5) * 96.0);
}

void ParameterName(int32_t index, char* out, int32_t size)
{
    std::snprintf(out, static_cast<size_t>(size), "%s", Valid(index) ? kParameters[index].name : "");
}

void ParameterDisplay(int32_t index, double x, char* out, int32_t size)
{
    const auto n = static_cast<size_t>(size);
    if (!Valid(index)) {
        std::snprintf(out, n, "%s", "");
        return;
    }
    const ParameterInfo& info = kParameters[index];
    switch (info.display) {
    case SHOW_TIME:
        std::snprintf(out, n, "%.2fs", StageSeconds(x));
        break;
    case SHOW_FADE_TIME:
        std::snprintf(out, n, "%.2fs", 8.0 * x * x * x);
        break;
    case SHOW_PERCENT:
        std::snprintf(out, n, "%.0f%%", 100.0 * x);
        break;
    case SHOW_SEMITONES:
        std::snprintf(out, n, "%ist", static_cast<int32_t>((x - 0.5) * 96.0));
        break;
    case SHOW_DETUNE:
        std::snprintf(out, n, "%.2fst", x);
        break;
    case SHOW_SWITCH:
        std::snprintf(out, n, "%s", static_cast<int32_t>(2.0 * x) < 1 ? "Off" : "On");
        break;
    case SHOW_LEVEL:
        if (x == 0.0)
            std::snprintf(out, n, "-oo dB");
        else if (x < 1.0)
            std::snprintf(out, n, "-%.2fdB", (1.0 - x) * 48.0);
        else
            std::snprintf(out, n, "0dB");
        break;
    case SHOW_BOOST:
        if (x == 0.0)
            std::snprintf(out, n, "0dB");
        else
            std::snprintf(out, n, "+%.2fdB", 48.0 * x);
        break;
    case SHOW_RATE:
        std::snprintf(out, n, "%.2fHz", 440.0 * std::exp2(13.0 * x - 17.0));
        break;
    case SHOW_CHOICE:
        std::snprintf(out, n, "%s", info.choices[ChoiceIndex(x, info.choiceCount)]);
        break;
    case SHOW_DESTINATION:
        std::snprintf(out, n, "%s", kDestinations[DestinationIndex(x)]);
        break;
    case SHOW_VOWEL:
        std::snprintf(out, n, "%s", VowelAt(ChoiceIndex(x, kVowelCount)).name);
        break;
    }
}

} // namespace dude
