// The render cycle: one block of the studio on demand of the output driver.
#include "framework/CAudioBuffer.h"
#include "framework/CHostMutex.h"
#include "framework/CMachine.h"
#include "framework/CPort.h"
#include "studio/CMachineContainer.h"
#include "studio/CMeterSink.h"
#include "studio/CStudio.h"
#include "studio/CStudioSequencer.h"
#include "studio/CVelmHost.h"
#include "studio/CWorkerPool.h"
#include "platform/OsThread.h"
#include "studio/VolumeGlide.h"
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The master's samples for output channel j and their count (null and 0 for
// silence). A stereo output takes both sides of the first (stereo) input;
// other channel counts take one input per channel.
const double* MasterChannel(const CMachine* master, int32_t channels, int32_t j, int32_t& length)
{
    int32_t portIndex = channels == 2 ? 0 : j;
    const CAudioBuffer* buffer = portIndex < master->portCount ? master->ports[portIndex]->audioBuffer : nullptr;
    length = buffer ? buffer->length : 0;
    if (!buffer)
        return nullptr;
    return channels == 2 && j == 1 && buffer->stereo ? buffer->right : buffer->left;
}

} // namespace

void CStudio::WriteMasterOutput(int32_t channels, double** buffers, int32_t frames, double& volume, double target)
{
    // Frames past the master's buffers (a driver asking for more than the
    // block size it announced) are silence rather than a read past the end.
    int32_t available = frames;
    for (int32_t j = 0; j < channels; ++j) {
        int32_t length;
        channelSources[static_cast<size_t>(j)] = MasterChannel(master->GetMachine(), channels, j, length);
        if (length < available)
            available = length;
    }
    double c = volume;
    for (int32_t i = 0; i < frames; ++i) {
        for (int32_t j = 0; j < channels; ++j) {
            const double* source = channelSources[static_cast<size_t>(j)];
            double sample = source && i < available ? source[i] * c : 0.0;
            buffers[j][i] = sample;
            double squared = sample * sample;
            if (squared > peaks[static_cast<size_t>(j)])
                peaks[static_cast<size_t>(j)] = squared;
        }
        if (c != target)
            c = GlideTowards(c, target, kMasterGlideBias);
    }
    volume = c;
}

void CStudio::RenderBlock(int32_t channels, double** buffers, int32_t frames)
{
    if (channels < 1 || frames < 0 || !buffers)
        return;
    CLockGuard lock(*this);
    // One step above normal, as ever, and never below a real-time driver
    // thread that renders at a higher priority.
    workers->FollowPriority(std::max(platform::DefaultRealtimePriority(), platform::CurrentRealtimePriority()));
    // Grows only when a driver brings more channels than ever before.
    if (peaks.size() < static_cast<size_t>(channels)) {
        peaks.resize(static_cast<size_t>(channels));
        channelSources.resize(static_cast<size_t>(channels));
    }
    for (int32_t j = 0; j < channels; ++j)
        peaks[static_cast<size_t>(j)] = 0.0;

    CStudioSequencer* steps = sequencer;
    if (steps)
        steps->PatternLock().Lock();
    for (CMachineContainer* container = first; container; container = container->GetNext()) {
        container->ClearControlInputs();
        container->ClearProcessed();
    }
    if (steps) {
        steps->PatternStep();
        steps->SongStep();
    }

    double volume = masterVolume;
    const double target = GetTargetMasterVolume();
    if (master) {
        CMachine* machine = master->GetMachine();
        machine->Lock();
        master->RunDirect();
        host->AdvancePosition(frames);
        WriteMasterOutput(channels, buffers, frames, volume, target);
        machine->Unlock();
    } else {
        for (int32_t j = 0; j < channels; ++j)
            std::memset(buffers[j], 0, sizeof(double) * static_cast<size_t>(frames));
    }

    // Machines that do not feed the master are processed all the same.
    for (CMachineContainer* container = first; container; container = container->GetNext()) {
        if (container->IsProcessed())
            continue;
        CLockGuard machineLock(*container->GetMachine());
        container->RunDirect();
    }
    workers->Quiesce();

    masterVolume = volume;
    if (steps)
        steps->PatternLock().Unlock();
    if (meterSink) {
        const double peak = std::fabs(peaks[0]);
        meterSink->PutPeaks(peak, channels == 1 ? peak : std::fabs(peaks[1]));
    }
}
