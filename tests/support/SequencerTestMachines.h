#pragma once
// Machines for sequencer, project file and rendering tests.
#include "StudioTestMachines.h"
#include "TestMachines.h"
#include "app/BuiltInMachineTypes.h"
#include "studio/CVelmHost.h"
#include <cstdlib>
#include <cstring>
#include <map>

// An event recorder whose keys are named: note-event form 8, labels
// "Drum 0" .. "Drum 7".
class CKeysMachine : public CEventMachine {
public:
    explicit CKeysMachine(CHost* host) : CEventMachine(host) { noteEventForm = 8; }
    void GetParameterLabel(int32_t index, char* out) override { std::snprintf(out, kMachineTextSize, "Drum %i", index); }
};

// Keeps an opaque state chunk, as a plug-in with chunks does.
class CChunkMachine : public CTestMachine {
public:
    explicit CChunkMachine(CHost* host) : CTestMachine(host)
    {
        AddPort(PORT_CONTROL_IN, "Control In");
        AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    }
    void SaveState(void** data, int32_t* size, bool* isParameterList) override
    {
        *data = std::malloc(chunk.empty() ? 1 : chunk.size());
        if (!chunk.empty())
            std::memcpy(*data, chunk.data(), chunk.size());
        *size = static_cast<int32_t>(chunk.size());
        *isParameterList = false;
    }
    void LoadState(const void* data, int32_t size, bool isParameterList) override
    {
        auto* bytes = static_cast<const uint8_t*>(data);
        chunk.assign(bytes, bytes + size);
        loadedAsParameterList = isParameterList;
    }
    std::vector<uint8_t> chunk;
    bool loadedAsParameterList = true;
};

// Plays notes as steps: while a note is held, every frame carries
// (pitch + 1) / 256 on both sides, so the first frame of a note shows
// exactly where its note on was placed.
class CToneMachine : public CTestMachine {
public:
    explicit CToneMachine(CHost* host) : CTestMachine(host)
    {
        in = AddPort(PORT_CONTROL_IN, "Control In");
        out = AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    }
    static double Level(int32_t pitch) { return (pitch + 1) / 256.0; }
    void Render() override
    {
        CAudioBuffer* buffer = out->audioBuffer;
        MachineEvent event;
        bool pending = in->controlBuffer->PopEvent(&event);
        for (int32_t i = 0; i < buffer->length; ++i) {
            while (pending && event.time <= i) {
                if (event.kind == EVENT_NOTE_ON || event.kind == EVENT_NOTE_ON_INT)
                    ++held[event.NoteKey()];
                else if (event.IsNoteOff() && held[event.NoteKey()] > 0)
                    --held[event.NoteKey()];
                pending = in->controlBuffer->PopEvent(&event);
            }
            double level = 0.0;
            for (const auto& [pitch, count] : held)
                level += count * Level(pitch);
            buffer->left[i] = buffer->right[i] = level;
        }
    }
    CPort* in;
    CPort* out;
    std::map<int32_t, int32_t> held;
};

// The built-in types and the machines above, with fixed identifiers.
inline void RegisterSequencerTestTypes(CVelmHost& host)
{
    RegisterBuiltInMachineTypes(host);
    host.RegisterMachineInfo(new CTestInfo<CEventMachine>(&host, "ZT Events", "VelmPlug::ZT Events"));
    host.RegisterMachineInfo(new CTestInfo<CKeysMachine>(&host, "ZT Keys", "VelmPlug::ZT Keys"));
    host.RegisterMachineInfo(new CTestInfo<CChunkMachine>(&host, "ZT Chunk", "VelmPlug::ZT Chunk"));
    host.RegisterMachineInfo(new CTestInfo<CToneMachine>(&host, "ZT Tone", "VelmPlug::ZT Tone"));
    host.RegisterMachineInfo(new CParameterMachineInfo(&host, "ZT Knob", "VelmPlug::ZT Knob", 4));
    host.RegisterMachineInfo(new CTestInfo<CLevelMachine>(&host, "ZT DudeRivi", "VelmPlug::ZT DudeRivi"));
}
