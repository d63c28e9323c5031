#include "studio/CMachineContainer.h"
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CMachine.h"
#include "framework/CPort.h"
#include "framework/Errors.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include "studio/CWorkerPool.h"
#include "platform/OsThread.h"
#include "platform/OsTime.h"

namespace {

// Cables from a late output are not waited for (see the design note).
bool WaitsFor(const CConnection* connection)
{
    return !connection->source->GetPort()->Has(PORT_OUTPUT | PORT_LATE);
}

} // namespace

CMachineContainer::CMachineContainer(CStudio* studio, const char* name, CMachine* machine, CMachineInfo* type)
    : studio(studio), machine(machine), type(type), done(0, 0x7fffffff)
{
    machine->owner = this;
    SetName(name);
    CreateConnectors();
}

CMachineContainer::~CMachineContainer()
{
    DeleteConnectors();
    machine->Release();
}

void CMachineContainer::CreateConnectors()
{
    for (int32_t i = 0; i < machine->portCount; ++i)
        connectors.AddItem(new CConnector(this, machine->ports[i]));
}

void CMachineContainer::DeleteConnectors()
{
    connectors.DeleteAll();
}

void CMachineContainer::SetName(const char* text)
{
    name = text ? text : "";
    machine->SetName(name.c_str());
}

CConnector* CMachineContainer::GetConnector(int32_t index) const
{
    return index >= 0 && index < connectors.GetCount() ? connectors.GetItem(index) : nullptr;
}

void CMachineContainer::SetPosition(int32_t newX, int32_t newY)
{
    x = newX < 0 ? 0 : newX;
    y = newY < 0 ? 0 : newY;
}

void CMachineContainer::OwnerParameterChanged(CMachine* changed, int32_t index, double value)
{
    changed->SetParameter(index, value);
    studio->NotifyParameterChanged(this, index, value);
}

void CMachineContainer::ClearControlInputs()
{
    for (CConnector* connector : connectors) {
        CPort* port = connector->GetPort();
        if (port->Has(PORT_CONTROL | PORT_INPUT) && port->controlBuffer)
            port->controlBuffer->Clear();
    }
}

CWorkerPool& CMachineContainer::Workers() const
{
    return studio->Workers();
}

// A full queue (never seen) leaves the job counted only: the waiting
// consumer then runs it itself.
void CMachineContainer::QueueJob()
{
    pendingJobs.fetch_add(1, std::memory_order_acq_rel);
    Workers().Push(this);
}

bool CMachineContainer::TakePendingJob()
{
    int32_t pending = pendingJobs.load(std::memory_order_acquire);
    while (pending > 0) {
        if (pendingJobs.compare_exchange_weak(pending, pending - 1, std::memory_order_acq_rel))
            return true;
    }
    return false;
}

// The job is taken only when the machine is free at once: a consumer never
// blocks on a source's lock while holding its own, so running jobs inline
// adds no lock ordering between machines. A busy machine (an edit, or
// another consumer running this job) goes back to the queue.
void CMachineContainer::AwaitJob()
{
    if (TakePendingJob()) {
        if (machine->TryLock()) {
            RunDirect();
            machine->Unlock();
            return;
        }
        QueueJob();
        Workers().Wake(1);
    }
    WaitDone();
}

// While the source runs elsewhere, the waiting thread runs other queued
// jobs; with none left it polls briefly, then sleeps. The sleep is cut into
// milliseconds so that a job queued again meanwhile (its machine was busy)
// is not left waiting for a thread that sleeps.
void CMachineContainer::WaitDone()
{
    try {
        CWorkerPool& workers = Workers();
        int64_t idleSince = 0;
        for (;;) {
            if (done.TryWait())
                return;
            if (CMachineContainer* other = workers.Pop()) {
                other->RunQueued(false);
                idleSince = 0;
                continue;
            }
            const int64_t now = platform::PerformanceCounterNs();
            if (idleSince == 0)
                idleSince = now;
            if (now - idleSince < CWorkerPool::kSpinNs) {
                platform::CpuPause();
                continue;
            }
            if (done.WaitFor(1)) {
                // Pairs with ReleaseDone: a timed semaphore wait is not seen
                // as synchronisation by the thread sanitizer.
                releases.load(std::memory_order_acquire);
                return;
            }
        }
    } catch (const CError& error) {
        Show("%s", error.Text());
    }
}

