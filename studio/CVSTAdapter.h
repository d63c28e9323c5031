#pragma once
#include "framework/CListNode.h"
#include "framework/CMachine.h"
#include "framework/VSTInterface.h"
#include <atomic>
#include <cstdint>
#include <vector>

class CPort;
class CVSTAdapterInfo;

// One instance of a VST 2.x plug-in run as a machine.
//
// Ports: "Control In" first when the plug-in answers the canDo query
// "receiveVstMIDIEvent"; then the inputs (one stereo "Line In 1" for exactly
// two, else one mono port per input) and the outputs likewise. Instruments
// that only answer the usual "receiveVstMidiEvent", or only say they are
// synthesizers, get their "Control In" after all audio ports, so that the
// indices of the layout above stay what project files expect.
//
// Every operation that calls the plug-in holds the machine's lock (it is
// recursive, so callers may hold it already): the idle thread and the
// plug-in's own threads reach a machine as soon as it exists, also while
// the studio is still preparing it.
class CVSTAdapter : public CMachine, public CListNode<CVSTAdapter> {
public:
    explicit CVSTAdapter(CVSTAdapterInfo* type);
    ~CVSTAdapter() override;

    void Process() override;
    void ResizeBuffers(int32_t frames) override;
    CControl* CreateGUI(CControl* parent) override;
    void ShowGUI() override;
    void HideGUI() override;
    double GetParameter(int32_t index) override;
    void SetParameter(int32_t index, double value) override;
    void GetParameterName(int32_t index, char* out) override;
    void GetParameterDisplay(int32_t index, char* out) override;
    void SetProgram(int32_t index) override;
    void GetProgramNameIndexed(int32_t index, char* out) override;
    void SetSampleRate(int32_t hz) override;
    void SetBlockSize(int32_t frames) override;
    void LoadState(const void* data, int32_t size, bool isParameterList) override;
    void SaveState(void** data, int32_t* size, bool* isParameterList) override;
    bool IsGenerator() override;

    // The plug-in's question through the host callback, with this machine
    // locked.
    VstIntPtr AnswerHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    // One idle round of the idle thread.
    void Idle();

    CVSTAdapterInfo* GetType() const { return type; }
    AEffect* GetEffect() const { return effect; }
    AEffect* GetListedEffect() const { return listedEffect.load(std::memory_order_acquire); }
    CPort* GetControlPort() const { return controlPort; }
    bool DeliversEvents() const { return deliverEvents; }
    bool WantsIdle() const { return wantsIdle; }
    bool ProcessesDoubles() const { return doubles; }

private:
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    // A text opcode into a zeroed buffer of plug-in size, copied to out.
    void DispatchText(VstInt32 opcode, VstInt32 index, char* out, int32_t outSize);
    VstIntPtr CanDo(const char* what);
    bool IsParameter(int32_t index) const;
    void BuildPorts(bool controlFirst, bool controlLast);
    void AddAudioPorts(int32_t channels, bool input);
    void AllocateScratch(int32_t frames);
    void PointChannels();
    void SendEvents(int32_t frames);
    void ProcessAudio(int32_t frames);

    CVSTAdapterInfo* type;
    AEffect* effect = nullptr;
    std::atomic<AEffect*> listedEffect{nullptr};
    int32_t sampleRate;
    int32_t blockSize;
    int32_t inputCount = 0;
    int32_t outputCount = 0;
    bool doubles = false;

    // Channel arrays handed to the process functions; the double ones
    // point into the ports' buffers, the float ones into the scratch.
    std::vector<double*> inputChannels;
    std::vector<double*> outputChannels;
    std::vector<float*> inputScratch;
    std::vector<float*> outputScratch;
    std::vector<float> scratch;
    int32_t processFrames = 0;

    CPort* controlPort = nullptr;
    bool deliverEvents = false;
    bool wantsIdle = false;
    bool editorVisible = false;
    CControl* editor = nullptr;
    std::atomic<bool> ready{false};

    // The block of events sent last; it stays valid until the next block.
    std::vector<VstIntPtr> pendingEventBlock;
    std::vector<VstMidiEvent> pendingEvents;

    VstTimeInfo timeInfo{};
};
