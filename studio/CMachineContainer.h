#pragma once
#include "framework/CArray.h"
#include "framework/CMachineOwner.h"
#include "framework/CSemaphore.h"
#include "studio/CConnector.h"
#include <atomic>
#include <cstdint>
#include <string>

class CMachine;
class CMachineInfo;
class CStudio;
class CWorkerPool;

// One machine in the studio: the machine itself (owned), one connector per
// port, the box position and editor state, and what the render cycle needs
// to process the machine on its own thread (worker, done semaphore,
// processed flag).
//
// Design note, the processing job: a consumer queues the job of each source
// and waits on the source's done semaphore once per queued job; every queued
// job releases exactly once, so every semaphore is back at 0 when the block
// ends. A cable from a late output is neither queued nor waited for: that
// source is the very machine waiting for the late input (or is processed
// anyway in this block), and a queued job that nobody waits for would leave
// a release for a later block to take.
//
// Jobs go to the studio's worker pool (CWorkerPool), not to a thread of
// their own. A consumer about to wait for a job that nobody has started yet
// runs it itself: waking a sleeping thread costs tens of microseconds,
// which a chain of machines would pay twice per link. Its first source is
// not even queued, only counted, as the consumer runs it next anyway (the
// thread that finishes a job runs the next ready one). Jobs count in
// `pendingJobs`; whoever takes one (a worker or the waiting consumer) runs
// it, and only a run from the queue releases the semaphore, so waits and
// releases still balance within every block. A consumer whose source is
// still running elsewhere runs other queued jobs while it waits.
class CMachineContainer final : public CMachineOwner {
public:
    enum GuiState : int32_t { GUI_BOX = 0, GUI_DEFAULT = 1, GUI_CUSTOM = 2 };

    CMachineContainer(CStudio* studio, const char* name, CMachine* machine, CMachineInfo* type);
    CStudio* GetStudio() const { return studio; }
    // Stops the worker, destroys the connectors and releases the machine.
    ~CMachineContainer();
    CMachineContainer(const CMachineContainer&) = delete;
    CMachineContainer& operator=(const CMachineContainer&) = delete;

    const char* GetName() const { return name.c_str(); }
    CMachine* GetMachine() const { return machine; }
    CMachineInfo* GetType() const { return type; }
    CMachineContainer* GetNext() const { return next; }

    int32_t GetConnectorCount() const { return connectors.GetCount(); }
    // The connector of the machine's port `index` (ports and connectors
    // share their order); null outside the range.
    CConnector* GetConnector(int32_t index) const;

    int32_t GetX() const { return x; }
    int32_t GetY() const { return y; }
    // Boxes stay in the positive quadrant.
    void SetPosition(int32_t newX, int32_t newY);
    int32_t guiState = GUI_BOX;

    // CMachineOwner: a parameter change through the host.
    void OwnerParameterChanged(CMachine* machine, int32_t index, double value) override;

    // Render cycle.
    bool IsProcessed() const { return processed.load(std::memory_order_acquire) != 0; }
    void ClearProcessed() { processed.store(0, std::memory_order_release); }
    // Clears the control buffer of every control input port.
    void ClearControlInputs();
    // Queues the job on the studio's workers (woken by the caller).
    void QueueJob();
    // Waits once for a queued job of this container, or runs it on the
    // calling thread when no worker has started it yet.
    void AwaitJob();
    // The job run on the calling thread, which already holds the machine's
    // lock: nothing is released, as nobody waits for it.
    void RunDirect();
    // Releases not yet taken: 0 between blocks.
    int32_t PendingReleases() { return done.Count(); }

private:
    friend class CStudio;

    friend class CWorkerPool;

    // A job taken from the pool's queue. A thread that holds a machine lock
    // of its own (`mayBlock` false) only runs it when the machine is free at
    // once and queues it again otherwise, so that no machine lock is waited
    // for while another is held.
    void RunQueued(bool mayBlock);
    // Takes one queued job that nobody has started; false when none is left.
    bool TakePendingJob();
    void WaitDone();
    // Steps 3 to 8 of the job: sources, inputs, Process, late inputs.
    void ProcessMachine();
    // Calls `action` with the source of every waited-for cable into the
    // late (or the other) inputs, once per cable, in port and cable order.
    template <typename Action>
    void ForEachWaitedSource(bool late, Action action);
    // Queues every waited-for source of the late (or the other) inputs but
    // the first, which is only counted, then waits for them all.
    void GatherSources(bool late);
    CWorkerPool& Workers() const;
    // Mixes the cables into an audio input, or copies their events into a
    // control input.
    void GatherInput(CConnector* connector);
    void ReleaseDone();

    // Builds one connector per port of the machine, in port order.
    void CreateConnectors();
    void DeleteConnectors();
    void SetName(const char* text);

    CStudio* studio;
    std::string name;
    CMachine* machine;
    CMachineInfo* type;
    CArray<CConnector> connectors;
    int32_t x = 0;
    int32_t y = 0;
    std::atomic<uint8_t> processed{0};
    std::atomic<int32_t> pendingJobs{0};
    // Counts releases, so that a timed wait for one also orders memory
    // where only the semaphore would.
    std::atomic<uint32_t> releases{0};
    CSemaphore done;
    CMachineContainer* previous = nullptr;
    CMachineContainer* next = nullptr;
};