void CMachineContainer::ReleaseDone()
{
    releases.fetch_add(1, std::memory_order_release);
    try {
        done.Release();
    } catch (const CError& error) {
        Show("%s", error.Text());
    }
}

// A job whose waiting consumer took it already leaves nothing to do here.
void CMachineContainer::RunQueued(bool mayBlock)
{
    if (!TakePendingJob())
        return;
    if (mayBlock) {
        machine->Lock();
    } else if (!machine->TryLock()) {
        QueueJob();
        return;
    }
    RunDirect();
    ReleaseDone();
    machine->Unlock();
}

void CMachineContainer::RunDirect()
{
    if (processed.exchange(1, std::memory_order_acq_rel) == 0)
        ProcessMachine();
}

template <typename Action>
void CMachineContainer::ForEachWaitedSource(bool late, Action action)
{
    for (CConnector* connector : connectors) {
        CPort* port = connector->GetPort();
        if (!port->IsInput() || port->IsLate() != late)
            continue;
        for (int32_t i = 0; i < connector->GetConnectionCount(); ++i) {
            CConnection* connection = connector->GetConnection(i);
            if (WaitsFor(connection))
                action(connection->source->GetContainer());
        }
    }
}

void CMachineContainer::GatherSources(bool late)
{
    CMachineContainer* firstSource = nullptr;
    int queued = 0;
    ForEachWaitedSource(late, [&](CMachineContainer* source) {
        if (!firstSource) {
            firstSource = source;
            source->pendingJobs.fetch_add(1, std::memory_order_acq_rel);
        } else {
            source->QueueJob();
            ++queued;
        }
    });
    if (queued > 0)
        Workers().Wake(queued);
    ForEachWaitedSource(late, [](CMachineContainer* source) { source->AwaitJob(); });
}

void CMachineContainer::GatherInput(CConnector* connector)
{
    CPort* port = connector->GetPort();
    if (port->IsControl()) {
        for (int32_t i = 0; i < connector->GetConnectionCount(); ++i)
            connector->GetConnection(i)->source->GetPort()->controlBuffer->CopyTo(port->controlBuffer);
    } else if (port->audioBuffer) {
        port->audioBuffer->Clear();
        for (int32_t i = 0; i < connector->GetConnectionCount(); ++i)
            connector->GetConnection(i)->MixInto(port->audioBuffer);
    }
}

void CMachineContainer::ProcessMachine()
{
    // Start every source first, so that independent sources run in parallel,
    // then wait for them.
    GatherSources(false);

    bool hasLateInputs = false;
    for (CConnector* connector : connectors) {
        CPort* port = connector->GetPort();
        if (port->Has(PORT_CONTROL | PORT_OUTPUT))
            port->controlBuffer->Clear();
        else if (port->IsInput() && port->IsLate())
            hasLateInputs = true;
        else if (port->IsInput())
            GatherInput(connector);
    }

    const int32_t blockSize = studio->GetHost()->GetBlockSize();
    for (CConnector* connector : connectors) {
        if (CControlBuffer* deferred = connector->GetDeferredEvents())
            deferred->Advance(connector->GetPort()->controlBuffer, blockSize);
    }

    machine->Process();

    if (!hasLateInputs)
        return;
    GatherSources(true);
    for (CConnector* connector : connectors) {
        CPort* port = connector->GetPort();
        if (port->IsInput() && port->IsLate())
            GatherInput(connector);
    }
    machine->ProcessLate();
}
