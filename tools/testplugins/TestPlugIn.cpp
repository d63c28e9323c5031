// The in-tree test plug-ins: one source, one shared object per kind (chosen
// with TEST_PLUGIN_KIND). They show on demand what real plug-ins cannot:
// the order of the host's calls, port layouts, declined events, the
// double-precision path and misbehaviour while being loaded.
#include "TestPlugInReport.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <unistd.h>
#include <vector>

#define KIND_GAIN 1            // 2 in, 2 out, answers "receiveVstMIDIEvent", editor, idle
#define KIND_SYNTH 2           // 0 in, 2 out, synthesizer answering only "receiveVstMidiEvent"
#define KIND_CHUNKS 3          // 1 in, 1 out, program chunks
#define KIND_FOUR_OUTPUTS 4    // 0 in, 4 out, doubles, declines the canDo query
#define KIND_DECLINES_EVENTS 5 // 2 in, 2 out, answers "receiveVstMIDIEvent", returns 0 from effProcessEvents
#define KIND_MAIN_ONLY 6       // 2 in, 2 out, only "main", only the accumulating process
#define KIND_CRASH 7           // crashes in the entry
#define KIND_NULL_EFFECT 8     // the entry returns no effect record
#define KIND_HANG 9            // never returns from the entry
#define KIND_NO_AUDIO 10       // no audio at all, answers "receiveVstMIDIEvent" (a MIDI tool)
#define KIND_MISBEHAVES 11     // 2 in, 2 out; throws or writes non-finite samples when told to
#define KIND_TWIN_A 12         // these two share one identifier: a parameter list of 4
#define KIND_TWIN_B 13         //   and program chunks
#define KIND_BLANK_A 14        // these two have the empty identifier: 4 parameters
#define KIND_BLANK_B 15        //   and 3 parameters

#ifndef TEST_PLUGIN_KIND
#error "TEST_PLUGIN_KIND must be set"
#endif

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kParameters = 4;
constexpr VstInt32 kChunkMagic = 0x56434B31; // 'VCK1'

struct Plugin {
    AEffect effect;
    HostCallback host;
    TestPlugInReport report;
    float parameters[kParameters];
    std::vector<char> chunk;
    ERect rect;
    TestPlugInReport* mirror;
    TestMisbehaviour misbehaviour;
};

#if TEST_PLUGIN_KIND == KIND_TWIN_B || TEST_PLUGIN_KIND == KIND_CHUNKS
#define HAS_CHUNKS 1
#endif

void MaybeThrow(bool when, const char* what)
{
    if (when)
        throw std::runtime_error(what);
}

Plugin* From(AEffect* effect)
{
    return static_cast<Plugin*>(effect->object);
}

void CopyText(void* ptr, const char* text)
{
    std::strcpy(static_cast<char*>(ptr), text);
}

void Publish(Plugin* plugin)
{
    if (plugin->mirror)
        std::memcpy(plugin->mirror, &plugin->report, sizeof plugin->report);
}

VstIntPtr Handle(Plugin* plugin, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

VstIntPtr Dispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    Plugin* plugin = From(effect);
    TestPlugInReport& report = plugin->report;
    if (opcode == effVendorSpecific && index == kReportRequest) {
        std::memcpy(ptr, &report, sizeof report);
        return 1;
    }
    if (opcode == effVendorSpecific && index == kMirrorRequest) {
        plugin->mirror = static_cast<TestPlugInReport*>(ptr);
        Publish(plugin);
        return 1;
    }
    if (opcode == effVendorSpecific && index == kCallRequest) {
        auto* call = static_cast<TestCallRequest*>(ptr);
        call->answer = plugin->host(effect, call->opcode, call->index, call->value, call->ptr, call->opt);
        return 1;
    }
    if (opcode == effVendorSpecific && index == kMisbehaveRequest) {
        std::memcpy(&plugin->misbehaviour, ptr, sizeof plugin->misbehaviour);
        return 1;
    }
    if (report.opcodeCount < kReportOpcodes)
        report.opcodes[report.opcodeCount++] = opcode;
    MaybeThrow(opcode == plugin->misbehaviour.throwOpcode, "dispatcher");
    if (opcode == effClose) {
        Publish(plugin);
        delete plugin;
        return 0;
    }
    VstIntPtr result = Handle(plugin, opcode, index, value, ptr, opt);
    Publish(plugin);
    return result;
}

