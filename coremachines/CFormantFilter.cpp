#include "coremachines/CFormantFilter.h"
#include "coremachines/Units.h"
#include <cstring>

namespace {
constexpr double kBandResonance = 12.0; // dB
constexpr double kBandGain = 16.0;
constexpr double kSlideSecondsPerOctave = 0.5;
} // namespace

CFormantFilter::Band::Band(CHost* host, int32_t sampleRate) : filter(sampleRate), glide(host, sampleRate)
{
    filter.SetMode(CMultiModeFilter::MODE_BAND_PASS);
    filter.SetResonance(kBandResonance);
    filter.SetGain(kBandGain);
    glide.SetGlideTime(kSlideSecondsPerOctave);
}

CFormantFilter::CFormantFilter(CHost* host, int32_t sampleRate)
    : bands{Band(host, sampleRate), Band(host, sampleRate), Band(host, sampleRate), Band(host, sampleRate)}
{
    SetVowel(0);
}

void CFormantFilter::SetSampleRate(int32_t hz)
{
    for (Band& band : bands) {
        band.filter.SetSampleRate(hz);
        band.glide.SetSampleRate(hz);
    }
}

void CFormantFilter::SetBlockSize(int32_t frames)
{
    work.Resize(frames);
    offset.Resize(frames);
}

void CFormantFilter::SetVowel(int32_t index)
{
    vowel = index;
    const dude::Vowel& v = dude::VowelAt(index);
    for (int32_t j = 0; j < dude::kFormantBands; ++j) {
        Band& band = bands[j];
        band.glide.SetTargetOctave(FrequencyToOctave(v.frequencies[j]));
        band.filter.SetCutoff(band.glide.Target());
    }
}

void CFormantFilter::Clear()
{
    for (Band& band : bands)
        band.filter.Clear();
}

void CFormantFilter::Render(const double* in, double* out, int32_t count)
{
    std::memset(out, 0, sizeof(double) * static_cast<size_t>(count));
    for (Band& band : bands) {
        std::memcpy(work.Data(), in, sizeof(double) * static_cast<size_t>(count));
        if (band.glide.IsSliding()) {
            band.glide.Render(offset.Data(), count);
            band.filter.Render(work.Data(), count, offset.Data());
        } else {
            band.filter.Render(work.Data(), count);
        }
        for (int32_t i = 0; i < count; ++i)
            out[i] += work.Data()[i];
    }
}
