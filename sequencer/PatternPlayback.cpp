// Turning a pattern into events: the render range and pattern play.
#include "framework/CControlBuffer.h"
#include "framework/CHost.h"
#include "framework/CMachine.h"
#include "framework/CPort.h"
#include "sequencer/Pattern.h"
#include "studio/CConnector.h"
#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// The first tick whose sample position is >= `sample`.
int64_t FirstTickAtOrAfter(int64_t sample, int32_t samplesPerTick)
{
    if (sample <= 0)
        return 0;
    return (sample + samplesPerTick - 1) / samplesPerTick;
}

// A note off more than 2^31 frames away never arrives in practice; the
// event's time field cannot say more.
int32_t EventTime(int64_t time)
{
    return static_cast<int32_t>(std::min<int64_t>(time, std::numeric_limits<int32_t>::max()));
}

} // namespace

void Pattern::RenderRange(CHost& host, int32_t offset, int64_t start, int64_t count, int32_t samplesPerTick)
{
    if (!target || count <= 0 || samplesPerTick <= 0)
        return;
    CPort* port = target->GetPort();
    CControlBuffer* events = port->controlBuffer;
    const int64_t end = start + count;
    const int64_t k = samplesPerTick;

    // Automation, tick by tick; the velocity track only shapes notes.
    const int64_t lastTick = std::min<int64_t>(GetTickCount(), FirstTickAtOrAfter(end, samplesPerTick));
    for (int64_t tick = FirstTickAtOrAfter(start, samplesPerTick); tick < lastTick; ++tick) {
        const auto time = static_cast<int32_t>(tick * k - start + offset);
        for (ControlTrack* track : tracks) {
            if (track == velocityTrack)
                continue;
            const ControlPoint& point = track->Point(static_cast<int32_t>(tick));
            if (point.set) {
                MachineEvent event = MakeEvent(time, EVENT_CONTROL_CHANGE, track->property, point.value);
                events->PushEvent(&event);
            }
        }
    }

    const bool intKeys = port->owner->noteEventForm > 0;
    const int32_t blockLength = host.GetBlockSize();
    for (PatternNote* note = notes.First(); note; note = note->NextNode()) {
        const int64_t position = note->start * k;
        if (position < start || position >= end)
            continue;
        double velocity = kDefaultVelocity;
        if (velocityTrack && note->start >= 0 && note->start < velocityTrack->GetPointCount())
            velocity = velocityTrack->Point(note->start).value;
        MachineEvent on;
        if (intKeys) {
            on = MakeEvent(static_cast<int32_t>(position - start + offset), EVENT_NOTE_ON_INT, note->pitch, velocity);
        } else {
            double frequency = 0.0;
            host.GetNoteFrequency(note->pitch, &frequency);
            on = MakeEvent(static_cast<int32_t>(position - start + offset), EVENT_NOTE_ON, note->pitch & 0xff, velocity,
                           frequency);
        }
        events->PushEvent(&on);

        const int32_t offTime = EventTime(note->End() * k - start + offset);
        MachineEvent off = intKeys ? MakeEvent(offTime, EVENT_NOTE_OFF_INT, note->pitch, 0.0)
                                   : MakeEvent(offTime, EVENT_NOTE_OFF, note->pitch & 0xff, 0.0);
        if (offTime < blockLength)
            events->PushEvent(&off);
        else
            target->GetDeferredEvents()->PushEvent(&off);
    }
}

void Pattern::Advance(CHost& host)
{
    const int32_t blockLength = host.GetBlockSize();
    const int32_t samplesPerTick = host.GetSamplesPerTick();
    CMachine* machine = target ? target->GetPort()->owner : nullptr;
    if (machine)
        machine->Lock();

    const int64_t patternSamples = static_cast<int64_t>(GetTickCount()) * samplesPerTick;
    if (patternSamples != 0)
        playPosition %= patternSamples;
    // A clock too fast for one sample per tick leaves nothing to play.
    if (!paused && patternSamples > 0) {
        if (playPosition + blockLength < patternSamples) {
            RenderRange(host, 0, playPosition, blockLength, samplesPerTick);
            playPosition += blockLength;
        } else {
            RenderRange(host, 0, playPosition, patternSamples - playPosition, samplesPerTick);
            if (loop) {
                const int64_t end = playPosition + blockLength;
                if (end > patternSamples)
                    RenderRange(host, static_cast<int32_t>(patternSamples - playPosition), 0, end % patternSamples,
                                samplesPerTick);
                playPosition = end % patternSamples;
            } else {
                playing = false;
                playPosition = 0;
            }
        }
    }

    if (machine)
        machine->Unlock();
}