VstIntPtr Handle(Plugin* plugin, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    [[maybe_unused]] AEffect* effect = &plugin->effect;
    TestPlugInReport& report = plugin->report;
    switch (opcode) {
    case effOpen:
#if TEST_PLUGIN_KIND == KIND_GAIN
        plugin->host(effect, audioMasterNeedIdle, 0, 0, nullptr, 0.0f);
#endif
        return 0;
    case effSetProgram:
        report.programSet = value;
        return 0;
    case effGetParamLabel:
        CopyText(ptr, index == 0 ? "dB" : "");
        return 0;
    case effGetParamDisplay:
        if (index == 0) {
            // Gain from -12 dB to +12 dB.
            char text[32];
            std::snprintf(text, sizeof text, "%.1f", plugin->parameters[0] * 24.0 - 12.0);
            CopyText(ptr, text);
        } else if (index >= 0 && index < kParameters) {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", plugin->parameters[index]);
            CopyText(ptr, text);
        }
        return 0;
    case effGetParamName:
        // Longer than the nominal eight characters, as real plug-ins do.
        CopyText(ptr, index == 0 ? "Output Gain Of The Test" : "Test Parameter");
        return 0;
    case effSetSampleRate:
        report.sampleRate = opt;
        return 0;
    case effSetBlockSize:
        report.blockSize = value;
        return 0;
    case effEditGetRect:
        *static_cast<ERect**>(ptr) = &plugin->rect;
        return 1;
    case effEditOpen:
        report.editorWindow = ptr;
        return 1;
    case effEditIdle:
        ++report.editIdleCalls;
        Publish(plugin);
        if (plugin->misbehaviour.editIdleMilliseconds > 0) {
            // Blocks processed meanwhile on another thread.
            const VstInt32 before = __atomic_load_n(&report.processReplacingCalls, __ATOMIC_ACQUIRE);
            usleep(static_cast<useconds_t>(plugin->misbehaviour.editIdleMilliseconds) * 1000);
            report.blocksDuringEditIdle += __atomic_load_n(&report.processReplacingCalls, __ATOMIC_ACQUIRE) - before;
        }
        ++report.editIdleReturns;
        return 0;
    case effGetChunk: {
        report.chunkIndex = index;
#ifdef HAS_CHUNKS
        plugin->chunk.assign(sizeof(VstInt32) + sizeof plugin->parameters, 0);
        std::memcpy(plugin->chunk.data(), &kChunkMagic, sizeof kChunkMagic);
        std::memcpy(plugin->chunk.data() + sizeof kChunkMagic, plugin->parameters, sizeof plugin->parameters);
        *static_cast<void**>(ptr) = plugin->chunk.data();
        return static_cast<VstIntPtr>(plugin->chunk.size());
#else
        return 0;
#endif
    }
    case effSetChunk: {
        report.chunkIndex = index;
        report.chunkSize = value;
        VstInt32 magic = 0;
        if (value == static_cast<VstIntPtr>(sizeof magic + sizeof plugin->parameters)) {
            std::memcpy(&magic, ptr, sizeof magic);
            if (magic == kChunkMagic)
                std::memcpy(plugin->parameters, static_cast<char*>(ptr) + sizeof magic, sizeof plugin->parameters);
            // A plug-in may scribble over what it was given.
            std::memset(ptr, 0, static_cast<size_t>(value));
        }
        return 0;
    }
    case effProcessEvents: {
        ++report.processEventsCalls;
        auto* events = static_cast<VstEvents*>(ptr);
        if (report.processEventsCalls <= kReportBlocks)
            report.eventsPerCall[report.processEventsCalls - 1] = events->numEvents;
        auto** list = reinterpret_cast<VstEvent**>(reinterpret_cast<char*>(events) + offsetof(VstEvents, events));
        for (VstInt32 i = 0; i < events->numEvents; ++i) {
            if (report.eventCount < kReportEvents)
                std::memcpy(&report.events[report.eventCount], list[i], sizeof(VstMidiEvent));
            ++report.eventCount;
        }
#if TEST_PLUGIN_KIND == KIND_DECLINES_EVENTS
        return 0;
#else
        return 1;
#endif
    }
    case effGetProgramNameIndexed: {
        char text[64];
        std::snprintf(text, sizeof text, "Test Program %d", index);
        CopyText(ptr, text);
        return 1;
    }
    case effCanDo: {
        [[maybe_unused]] const char* what = static_cast<const char*>(ptr);
#if TEST_PLUGIN_KIND == KIND_GAIN || TEST_PLUGIN_KIND == KIND_DECLINES_EVENTS || TEST_PLUGIN_KIND == KIND_NO_AUDIO
        if (std::strcmp(what, "receiveVstMIDIEvent") == 0)
            return 1;
#elif TEST_PLUGIN_KIND == KIND_SYNTH
        if (std::strcmp(what, "receiveVstMidiEvent") == 0)
            return 1;
#elif TEST_PLUGIN_KIND == KIND_FOUR_OUTPUTS
        // "Cannot", as some real plug-ins answer the usual spelling.
        if (std::strcmp(what, "receiveVstMidiEvent") == 0)
            return -1;
#endif
        return 0;
    }
    case effIdle:
        ++report.idleCalls;
        return report.idleCalls < 3 ? 1 : 0;
    case effSetPanLaw:
        report.panLaw = opt;
        return 1;
    default:
        return 0;
    }
}

