#include "studio/CVSTAdapter.h"
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CHost.h"
#include "framework/CPort.h"
#include "framework/Errors.h"
#include "studio/CMachineContainer.h"
#include "studio/CStudio.h"
#include "studio/CVSTAdapterInfo.h"
#include "studio/CVSTAdapterList.h"
#include "studio/CVSTEditorWindows.h"
#include "studio/VSTHostCallback.h"
#include <algorithm>
#include <bit>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The pan law sent after effOpen, by its exact bit pattern (about 1/sqrt 2).
const float kPanLaw = std::bit_cast<float>(0x3F3504F7u);

// Events one block can carry to the plug-in; anything beyond is dropped
// rather than allocated on the audio thread.
constexpr size_t kEventCapacity = 1024;

constexpr const char* kHostCanDo[] = {
    "sendVstEvents", "sendVstMIDIEvent", "sendVstTimeInfo", "receiveVstEvents",
    "receiveVstMIDIEvent", "receiveVstTimeInfo", "supplyIdle",
};

// Channel conversions, four samples at a time in vector registers: for a
// light plug-in they are a noticeable share of what hosting costs.
template <typename From, typename To>
void Convert(const From* from, To* to, size_t n)
{
    typedef From FromVector __attribute__((vector_size(4 * sizeof(From))));
    typedef To ToVector __attribute__((vector_size(4 * sizeof(To))));
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        FromVector source;
        std::memcpy(&source, from + i, sizeof source);
        const ToVector converted = __builtin_convertvector(source, ToVector);
        std::memcpy(to + i, &converted, sizeof converted);
    }
    for (; i < n; ++i)
        to[i] = static_cast<To>(from[i]);
}

VstEvent** EventSlots(std::vector<VstIntPtr>& block)
{
    return reinterpret_cast<VstEvent**>(reinterpret_cast<unsigned char*>(block.data()) + offsetof(VstEvents, events));
}

// Whether a sample is NaN or infinite: its exponent bits are all ones.
bool HasNonFinite(const double* samples, size_t n)
{
    constexpr uint64_t kExponent = 0x7ff0000000000000ull;
    uint64_t found = 0;
    for (size_t i = 0; i < n; ++i) {
        uint64_t bits;
        std::memcpy(&bits, samples + i, sizeof bits);
        found |= static_cast<uint64_t>((bits & kExponent) == kExponent);
    }
    return found != 0;
}

// A float output channel into its port, telling whether any sample was NaN
// or infinite: tested in the same pass, four at a time, so that the check
// adds next to nothing to what hosting costs.
bool ConvertOutput(const float* from, double* to, size_t n)
{
    typedef float FloatVector __attribute__((vector_size(4 * sizeof(float))));
    typedef double DoubleVector __attribute__((vector_size(4 * sizeof(double))));
    typedef int32_t BitsVector __attribute__((vector_size(4 * sizeof(int32_t))));
    constexpr int32_t kExponent = 0x7f800000;
    const BitsVector exponent = {kExponent, kExponent, kExponent, kExponent};
    BitsVector found = {};
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        FloatVector source;
        std::memcpy(&source, from + i, sizeof source);
        BitsVector bits;
        std::memcpy(&bits, &source, sizeof bits);
        found |= (bits & exponent) == exponent;
        const DoubleVector converted = __builtin_convertvector(source, DoubleVector);
        std::memcpy(to + i, &converted, sizeof converted);
    }
    bool nonFinite = (found[0] | found[1] | found[2] | found[3]) != 0;
    for (; i < n; ++i) {
        int32_t bits;
        std::memcpy(&bits, from + i, sizeof bits);
        nonFinite = nonFinite || (bits & kExponent) == kExponent;
        to[i] = static_cast<double>(from[i]);
    }
    return nonFinite;
}

} // namespace

