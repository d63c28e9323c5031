#pragma once
// Runs a machine block by block the way the render cycle does: events due in
// a block go into the control input with their offset in that block, the
// input port (if any) is filled from a signal, the output is collected.
#include "CoreTestContext.h"
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CMachine.h"
#include "framework/CPort.h"
#include <algorithm>
#include <functional>
#include <vector>

struct TimedEvent {
    int32_t frame; // from the start of the run
    MachineEvent event;
};

inline TimedEvent NoteOn(int32_t frame, int32_t key, double velocity = 1.0)
{
    double hz = 0.0;
    TestHost().GetNoteFrequency(key, &hz);
    return {frame, MakeEvent(0, EVENT_NOTE_ON, key, velocity, hz)};
}

inline TimedEvent NoteOff(int32_t frame, int32_t key)
{
    return {frame, MakeEvent(0, EVENT_NOTE_OFF, key, 0.0)};
}

inline TimedEvent ParameterEvent(int32_t frame, int32_t index, double value)
{
    return {frame, MakeEvent(0, EVENT_CONTROL_CHANGE, index, value)};
}

struct Rendered {
    std::vector<double> left;
    std::vector<double> right;
};

class CMachineDriver {
public:
    // Port numbers: -1 when the machine has no such port.
    CMachineDriver(CMachine* machine, int32_t controlPort, int32_t inputPort, int32_t outputPort)
        : machine(machine), controlPort(controlPort), inputPort(inputPort), outputPort(outputPort)
    {
    }

    // `input(frame)` gives the left and right input samples.
    Rendered Run(int32_t frames, std::vector<TimedEvent> events = {},
                 const std::function<std::pair<double, double>(int32_t)>& input = nullptr)
    {
        std::stable_sort(events.begin(), events.end(),
                         [](const TimedEvent& a, const TimedEvent& b) { return a.frame < b.frame; });
        Rendered out;
        CAudioBuffer* buffer = machine->ports[outputPort]->audioBuffer;
        const int32_t block = buffer->length;
        size_t next = 0;
        for (int32_t start = 0; start < frames; start += block) {
            if (controlPort >= 0) {
                CControlBuffer* control = machine->ports[controlPort]->controlBuffer;
                for (; next < events.size() && events[next].frame < start + block; ++next) {
                    MachineEvent e = events[next].event;
                    e.time = events[next].frame - start;
                    control->PushEvent(&e);
                }
            }
            if (inputPort >= 0) {
                CAudioBuffer* in = machine->ports[inputPort]->audioBuffer;
                for (int32_t i = 0; i < in->length; ++i) {
                    const auto [l, r] = input ? input(start + i) : std::pair<double, double>{0.0, 0.0};
                    in->left[i] = l;
                    if (in->right)
                        in->right[i] = r;
                }
            }
            machine->Process();
            if (controlPort >= 0)
                machine->ports[controlPort]->controlBuffer->Clear();
            const int32_t n = std::min(block, frames - start);
            out.left.insert(out.left.end(), buffer->left, buffer->left + n);
            out.right.insert(out.right.end(), buffer->right ? buffer->right : buffer->left,
                             (buffer->right ? buffer->right : buffer->left) + n);
        }
        return out;
    }

private:
    CMachine* machine;
    int32_t controlPort;
    int32_t inputPort;
    int32_t outputPort;
};

// A machine released through Release(), as the studio does.
struct MachineReleaser {
    void operator()(CMachine* m) const { m->Release(); }
};