float Gain(Plugin* plugin)
{
    return static_cast<float>(std::pow(10.0, (plugin->parameters[0] * 24.0 - 12.0) / 20.0));
}

void ProcessReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
    Plugin* plugin = From(effect);
    __atomic_add_fetch(&plugin->report.processReplacingCalls, 1, __ATOMIC_RELEASE);
    plugin->report.lastFrames = frames;
    MaybeThrow(plugin->misbehaviour.throwInProcess, "process");
    const float gain = Gain(plugin);
    for (VstInt32 c = 0; c < effect->numOutputs; ++c) {
        for (VstInt32 i = 0; i < frames; ++i) {
            if (c < effect->numInputs)
                outputs[c][i] = inputs[c][i] * gain;
            // Instruments: a constant per channel, to see where it lands.
            else
                outputs[c][i] = 0.25f * static_cast<float>(c + 1);
        }
    }
    if (plugin->misbehaviour.nonFiniteBlocks > 0 && effect->numOutputs > 0) {
        --plugin->misbehaviour.nonFiniteBlocks;
        outputs[0][frames / 2] = std::numeric_limits<float>::quiet_NaN();
        outputs[effect->numOutputs - 1][frames - 1] = std::numeric_limits<float>::infinity();
    }
}

void ProcessAccumulating(AEffect* effect, float** inputs, float** outputs, VstInt32 frames)
{
    Plugin* plugin = From(effect);
    ++plugin->report.processCalls;
    plugin->report.lastFrames = frames;
    for (VstInt32 c = 0; c < effect->numOutputs && c < effect->numInputs; ++c) {
        for (VstInt32 i = 0; i < frames; ++i)
            outputs[c][i] += inputs[c][i] * 0.5f;
    }
}

void ProcessDouble(AEffect* effect, double** inputs, double** outputs, VstInt32 frames)
{
    Plugin* plugin = From(effect);
    ++plugin->report.processDoubleCalls;
    plugin->report.lastFrames = frames;
    (void)inputs;
    // Values a float cannot hold exactly.
    for (VstInt32 c = 0; c < effect->numOutputs; ++c) {
        for (VstInt32 i = 0; i < frames; ++i)
            outputs[c][i] = 0.1 * (c + 1);
    }
}

void SetParameter(AEffect* effect, VstInt32 index, float value)
{
    MaybeThrow(From(effect)->misbehaviour.throwInSetParameter, "setParameter");
    if (index >= 0 && index < kParameters)
        From(effect)->parameters[index] = value;
}

float GetParameter(AEffect* effect, VstInt32 index)
{
    MaybeThrow(From(effect)->misbehaviour.throwInGetParameter, "getParameter");
    return index >= 0 && index < kParameters ? From(effect)->parameters[index] : 0.0f;
}