CVSTAdapter::CVSTAdapter(CVSTAdapterInfo* type)
    : CMachine(type->GetHost()), type(type), sampleRate(host->GetSampleRate()), blockSize(host->GetBlockSize())
{
    CVSTAdapterList& list = CVSTAdapterList::Get();
    list.SetHost(host);
    list.Add(this);

    if (VSTEntryProc entry = type->GetEntry()) {
        try {
            effect = entry(VSTHostCallback);
        } catch (...) {
            // Nothing to bypass yet: the machine stays without an effect.
            effect = nullptr;
        }
    }
    if (!effect)
        return;
    listedEffect.store(effect, std::memory_order_release);
    effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
    parameterCount = std::max(0, effect->numParams);
    programCount = std::max(0, effect->numPrograms);
    typeId = effect->uniqueID;
    inputCount = std::max(0, effect->numInputs);
    outputCount = std::max(0, effect->numOutputs);
    doubles = (effect->flags & effFlagsCanDoubleReplacing) != 0;

    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    Dispatch(effSetBlockSize, 0, blockSize);
    Dispatch(effOpen);
    Dispatch(effSetPanLaw, 0, 0, nullptr, kPanLaw);
    Dispatch(effMainsChanged, 0, 1);
    // The query with upper-case MIDI decides the layout that project files
    // store. Real instruments answer only the usual spelling or just say
    // they are synthesizers; they get a control port after the audio ports.
    const bool controlFirst = CanDo("receiveVstMIDIEvent") != 0;
    const bool controlLast = !controlFirst && (CanDo("receiveVstMidiEvent") > 0 || (effect->flags & effFlagsIsSynth) != 0);
    Dispatch(effStartProcess);

    BuildPorts(controlFirst, controlLast);
    if (controlPort) {
        pendingEvents.resize(kEventCapacity);
        pendingEventBlock.assign(offsetof(VstEvents, events) / sizeof(VstIntPtr) + kEventCapacity, 0);
    }
    AllocateScratch(blockSize);
    PointChannels();
    ready.store(true, std::memory_order_release);
}

CVSTAdapter::~CVSTAdapter()
{
    {
        // The idle thread leaves a machine alone from here on. The plug-in is
        // not called under the lock: its own threads may be waiting for it.
        CLockGuard guard(*this);
        ready.store(false, std::memory_order_release);
        editorVisible = false;
        // A plug-in that threw still gets the chance to free what it holds.
        destroying = true;
    }
    pendingEventBlock.clear();
    pendingEvents.clear();
    if (effect) {
        Dispatch(effStopProcess);
        Dispatch(effMainsChanged, 0, 0);
        CloseEditor();
        Dispatch(effClose);
    }
    CVSTAdapterList::Get().Remove(this);
    type->InstanceReleased();
}

template <typename Call>
bool CVSTAdapter::Guarded(const char* what, Call call)
{
    if (!effect || (faulted.load(std::memory_order_relaxed) && !destroying && !rescuing))
        return false;
    try {
        call();
        return true;
    } catch (...) {
        ++faultCount;
        Fault(what);
        return false;
    }
}

void CVSTAdapter::Fault(const char* what)
{
    if (faultClaimed.exchange(true))
        return;
    // Possibly on the audio thread: no allocation, only a fixed buffer.
    std::snprintf(faultText, sizeof faultText, "%s", what);
    faulted.store(true, std::memory_order_release);
}

VstIntPtr CVSTAdapter::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    VstIntPtr result = 0;
    Guarded("the dispatcher", [&] { result = effect->dispatcher(effect, opcode, index, value, ptr, opt); });
    return result;
}

VstIntPtr CVSTAdapter::DispatchEditor(VstInt32 opcode, void* ptr)
{
    const VstIntPtr result = Dispatch(opcode, 0, 0, ptr);
    if (CVSTEditorWindows* windows = GetVSTEditorWindows())
        windows->AfterEditorCall();
    return result;
}

void CVSTAdapter::DispatchText(VstInt32 opcode, VstInt32 index, char* out, int32_t outSize)
{
    char text[kVstTextSize * 2] = {};
    Dispatch(opcode, index, 0, text);
    text[sizeof text - 1] = '\0';
    std::snprintf(out, static_cast<size_t>(outSize), "%s", text);
}

VstIntPtr CVSTAdapter::CanDo(const char* what)
{
    // The plug-in gets a buffer of its own, never a string literal.
    char text[kVstTextSize] = {};
    std::snprintf(text, sizeof text, "%s", what);
    return Dispatch(effCanDo, 0, 0, text);
}

bool CVSTAdapter::IsParameter(int32_t index) const
{
    return effect && index >= 0 && index < effect->numParams;
}

void CVSTAdapter::BuildPorts(bool controlFirst, bool controlLast)
{
    if (controlFirst)
        controlPort = AddPort(PORT_CONTROL_IN, "Control In");
    AddAudioPorts(inputCount, true);
    AddAudioPorts(outputCount, false);
    if (controlLast)
        controlPort = AddPort(PORT_CONTROL_IN, "Control In");
    deliverEvents = controlPort != nullptr;
}

