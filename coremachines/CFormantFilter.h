#pragma once
// Four band passes in parallel tuned to a vowel's formant frequencies; on a
// vowel change each band slides to its new centre at 0.5 s per octave.
#include "coremachines/CGlide.h"
#include "coremachines/CMultiModeFilter.h"
#include "coremachines/CScratchBuffer.h"
#include "coremachines/DudeRiviParameters.h"

class CHost;

class CFormantFilter {
public:
    CFormantFilter(CHost* host, int32_t sampleRate);

    void SetSampleRate(int32_t hz);
    void SetBlockSize(int32_t frames);
    // Slides the bands to the vowel's frequencies (the first vowel is set
    // at once).
    void SetVowel(int32_t vowel);
    int32_t Vowel() const { return vowel; }

    // out = sum of the four bands fed with `in` (count ≤ the block size).
    void Render(const double* in, double* out, int32_t count);
    void Clear();

private:
    struct Band {
        explicit Band(CHost* host, int32_t sampleRate);
        CMultiModeFilter filter;
        CGlide glide;
    };

    Band bands[dude::kFormantBands];
    int32_t vowel = -1;
    CScratchBuffer work;
    CScratchBuffer offset;
};