AEffect* Create(HostCallback host)
{
#if TEST_PLUGIN_KIND == KIND_CRASH
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    std::abort();
#elif TEST_PLUGIN_KIND == KIND_NULL_EFFECT
    host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
    return nullptr;
#elif TEST_PLUGIN_KIND == KIND_HANG
    for (;;)
        pause();
#else
    auto* plugin = new Plugin{};
    plugin->host = host;
    plugin->misbehaviour.throwOpcode = -1;
    TestPlugInReport& report = plugin->report;
    // Real plug-ins ask before they have a record.
    report.entryVersion = host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
    report.entrySampleRate = host(nullptr, audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
    report.entryBlockSize = host(nullptr, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
    host(nullptr, audioMasterGetVendorString, 0, 0, report.entryVendor, 0.0f);

    AEffect& effect = plugin->effect;
    effect.magic = kEffectMagic;
    effect.object = plugin;
    effect.dispatcher = Dispatcher;
    effect.setParameter = SetParameter;
    effect.getParameter = GetParameter;
    effect.numParams = kParameters;
    effect.numPrograms = 2;
    effect.uniqueID = 0x41424344;
    effect.version = 1;
    effect.processReplacing = ProcessReplacing;
    effect.process = ProcessAccumulating;
    effect.flags = effFlagsCanReplacing;
    plugin->parameters[0] = 0.5f; // 0 dB
    plugin->rect = ERect{10, 20, 310, 220}; // 200 wide, 300 high
    report.entryTimeWithRecord = host(&effect, audioMasterGetTime, 0, 0, nullptr, 0.0f);
#if TEST_PLUGIN_KIND == KIND_GAIN
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.flags |= effFlagsHasEditor;
#elif TEST_PLUGIN_KIND == KIND_SYNTH
    effect.numInputs = 0;
    effect.numOutputs = 2;
    effect.flags |= effFlagsIsSynth;
    effect.uniqueID = 0x56533031; // 'VS01'
#elif TEST_PLUGIN_KIND == KIND_CHUNKS
    effect.numInputs = 1;
    effect.numOutputs = 1;
    effect.flags |= effFlagsProgramChunks;
    effect.uniqueID = 0x56433031; // 'VC01'
#elif TEST_PLUGIN_KIND == KIND_FOUR_OUTPUTS
    effect.numInputs = 0;
    effect.numOutputs = 4;
    effect.flags |= effFlagsCanDoubleReplacing;
    effect.processDoubleReplacing = ProcessDouble;
    effect.uniqueID = 0x56343031; // 'V401'
#elif TEST_PLUGIN_KIND == KIND_DECLINES_EVENTS
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.uniqueID = 0x56443031; // 'VD01'
#elif TEST_PLUGIN_KIND == KIND_NO_AUDIO
    effect.uniqueID = 0x564E3031; // 'VN01'
#elif TEST_PLUGIN_KIND == KIND_MISBEHAVES
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.uniqueID = 0x56583031; // 'VX01'
#elif TEST_PLUGIN_KIND == KIND_TWIN_A
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.uniqueID = 0x54573141; // 'TW1A'
#elif TEST_PLUGIN_KIND == KIND_TWIN_B
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.flags |= effFlagsProgramChunks;
    effect.uniqueID = 0x64674151; // 'dgAQ': the same low four bits as 'TW1A'
#elif TEST_PLUGIN_KIND == KIND_BLANK_A
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.uniqueID = 0x42414E30; // 'BAN0': a first code of 0 leaves "VST::"
#elif TEST_PLUGIN_KIND == KIND_BLANK_B
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.numParams = 3;
    effect.uniqueID = 0x62616E20; // 'ban '
#elif TEST_PLUGIN_KIND == KIND_MAIN_ONLY
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.flags = 0; // only the accumulating process
    effect.uniqueID = 0x564D3031; // 'VM01'
#endif
    return &effect;
#endif
}

} // namespace

#if TEST_PLUGIN_KIND != KIND_MAIN_ONLY
EXPORT AEffect* VSTPluginMain(HostCallback host)
{
    return Create(host);
}
#endif

// "main" cannot be declared with this signature in C++; the label gives the
// symbol its name.
EXPORT AEffect* LegacyMain(HostCallback host) __asm__("main");
EXPORT AEffect* LegacyMain(HostCallback host)
{
    return Create(host);
}