void CVSTAdapter::AddAudioPorts(int32_t channels, bool input)
{
    const char* format = input ? "Line In %i" : "Line Out %i";
    if (channels == 2) {
        AddPort(input ? PORT_STEREO_AUDIO_IN : PORT_STEREO_AUDIO_OUT, FormatText(format, 1).c_str());
        return;
    }
    for (int32_t i = 1; i <= channels; ++i)
        AddPort(input ? PORT_MONO_AUDIO_IN : PORT_MONO_AUDIO_OUT, FormatText(format, i).c_str());
}

void CVSTAdapter::AllocateScratch(int32_t frames)
{
    if (doubles || frames <= 0) {
        scratch.clear();
        scratch.shrink_to_fit();
        return;
    }
    scratch.assign(static_cast<size_t>(inputCount + outputCount) * static_cast<size_t>(frames), 0.0f);
}

void CVSTAdapter::PointChannels()
{
    inputChannels.clear();
    outputChannels.clear();
    int32_t frames = std::max(blockSize, 0);
    for (int32_t i = 0; i < portCount; ++i) {
        CPort* port = ports[i];
        if (!port->IsAudio() || !port->audioBuffer)
            continue;
        std::vector<double*>& channels = port->IsInput() ? inputChannels : outputChannels;
        channels.push_back(port->audioBuffer->left);
        if (port->IsStereo())
            channels.push_back(port->audioBuffer->right);
        frames = std::min(frames, port->audioBuffer->length);
    }
    inputScratch.clear();
    outputScratch.clear();
    if (!doubles && inputCount + outputCount > 0) {
        const size_t perChannel = scratch.size() / static_cast<size_t>(inputCount + outputCount);
        frames = std::min(frames, static_cast<int32_t>(perChannel));
        float* next = scratch.data();
        for (int32_t i = 0; i < inputCount; ++i, next += perChannel)
            inputScratch.push_back(next);
        for (int32_t i = 0; i < outputCount; ++i, next += perChannel)
            outputScratch.push_back(next);
    }
    processFrames = frames;
}

void CVSTAdapter::Process()
{
    CLockGuard guard(*this);
    if (!effect)
        return;
    if (IsFaulted()) {
        if (controlPort)
            controlPort->controlBuffer->Clear();
        Bypass(processFrames);
        return;
    }
    if (controlPort)
        SendEvents(processFrames);
    const bool nonFinite = ProcessAudio(processFrames);
    if (IsFaulted())
        Bypass(processFrames);
    else if (nonFinite)
        Silence(processFrames);
}

void CVSTAdapter::Bypass(int32_t frames)
{
    if (frames <= 0)
        return;
    const auto n = static_cast<size_t>(frames);
    for (size_t c = 0; c < outputChannels.size(); ++c) {
        double* out = outputChannels[c];
        if (c < inputChannels.size())
            std::copy(inputChannels[c], inputChannels[c] + n, out);
        else
            std::fill(out, out + n, 0.0);
    }
}

void CVSTAdapter::Silence(int32_t frames)
{
    // One bad sample would poison every machine downstream for good.
    const auto n = static_cast<size_t>(frames);
    for (double* out : outputChannels)
        std::fill(out, out + n, 0.0);
    nonFiniteBlocks.fetch_add(1, std::memory_order_relaxed);
}

void CVSTAdapter::SendEvents(int32_t frames)
{
    // The previous block's events are given up here: the plug-in may keep
    // their pointers until the next block.
    auto* block = reinterpret_cast<VstEvents*>(pendingEventBlock.data());
    block->numEvents = 0;
    CControlBuffer* buffer = controlPort->controlBuffer;
    VstEvent** slots = EventSlots(pendingEventBlock);
    const int32_t lastFrame = std::max(frames - 1, 0);
    int32_t count = 0;
    MachineEvent event;
    while (buffer->PopEvent(&event)) {
        if (event.kind != EVENT_NOTE_ON && event.kind != EVENT_NOTE_OFF)
            continue;
        if (static_cast<size_t>(count) == pendingEvents.size())
            continue;
        VstMidiEvent& midi = pendingEvents[static_cast<size_t>(count)];
        midi = VstMidiEvent{};
        midi.type = kVstMidiType;
        midi.byteSize = sizeof(VstMidiEvent) - 2 * sizeof(VstInt32);
        // Plug-ins drop events outside the block.
        midi.deltaFrames = std::clamp(event.time, 0, lastFrame);
        midi.midiData[1] = static_cast<char>(event.key & 0xff);
        if (event.kind == EVENT_NOTE_ON) {
            midi.midiData[0] = static_cast<char>(0x90);
            midi.midiData[2] = static_cast<char>(std::clamp(static_cast<int>(event.value * 127.0), 0, 127));
        } else {
            midi.midiData[0] = static_cast<char>(0x80);
        }
        slots[count++] = reinterpret_cast<VstEvent*>(&midi);
    }
    block->numEvents = count;
    // Many instruments answer 0 and still want every event: the answer is
    // only traced (off this thread).
    if (count > 0 && Dispatch(effProcessEvents, 0, 0, block) == 0)
        declinedEvents.store(true, std::memory_order_relaxed);
}

