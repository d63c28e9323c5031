#include "app/OfflineRender.h"
#include "app/CStudioSession.h"
#include "studio/RenderEntry.h"
#include <algorithm>
#include <vector>

namespace {

constexpr int32_t kChannels = 2;

} // namespace

void RenderSong(CStudioSession& session, int64_t frames, const BlockSink& sink, const RenderProgress& progress)
{
    CVelmHost& host = session.Host();
    const int32_t blockSize = host.GetBlockSize();
    session.Studio().PrepareForDriver(kChannels, host.GetSampleRate(), blockSize);
    std::vector<double> left(static_cast<size_t>(blockSize));
    std::vector<double> right(static_cast<size_t>(blockSize));
    double* buffers[kChannels] = {left.data(), right.data()};

    CSequenceEditor& song = session.Sequencer().Song();
    CRenderRegistration registration(session.Studio());
    song.SetPlay(true);
    for (int64_t done = 0; done < frames;) {
        RenderEntry(kChannels, buffers, blockSize);
        const auto count = static_cast<int32_t>(std::min<int64_t>(blockSize, frames - done));
        sink(buffers, count);
        done += count;
        if (progress)
            progress(done, frames);
    }
    song.Stop();
}
