// Song play: one block of the song per call of the render cycle.
#include "sequencer/CPatternEditor.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/Pattern.h"
#include "studio/CVelmHost.h"
#include <algorithm>
#include <cmath>

namespace {

// Samples from ticks, truncated toward zero. The song position is a sum of
// block lengths divided by the tick length, so its products with the tick
// length should be whole samples but come out a hair below them (16383.9999
// for 16384); truncating that would put notes one frame late. Values within
// a millionth of a sample of a whole one count as that one.
double TruncateSamples(double samples)
{
    const double nearest = std::nearbyint(samples);
    return std::fabs(samples - nearest) < 1e-6 ? nearest : std::trunc(samples);
}

} // namespace

void CSequenceEditor::SongStep()
{
    for (int32_t t = 0; t < sequence.GetTrackCount(); ++t) {
        SequenceTrack* track = sequence.GetTrack(t);
        for (int32_t e = 0; e < track->GetEntryCount(); ++e)
            track->GetEntry(e)->pattern->SetSongPosition(-1);
    }
    if (!IsSongPlaying()) {
        ReleaseTransport();
        return;
    }
    CVelmHost& host = patterns.GetHost();
    const int32_t blockLength = host.GetBlockSize();
    const int32_t samplesPerTick = host.GetSamplesPerTick();
    // A clock too fast for one sample per tick cannot move the song.
    if (blockLength <= 0 || samplesPerTick <= 0)
        return;
    const double k = samplesPerTick;
    const double songEnd = kTicksPerLengthUnit * static_cast<double>(sequence.GetLength());

    double position = GetSongPosition();
    int32_t offset = 0;
    int32_t remaining = blockLength;
    for (;;) {
        const double ticks = remaining / k;
        const double beyond = TruncateSamples((position + ticks - songEnd) * k);
        const auto overshoot = static_cast<int32_t>(std::clamp(beyond, 0.0, static_cast<double>(remaining)));

        for (int32_t t = 0; t < sequence.GetTrackCount(); ++t) {
            SequenceTrack* track = sequence.GetTrack(t);
            for (int32_t e = 0; e < track->GetEntryCount(); ++e) {
                SequenceEntry* entry = track->GetEntry(e);
                const double first = kTicksPerLengthUnit * static_cast<double>(entry->start);
                const double last = kTicksPerLengthUnit * static_cast<double>(entry->End());
                const bool sounds = (first <= position && position <= last) ||
                                    (position < first && first < position + ticks);
                if (!sounds)
                    continue;
                const auto into = static_cast<int64_t>(TruncateSamples((position - first) * k));
                entry->pattern->RenderRange(host, offset, into, remaining, samplesPerTick);
                entry->pattern->SetSongPosition(into);
            }
        }

        if (overshoot == 0) {
            position += ticks;
            break;
        }
        if (IsLoopDown()) {
            // The rest of the block plays from the song start.
            position = 0.0;
            offset += remaining - overshoot;
            remaining = overshoot;
            continue;
        }
        remaining -= overshoot;
        if (remaining < 1) {
            StopSong();
            break;
        }
        position += remaining / k;
        break;
    }
    songPosition.store(position, std::memory_order_release);
}