bool CVSTAdapter::ProcessAudio(int32_t frames)
{
    if (frames <= 0)
        return false;
    const auto n = static_cast<size_t>(frames);
    // Some plug-ins leave outputs unwritten.
    if (doubles) {
        for (double* out : outputChannels)
            std::fill(out, out + n, 0.0);
        if (effect->processDoubleReplacing) {
            Guarded("processDoubleReplacing", [&] {
                effect->processDoubleReplacing(effect, inputChannels.data(), outputChannels.data(), frames);
            });
        }
        bool nonFinite = false;
        for (double* out : outputChannels)
            nonFinite = nonFinite || HasNonFinite(out, n);
        return nonFinite;
    }
    for (size_t c = 0; c < inputScratch.size(); ++c)
        Convert(inputChannels[c], inputScratch[c], n);
    for (float* out : outputScratch)
        std::fill(out, out + n, 0.0f);
    // The flags decide, never the pointers: `process` is null in some.
    if ((effect->flags & effFlagsCanReplacing) != 0) {
        if (effect->processReplacing) {
            Guarded("processReplacing",
                    [&] { effect->processReplacing(effect, inputScratch.data(), outputScratch.data(), frames); });
        }
    } else if (effect->process) {
        Guarded("process", [&] { effect->process(effect, inputScratch.data(), outputScratch.data(), frames); });
    }
    bool nonFinite = false;
    for (size_t c = 0; c < outputScratch.size(); ++c)
        nonFinite = ConvertOutput(outputScratch[c], outputChannels[c], n) || nonFinite;
    return nonFinite;
}

void CVSTAdapter::ResizeBuffers(int32_t frames)
{
    CLockGuard guard(*this);
    CMachine::ResizeBuffers(frames);
    PointChannels();
}

bool CVSTAdapter::CanOpenEditor()
{
    CLockGuard guard(*this);
    return effect && !IsFaulted() && (effect->flags & effFlagsHasEditor) != 0 && CanOpenVSTEditors();
}

bool CVSTAdapter::EditorSize(int32_t* width, int32_t* height)
{
    // The answer says nothing (some answer a pointer-sized value, some 1
    // without a rectangle): only the rectangle counts.
    ERect* rect = nullptr;
    DispatchEditor(effEditGetRect, &rect);
    if (!rect)
        return false;
    *width = std::max(0, rect->right - rect->left);
    *height = std::max(0, rect->bottom - rect->top);
    return true;
}

CControl* CVSTAdapter::CreateGUI(CControl* parent)
{
    CLockGuard guard(*this);
    CVSTEditorWindows* windows = GetVSTEditorWindows();
    if (!effect || IsFaulted() || (effect->flags & effFlagsHasEditor) == 0 || editor || !windows ||
        !windows->CanOpenEditors())
        return nullptr;
    int32_t width = 0;
    int32_t height = 0;
    EditorSize(&width, &height);
    CControl* child = windows->CreateChild(parent, "VST", width, height);
    if (!child)
        return nullptr;
    void* window = windows->GetNativeWindow(child);
    if (!window) {
        windows->Destroy(child);
        return nullptr;
    }
    editor = child;
    // Toolkits (GTK 2) leave threads and handlers behind that outlive an
    // unload of their library.
    type->KeepLibraryLoaded();
    DispatchEditor(effEditOpen, window);
    if (IsFaulted()) {
        windows->Destroy(child);
        editor = nullptr;
        return nullptr;
    }
    // Some plug-ins know their size only once the editor is open.
    int32_t openWidth = 0;
    int32_t openHeight = 0;
    if (EditorSize(&openWidth, &openHeight) && openWidth > 0 && openHeight > 0 &&
        (openWidth != width || openHeight != height))
        windows->Resize(child, openWidth, openHeight);
    windows->Show(child);
    return child;
}

