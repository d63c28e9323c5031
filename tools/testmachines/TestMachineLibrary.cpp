// A machine library for the tests: three machine types, a stereo gain, a
// sine tone generator and a step generator, and a count of the library's own live allocations
// (its operator new and delete are its own), which the gain machine shows
// as a parameter so that a test can see which side freed an object.
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CHost.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "framework/CPort.h"
#include "framework/MachineLibrary.h"
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> liveAllocations{0};

void* Allocate(size_t size)
{
    void* memory = std::malloc(size ? size : 1);
    if (!memory)
        throw std::bad_alloc();
    liveAllocations.fetch_add(1);
    return memory;
}

void Free(void* memory)
{
    if (!memory)
        return;
    liveAllocations.fetch_sub(1);
    std::free(memory);
}

} // namespace

void* operator new(size_t size)
{
    return Allocate(size);
}
void* operator new[](size_t size)
{
    return Allocate(size);
}
void operator delete(void* memory) noexcept
{
    Free(memory);
}
void operator delete[](void* memory) noexcept
{
    Free(memory);
}
void operator delete(void* memory, size_t) noexcept
{
    Free(memory);
}
void operator delete[](void* memory, size_t) noexcept
{
    Free(memory);
}

namespace {

class CTestLibraryContext : public CLibraryContext {
public:
    using CLibraryContext::CLibraryContext;
};

CTestLibraryContext* context = nullptr;

enum GainParameter : int32_t { GAIN_LEVEL, GAIN_LIBRARY_ALLOCATIONS, GAIN_CPU_FLAGS, GAIN_PARAMETERS };

class CTestGain : public CMachine {
public:
    explicit CTestGain(CHost* host) : CMachine(host)
    {
        parameterCount = GAIN_PARAMETERS;
        AddPort(PORT_STEREO_AUDIO_IN, "Line In");
        AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    }

    void Process() override
    {
        CAudioBuffer* in = ports[0]->audioBuffer;
        CAudioBuffer* out = ports[1]->audioBuffer;
        const double gain = level * 2.0;
        for (int32_t i = 0; i < out->length && i < in->length; ++i) {
            out->left[i] = in->left[i] * gain;
            out->right[i] = in->right[i] * gain;
        }
    }
    double GetParameter(int32_t index) override
    {
        switch (index) {
        case GAIN_LEVEL:
            return level;
        case GAIN_LIBRARY_ALLOCATIONS:
            return static_cast<double>(liveAllocations.load());
        case GAIN_CPU_FLAGS:
            return context ? context->cpuFlags : -1;
        default:
            return 0.0;
        }
    }
    void SetParameter(int32_t index, double value) override
    {
        if (index == GAIN_LEVEL)
            level = value;
    }
    void GetParameterName(int32_t index, char* out) override
    {
        static const char* const names[] = {"Level", "Library Allocations", "CPU Flags"};
        std::snprintf(out, kMachineTextSize, "%s", index >= 0 && index < GAIN_PARAMETERS ? names[index] : "");
    }
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t) override {}
    bool IsGenerator() override { return false; }

private:
    double level = 0.5;
};

class CTestTone : public CMachine {
public:
    explicit CTestTone(CHost* host) : CMachine(host), sampleRate(host->GetSampleRate())
    {
        AddPort(PORT_CONTROL_IN, "Control In");
        AddPort(PORT_MONO_AUDIO_OUT, "Line Out");
    }

    void Process() override
    {
        CControlBuffer* events = ports[0]->controlBuffer;
        CAudioBuffer* out = ports[1]->audioBuffer;
        MachineEvent event;
        const MachineEvent* next = events->PopEvent(&event) ? &event : nullptr;
        for (int32_t i = 0; i < out->length; ++i) {
            while (next && next->time <= i) {
                if (next->kind == EVENT_NOTE_ON) {
                    double frequency = next->frequency;
                    if (frequency <= 0.0)
                        host->GetNoteFrequency(next->NoteKey(), &frequency);
                    step = 2.0 * M_PI * frequency / sampleRate;
                    amplitude = next->value;
                } else if (next->IsNoteOff()) {
                    amplitude = 0.0;
                }
                next = events->PopEvent(&event) ? &event : nullptr;
            }
            out->left[i] = amplitude * std::sin(phase);
            phase = std::fmod(phase + step, 2.0 * M_PI);
        }
    }
    void SetSampleRate(int32_t hz) override { sampleRate = hz; }
    void SetBlockSize(int32_t) override {}
    bool IsGenerator() override { return true; }

private:
    double sampleRate;
    double phase = 0.0;
    double step = 0.0;
    double amplitude = 0.0;
};

// Plays notes as steps of a known height: while a note is held, every frame
// carries (pitch + 1) / 256 on both sides, so that the first frame of each
// note shows exactly where its note on arrived.
class CTestSteps : public CMachine {
public:
    explicit CTestSteps(CHost* host) : CMachine(host)
    {
        AddPort(PORT_CONTROL_IN, "Control In");
        AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    }

    void Process() override
    {
        CControlBuffer* events = ports[0]->controlBuffer;
        CAudioBuffer* out = ports[1]->audioBuffer;
        MachineEvent event;
        bool pending = events->PopEvent(&event);
        for (int32_t i = 0; i < out->length; ++i) {
            while (pending && event.time <= i) {
                const int32_t key = event.NoteKey() & 0x7f;
                if (event.kind == EVENT_NOTE_ON || event.kind == EVENT_NOTE_ON_INT)
                    ++held[key];
                else if (event.IsNoteOff() && held[key] > 0)
                    --held[key];
                pending = events->PopEvent(&event);
            }
            double level = 0.0;
            for (int32_t key = 0; key < 128; ++key)
                level += held[key] * (key + 1) / 256.0;
            out->left[i] = out->right[i] = level;
        }
    }
    void SetSampleRate(int32_t) override {}
    void SetBlockSize(int32_t) override {}
    bool IsGenerator() override { return true; }

private:
    int32_t held[128] = {};
};

class CTestGainInfo : public CMachineInfo {
public:
    explicit CTestGainInfo(CHost* host) : host(host)
    {
        name = "ZT Test Gain";
        identifier = "VelmPlug::ZT Test Gain";
    }
    CMachine* CreateMachine() override { return new CTestGain(host); }

private:
    CHost* host;
};

class CTestToneInfo : public CMachineInfo {
public:
    explicit CTestToneInfo(CHost* host) : host(host)
    {
        name = "ZT Test Tone";
        identifier = "VelmPlug::ZT Test Tone-Sine";
    }
    CMachine* CreateMachine() override { return new CTestTone(host); }

private:
    CHost* host;
};

class CTestStepsInfo : public CMachineInfo {
public:
    explicit CTestStepsInfo(CHost* host) : host(host)
    {
        name = "ZT Test Steps";
        identifier = "VelmPlug::ZT Test Steps";
    }
    CMachine* CreateMachine() override { return new CTestSteps(host); }

private:
    CHost* host;
};

} // namespace

VELM_LIBRARY_EXPORT int32_t VelmPlugInit(void* module, CHost* host)
{
    const int32_t flags = host->GetCPUFlags();
    context = new CTestLibraryContext(module, host, flags);
    host->RegisterMachineInfo(new CTestGainInfo(host));
    host->RegisterMachineInfo(new CTestToneInfo(host));
    host->RegisterMachineInfo(new CTestStepsInfo(host));
    return 0;
}
