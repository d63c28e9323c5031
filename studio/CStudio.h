#pragma once
#include "framework/CArray.h"
#include "framework/CMutex.h"
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CConnection;
class CConnector;
class CMachineContainer;
class CMachineInfo;
class CMeterSink;
class CStudioObserver;
class CStudioSequencer;
class CVelmHost;
class CWorkerPool;

// The machine graph of a project, without any view: containers in order of
// creation, the master among them, the cables, and the render cycle that
// processes them once per block. The studio itself is the studio lock.
//
// Design note: every graph operation takes the studio lock itself (the lock
// is recursive, so callers may hold it already); the render cycle holds it
// for a whole block, so a graph change waits for the block in progress and a
// block never sees a half-changed graph. Lock order: studio, then the
// sequencer's pattern lock, then machine locks (the master's first).
// Views, editors and the sequencer register as observers; the sequencer and
// the peak meter plug in through CStudioSequencer and CMeterSink.
class CStudio : public CMutex {
public:
    explicit CStudio(CVelmHost* host);
    // Destroys every container without telling observers or the sequencer.
    ~CStudio() override;

    CVelmHost* GetHost() const { return host; }

    // Creates a machine of `type`, names it, positions its box (negative
    // coordinates become 0), gives it the host's sample rate and block
    // size, loads `state` when there is any, and appends it. A machine named
    // exactly "Master" becomes the master.
    CMachineContainer* AddMachine(const char* name, CMachineInfo* type, int32_t x, int32_t y,
                                  const void* state = nullptr, int32_t stateSize = 0, bool isParameterList = false);
    // As the machine menu does: named "%s %i" with the smallest free number.
    CMachineContainer* AddMachineOfType(CMachineInfo* type, int32_t x, int32_t y);
    std::string NewMachineName(const char* typeName);
    // Removes every cable from and to the machine, then destroys it.
    void RemoveMachine(CMachineContainer* container);
    void RenameMachine(CMachineContainer* container, const char* name);

    // Connects an output to an input (in either order), silently refusing
    // what the rules forbid; returns the new cable or null.
    CConnection* Connect(CConnector* a, CConnector* b, double volume);
    // By machine numbers and port indices, as project files store them.
    CConnection* ConnectByNumbers(int32_t sourceMachine, int32_t sourcePort, int32_t destinationMachine,
                                  int32_t destinationPort, double volume);
    void Disconnect(CConnection* connection);

    // The sequencer first (under its pattern lock), then every machine.
    void SetSampleRate(int32_t hz);
    void SetBlockSize(int32_t frames);

    // Forgets the master, clears sequence and patterns, removes every machine.
    void Clear();
    // Clear, then the one machine "Master" at (32, 32).
    void NewProject();
    // Every parameter of the machine to a pseudo-random value.
    void Randomize(CMachineContainer* container);
    // Machine numbers 0..n-1 in list order and port indices in port order.
    void NumberMachines();

    // Fits the master's inputs to the driver's channel count and hands the
    // driver's rate and block size to the host and every machine. Only with
    // a master; true when the master's ports were rebuilt.
    bool PrepareForDriver(int32_t channels, int32_t sampleRate, int32_t blockSize);

    CMachineContainer* GetFirst() const { return first; }
    CMachineContainer* GetMaster() const { return master; }
    int32_t GetContainerCount() const;
    CMachineContainer* FindByName(const char* name) const;
    CMachineContainer* FindByNumber(int32_t machineNumber) const;

    // One block of the render cycle: sequencer steps, every machine once,
    // the master's inputs times the gliding master volume into `buffers`.
    void RenderBlock(int32_t channels, double** buffers, int32_t frames);

    // The master volume the render cycle glides to (the transport's setting).
    void SetTargetMasterVolume(double volume) { targetMasterVolume.store(volume, std::memory_order_relaxed); }
    double GetTargetMasterVolume() const { return targetMasterVolume.load(std::memory_order_relaxed); }
    // Where the glide stands after the last block.
    double GetMasterVolume() const { return masterVolume; }

    void SetMeterSink(CMeterSink* sink);
    void SetSequencer(CStudioSequencer* newSequencer);
    void AddObserver(CStudioObserver* observer);
    void RemoveObserver(CStudioObserver* observer);

    // The project differs from its file: every edit a user makes that would
    // be saved marks it (views, editors, plug-in automation, from any
    // thread); load, save and new project clear it. The window polls it for
    // its title.
    void MarkChanged() { changed.store(true, std::memory_order_relaxed); }
    void ClearChanged() { changed.store(false, std::memory_order_relaxed); }
    bool IsChanged() const { return changed.load(std::memory_order_relaxed); }

    // The render cycle's worker threads, shared by the machines.
    CWorkerPool& Workers() const { return *workers; }

    // From a container: a parameter changed through the host.
    void NotifyParameterChanged(CMachineContainer* container, int32_t index, double value);

private:
    void Append(CMachineContainer* container);
    void Unlink(CMachineContainer* container);
    // True when a cable from `source` into `destination` would make
    // `destination` wait, through a chain of waits, for itself.
    bool WouldCloseWaitCycle(const CMachineContainer* source, const CMachineContainer* destination) const;
    // New connectors for the container's (changed) ports; cables to and from
    // the old ones go.
    void RebuildConnectors(CMachineContainer* container);
    void WriteMasterOutput(int32_t channels, double** buffers, int32_t frames, double& volume, double target);

    template <typename Call>
    void Notify(Call call);

    CVelmHost* host;
    std::unique_ptr<CWorkerPool> workers;
    CMachineContainer* first = nullptr;
    CMachineContainer* last = nullptr;
    CMachineContainer* master = nullptr;
    CStudioSequencer* sequencer = nullptr;
    CMeterSink* meterSink = nullptr;
    CArray<CStudioObserver> observers;
    double masterVolume = 1.0;
    std::atomic<double> targetMasterVolume{1.0};
    std::atomic<bool> changed{false};
    // Per output channel, kept between blocks: the block's peak and the
    // master's samples for that channel.
    std::vector<double> peaks;
    std::vector<const double*> channelSources;
};