void CVSTAdapter::ShowGUI()
{
    CLockGuard guard(*this);
    if (!editor)
        return;
    GetVSTEditorWindows()->Show(editor);
    editorVisible = true;
}

void CVSTAdapter::HideGUI()
{
    CLockGuard guard(*this);
    editorVisible = false;
    if (editor)
        GetVSTEditorWindows()->Hide(editor);
}

void CVSTAdapter::CloseGUI()
{
    CLockGuard guard(*this);
    editorVisible = false;
    CloseEditor();
}

void CVSTAdapter::CloseEditor()
{
    if (!editor)
        return;
    // The plug-in lets go of the window before it goes.
    DispatchEditor(effEditClose);
    if (CVSTEditorWindows* windows = GetVSTEditorWindows())
        windows->Destroy(editor);
    editor = nullptr;
}

void CVSTAdapter::IdleGUI()
{
    {
        CLockGuard guard(*this);
        if (!ready.load(std::memory_order_acquire) || !editor || !editorVisible)
            return;
    }
    // Without the machine lock: an editor's idle call may take tens of
    // milliseconds (drawing), which the render cycle must not wait for.
    // The editor itself cannot go meanwhile: it is opened, closed and
    // destroyed on this thread only.
    DispatchEditor(effEditIdle);
}

double CVSTAdapter::GetParameter(int32_t index)
{
    CLockGuard guard(*this);
    float value = 0.0f;
    if (IsParameter(index))
        Guarded("getParameter", [&] { value = effect->getParameter(effect, index); });
    return static_cast<double>(value);
}

void CVSTAdapter::SetParameter(int32_t index, double value)
{
    CLockGuard guard(*this);
    if (IsParameter(index))
        Guarded("setParameter", [&] { effect->setParameter(effect, index, static_cast<float>(value)); });
}

void CVSTAdapter::GetParameterName(int32_t index, char* out)
{
    CLockGuard guard(*this);
    out[0] = '\0';
    if (IsParameter(index))
        DispatchText(effGetParamName, index, out, kMachineTextSize);
}

void CVSTAdapter::GetParameterDisplay(int32_t index, char* out)
{
    CLockGuard guard(*this);
    out[0] = '\0';
    if (!IsParameter(index))
        return;
    char display[kVstTextSize];
    char label[kVstTextSize];
    DispatchText(effGetParamDisplay, index, display, kVstTextSize);
    DispatchText(effGetParamLabel, index, label, kVstTextSize);
    std::snprintf(out, kMachineTextSize, "%s", FormatText("%s%s", display, label).c_str());
}

void CVSTAdapter::SetProgram(int32_t index)
{
    CLockGuard guard(*this);
    if (!effect)
        return;
    Dispatch(effSetProgram, 0, index);
    currentProgram = index;
}

void CVSTAdapter::GetProgramNameIndexed(int32_t index, char* out)
{
    CLockGuard guard(*this);
    out[0] = '\0';
    if (effect)
        DispatchText(effGetProgramNameIndexed, index, out, kMachineTextSize);
}

void CVSTAdapter::SetSampleRate(int32_t hz)
{
    CLockGuard guard(*this);
    sampleRate = hz;
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(hz));
}

void CVSTAdapter::SetBlockSize(int32_t frames)
{
    CLockGuard guard(*this);
    frames = std::max(frames, 0);
    AllocateScratch(frames);
    blockSize = frames;
    PointChannels();
    Dispatch(effSetBlockSize, 0, frames);
}

void CVSTAdapter::SaveState(void** data, int32_t* size, bool* isParameterList)
{
    CLockGuard guard(*this);
    // A failed plug-in is asked once more for its state, which is worth
    // more than anything else we could write; if it fails again, the state
    // it was last given is written instead of a list of zeros.
    const bool failed = IsFaulted();
    rescuing = failed;
    const int32_t faultsBefore = faultCount.load();
    SaveCurrentState(data, size, isParameterList);
    rescuing = false;
    if (failed && faultCount.load() != faultsBefore && !lastLoadedState.empty()) {
        std::free(*data);
        *data = std::malloc(lastLoadedState.size());
        std::memcpy(*data, lastLoadedState.data(), lastLoadedState.size());
        *size = static_cast<int32_t>(lastLoadedState.size());
        *isParameterList = lastLoadedIsList;
    }
}

