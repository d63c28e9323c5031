#pragma once
#include "framework/CListNode.h"
#include "framework/CMachine.h"
#include "framework/VSTInterface.h"
#include <atomic>
#include <cstdint>
#include <string>
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
//
// Events go to the plug-in in every block that has some, whatever it
// answered to effProcessEvents: many instruments answer 0 and still play.
//
// A plug-in that throws from any call is not called again: the machine is
// bypassed (inputs to outputs, the rest silent) and marked faulted, and the
// user is told once. A block with non-finite output is replaced by silence
// and counted. Crashes inside a plug-in stay fatal: isolating them would
// take running the plug-in in a process of its own, with its buffers in
// shared memory and one round trip per block.
//
// Editor calls (effEditGetRect, effEditOpen, effEditClose, effEditIdle)
// come from the GUI thread only: plug-in toolkits are not thread-safe.
// effEditIdle comes from the GUI's editor timer (IdleGUI), effIdle from the
// idle thread.
class CVSTAdapter : public CMachine, public CListNode<CVSTAdapter> {
public:
    explicit CVSTAdapter(CVSTAdapterInfo* type);
    ~CVSTAdapter() override;

    void Process() override;
    void ResizeBuffers(int32_t frames) override;
    CControl* CreateGUI(CControl* parent) override;
    void ShowGUI() override;
    void HideGUI() override;
    // effEditIdle while the editor is shown; GUI thread only.
    void IdleGUI() override;
    // Closes the editor (effEditClose, then its window goes), so that
    // CreateGUI can open it again; GUI thread only.
    void CloseGUI();
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
    // Whether an editor can be opened: the plug-in has one and windows
    // that can hold it are installed.
    bool CanOpenEditor();
    // The text telling the user that the plug-in failed, once (false when
    // there is nothing new); traces a declined effProcessEvents once. Not
    // on the audio thread.
    bool TakeProblemReport(std::string* text);

    CVSTAdapterInfo* GetType() const { return type; }
    AEffect* GetEffect() const { return effect; }
    AEffect* GetListedEffect() const { return listedEffect.load(std::memory_order_acquire); }
    CPort* GetControlPort() const { return controlPort; }
    bool DeliversEvents() const { return deliverEvents; }
    // The plug-in answered 0 to effProcessEvents (kept only as a trace).
    bool DeclinedEvents() const { return declinedEvents.load(std::memory_order_relaxed); }
    // The plug-in threw: it is bypassed and no longer called.
    bool IsFaulted() const { return faulted.load(std::memory_order_acquire); }
    const char* GetFaultText() const { return faultText; }
    // Blocks whose output held NaN or infinity and were silenced.
    int32_t GetNonFiniteBlocks() const { return nonFiniteBlocks.load(std::memory_order_relaxed); }
    bool IsEditorOpen() const { return editor != nullptr; }
    bool WantsIdle() const { return wantsIdle; }
    bool ProcessesDoubles() const { return doubles; }

private:
    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    // An editor opcode: the host gets its process-wide handlers back after.
    VstIntPtr DispatchEditor(VstInt32 opcode, void* ptr = nullptr);
    // Calls into the plug-in through here catch what it throws.
    template <typename Call>
    bool Guarded(const char* what, Call call);
    void Fault(const char* what);
    void Bypass(int32_t frames);
    void Silence(int32_t frames);
    bool EditorSize(int32_t* width, int32_t* height);
    void CloseEditor();
    void SaveCurrentState(void** data, int32_t* size, bool* isParameterList);
    // A text opcode into a zeroed buffer of plug-in size, copied to out.
    void DispatchText(VstInt32 opcode, VstInt32 index, char* out, int32_t outSize);
    VstIntPtr CanDo(const char* what);
    bool IsParameter(int32_t index) const;
    void BuildPorts(bool controlFirst, bool controlLast);
    void AddAudioPorts(int32_t channels, bool input);
    void AllocateScratch(int32_t frames);
    void PointChannels();
    void SendEvents(int32_t frames);
    // True when the output held NaN or infinity.
    bool ProcessAudio(int32_t frames);

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
    std::atomic<bool> declinedEvents{false};
    bool declineTraced = false;
    std::atomic<bool> faulted{false};
    std::atomic<bool> faultReported{false};
    // Editor idle calls come without the machine lock: what the guard
    // reads and writes is atomic.
    std::atomic<bool> destroying{false};
    std::atomic<bool> rescuing{false}; // saving the state of a failed plug-in
    std::atomic<int32_t> faultCount{0};
    std::atomic<bool> faultClaimed{false};
    std::vector<unsigned char> lastLoadedState;
    bool lastLoadedIsList = false;
    char faultText[128] = {};
    std::atomic<int32_t> nonFiniteBlocks{0};

    // The block of events sent last; it stays valid until the next block.
    std::vector<VstIntPtr> pendingEventBlock;
    std::vector<VstMidiEvent> pendingEvents;

    VstTimeInfo timeInfo{};
};