void CVSTAdapter::SaveCurrentState(void** data, int32_t* size, bool* isParameterList)
{
    if (effect) {
        void* chunk = nullptr;
        const VstIntPtr chunkSize = Dispatch(effGetChunk, 1, 0, &chunk);
        if (chunkSize > 0 && chunkSize <= INT32_MAX && chunk) {
            // The chunk stays the plug-in's: copy it before the next call.
            void* copy = std::malloc(static_cast<size_t>(chunkSize));
            std::memcpy(copy, chunk, static_cast<size_t>(chunkSize));
            *data = copy;
            *size = static_cast<int32_t>(chunkSize);
            *isParameterList = false;
            return;
        }
    }
    CMachine::SaveState(data, size, isParameterList);
}

void CVSTAdapter::LoadState(const void* data, int32_t size, bool isParameterList)
{
    CLockGuard guard(*this);
    if (data && size > 0) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        lastLoadedState.assign(bytes, bytes + size);
        lastLoadedIsList = isParameterList;
    }
    if (isParameterList) {
        CMachine::LoadState(data, size, isParameterList);
        return;
    }
    if (!effect || !data || size <= 0)
        return;
    // The plug-in gets its own copy: the caller's buffer stays untouched.
    std::vector<unsigned char> chunk(lastLoadedState);
    Dispatch(effSetChunk, 1, size, chunk.data());
}

bool CVSTAdapter::IsGenerator()
{
    return effect && (effect->flags & effFlagsIsSynth) != 0;
}

VstIntPtr CVSTAdapter::AnswerHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
    case audioMasterAutomate:
        // A change made in the plug-in's own editor: the default editor
        // hears it, and it is an edit of the project.
        host->ParameterChanged(this, index, opt);
        if (auto* container = dynamic_cast<CMachineContainer*>(owner))
            container->GetStudio()->MarkChanged();
        return 0;
    case audioMasterIdle:
    case audioMasterNeedIdle:
        wantsIdle = true;
        return 0;
    case audioMasterWantMidi:
        deliverEvents = true;
        return 1;
    case audioMasterSizeWindow:
        if (editor) {
            if (CVSTEditorWindows* windows = GetVSTEditorWindows()) {
                windows->Resize(editor, index, static_cast<int32_t>(value));
                return 1;
            }
        }
        return 0;
    case audioMasterGetTime:
        timeInfo = VstTimeInfo{};
        timeInfo.samplePos = host->GetPosition();
        timeInfo.sampleRate = sampleRate;
        if (value & kVstTempoValid) {
            timeInfo.tempo = host->GetTempo();
            timeInfo.flags |= kVstTempoValid;
        }
        if (value & kVstTimeSigValid) {
            timeInfo.timeSigNumerator = 1;
            timeInfo.timeSigDenominator = 4;
            timeInfo.flags |= kVstTimeSigValid;
        }
        return reinterpret_cast<VstIntPtr>(&timeInfo);
    case audioMasterTempoAt:
        return static_cast<VstIntPtr>(host->GetTempo() * 10000.0);
    case audioMasterCanDo:
        if (ptr) {
            for (const char* text : kHostCanDo) {
                if (std::strncmp(static_cast<const char*>(ptr), text, std::strlen(text) + 1) == 0)
                    return 1;
            }
        }
        return 0;
    case audioMasterGetDirectory:
        return reinterpret_cast<VstIntPtr>(type->GetFolder());
    default:
        return 0;
    }
}

void CVSTAdapter::Idle()
{
    CLockGuard guard(*this);
    if (!ready.load(std::memory_order_acquire) || !effect)
        return;
    // effEditIdle is not called here: editor calls stay on the GUI thread.
    if (wantsIdle && Dispatch(effIdle) == 0)
        wantsIdle = false;
}

bool CVSTAdapter::TakeProblemReport(std::string* text)
{
    if (declinedEvents.load(std::memory_order_relaxed) && !declineTraced) {
        declineTraced = true;
        Trace("VST PlugIn %s Answered 0 To effProcessEvents; Events Are Still Sent", type->name);
    }
    if (!IsFaulted() || faultReported.exchange(true))
        return false;
    *text = FormatText("VST PlugIn <%s> Failed In %s And Is Bypassed", type->name, faultText);
    return true;
}
