#include "studio/CStudio.h"
#include "framework/CHostMutex.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "framework/CPort.h"
#include "framework/Errors.h"
#include "studio/CMachineContainer.h"
#include "studio/CMaster.h"
#include "studio/CStudioObserver.h"
#include "studio/CStudioSequencer.h"
#include "studio/CWorkerPool.h"
#include "studio/CVelmHost.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int32_t kPortKindBits = PORT_AUDIO | PORT_CONTROL;

} // namespace

// Holds the machine locks of both ends of a cable. They are taken in one
// fixed order, the master's first and the others by address, so that no
// two edits ever take a pair of machine locks in opposite orders.
class CMachinePairLock {
public:
    CMachinePairLock(const CStudio& studio, const CConnection& cable)
    {
        CMachineContainer* a = cable.source->GetContainer();
        CMachineContainer* b = cable.destination->GetContainer();
        bool aFirst = a == studio.GetMaster() || (b != studio.GetMaster() && std::less<CMachineContainer*>()(a, b));
        first = (aFirst ? a : b)->GetMachine();
        second = (aFirst ? b : a)->GetMachine();
        first->Lock();
        second->Lock();
    }
    ~CMachinePairLock()
    {
        second->Unlock();
        first->Unlock();
    }
    CMachinePairLock(const CMachinePairLock&) = delete;
    CMachinePairLock& operator=(const CMachinePairLock&) = delete;

private:
    CMachine* first;
    CMachine* second;
};

CStudio::CStudio(CVelmHost* host) : host(host), workers(std::make_unique<CWorkerPool>()) {}

CStudio::~CStudio()
{
    CLockGuard lock(*this);
    master = nullptr;
    while (first) {
        CMachineContainer* container = first;
        Unlink(container);
        delete container;
    }
}

template <typename Call>
void CStudio::Notify(Call call)
{
    for (CStudioObserver* observer : observers)
        call(observer);
}

void CStudio::AddObserver(CStudioObserver* observer)
{
    CLockGuard lock(*this);
    if (observers.IndexOf(observer) < 0)
        observers.AddItem(observer);
}

void CStudio::RemoveObserver(CStudioObserver* observer)
{
    CLockGuard lock(*this);
    observers.Remove(observer);
}

void CStudio::SetMeterSink(CMeterSink* sink)
{
    CLockGuard lock(*this);
    meterSink = sink;
}

void CStudio::SetSequencer(CStudioSequencer* newSequencer)
{
    CLockGuard lock(*this);
    sequencer = newSequencer;
}

void CStudio::NotifyParameterChanged(CMachineContainer* container, int32_t index, double value)
{
    Notify([&](CStudioObserver* observer) { observer->ParameterChanged(container, index, value); });
}

void CStudio::Append(CMachineContainer* container)
{
    container->previous = last;
    container->next = nullptr;
    if (last)
        last->next = container;
    else
        first = container;
    last = container;
}

void CStudio::Unlink(CMachineContainer* container)
{
    if (container->previous)
        container->previous->next = container->next;
    else
        first = container->next;
    if (container->next)
        container->next->previous = container->previous;
    else
        last = container->previous;
    container->previous = container->next = nullptr;
}

int32_t CStudio::GetContainerCount() const
{
    int32_t count = 0;
    for (CMachineContainer* container = first; container; container = container->next)
        ++count;
    return count;
}

CMachineContainer* CStudio::AddMachine(const char* name, CMachineInfo* type, int32_t x, int32_t y, const void* state,
                                       int32_t stateSize, bool isParameterList)
{
    // Creating a machine may take long (a plug-in loads): not under the lock.
    CMachine* machine = type->CreateMachine();
    if (!machine)
        Raise("Machine <%s> Not Found", type->name);
    CMachineContainer* container;
    try {
        // A machine hears the rate and block size before its first Process.
        machine->SetSampleRate(host->GetSampleRate());
        machine->ResizeBuffers(host->GetBlockSize());
        machine->SetBlockSize(host->GetBlockSize());
        // Loaded while it has no owner yet, so no observer hears of a
        // machine that is not in the studio.
        if (state && stateSize > 0)
            machine->LoadState(state, stateSize, isParameterList);
        container = new CMachineContainer(this, name, machine, type);
    } catch (...) {
        machine->Release();
        throw;
    }
    container->SetPosition(x, y);

    CLockGuard lock(*this);
    Append(container);
    if (std::strcmp(container->GetName(), "Master") == 0)
        master = container;
    Notify([&](CStudioObserver* observer) { observer->MachineAdded(container); });
    return container;
}

std::string CStudio::NewMachineName(const char* typeName)
{
    CLockGuard lock(*this);
    for (int32_t number = 1;; ++number) {
        std::string candidate = FormatText("%s %i", typeName, number);
        if (!FindByName(candidate.c_str()))
            return candidate;
    }
}

CMachineContainer* CStudio::AddMachineOfType(CMachineInfo* type, int32_t x, int32_t y)
{
    CLockGuard lock(*this);
    return AddMachine(NewMachineName(type->name).c_str(), type, x, y);
}

void CStudio::RemoveMachine(CMachineContainer* container)
{
    CLockGuard lock(*this);
    for (CMachineContainer* other = first; other; other = other->next) {
        for (CConnector* connector : other->connectors)
            connector->DeleteConnectionsFrom(container);
    }
    Unlink(container);
    if (master == container)
        master = nullptr;
    Notify([&](CStudioObserver* observer) { observer->MachineRemoved(container); });
    // Its own connectors go with it, and with them the cables into it.
    delete container;
}

void CStudio::RenameMachine(CMachineContainer* container, const char* name)
{
    CLockGuard lock(*this);
    if (std::strcmp(container->GetName(), name) == 0)
        return;
    {
        CLockGuard machineLock(*container->GetMachine());
        container->SetName(name);
    }
    Notify([&](CStudioObserver* observer) { observer->MachineRenamed(container); });
}

bool CStudio::WouldCloseWaitCycle(const CMachineContainer* source, const CMachineContainer* destination) const
{
    // The destination would wait for the source; look for a chain of waits
    // from the source back to the destination. Cables from late outputs
    // make no one wait.
    std::vector<const CMachineContainer*> pending{source};
    std::vector<const CMachineContainer*> seen{source};
    while (!pending.empty()) {
        const CMachineContainer* waiting = pending.back();
        pending.pop_back();
        if (waiting == destination)
            return true;
        for (CConnector* connector : waiting->connectors) {
            for (int32_t i = 0; i < connector->GetConnectionCount(); ++i) {
                CConnector* from = connector->GetConnection(i)->source;
                if (from->GetPort()->Has(PORT_OUTPUT | PORT_LATE))
                    continue;
                const CMachineContainer* next = from->GetContainer();
                if (std::find(seen.begin(), seen.end(), next) == seen.end()) {
                    seen.push_back(next);
                    pending.push_back(next);
                }
            }
        }
    }
    return false;
}

CConnection* CStudio::Connect(CConnector* a, CConnector* b, double volume)
{
    if (!a || !b)
        return nullptr;
    CLockGuard lock(*this);
    CPort* portA = a->GetPort();
    CPort* portB = b->GetPort();
    if (portA->owner == portB->owner)
        return nullptr;
    if ((portA->flags & kPortKindBits) != (portB->flags & kPortKindBits) || (portA->flags & kPortKindBits) == 0)
        return nullptr;
    if (portA->IsOutput() == portB->IsOutput())
        return nullptr;
    CConnector* output = portA->IsOutput() ? a : b;
    CConnector* input = portA->IsOutput() ? b : a;
    if (!input->GetPort()->IsInput() || input->FindConnectionFrom(output))
        return nullptr;
    // A cycle of waits would hang the render cycle for good.
    if (!output->GetPort()->IsLate() && WouldCloseWaitCycle(output->GetContainer(), input->GetContainer()))
        return nullptr;

    auto* connection = new CConnection(output, input, volume);
    {
        CMachinePairLock machines(*this, *connection);
        input->AddConnection(connection);
    }
    Notify([](CStudioObserver* observer) { observer->ConnectionsChanged(); });
    return connection;
}

CConnection* CStudio::ConnectByNumbers(int32_t sourceMachine, int32_t sourcePort, int32_t destinationMachine,
                                       int32_t destinationPort, double volume)
{
    CLockGuard lock(*this);
    CMachineContainer* source = FindByNumber(sourceMachine);
    CMachineContainer* destination = FindByNumber(destinationMachine);
    if (!source || !destination)
        return nullptr;
    CConnector* from = source->GetConnector(sourcePort);
    CConnector* to = destination->GetConnector(destinationPort);
    if (!from || !to)
        return nullptr;
    return Connect(from, to, volume);
}

void CStudio::Disconnect(CConnection* connection)
{
    CLockGuard lock(*this);
    {
        CMachinePairLock machines(*this, *connection);
        connection->destination->DeleteConnection(connection);
    }
    Notify([](CStudioObserver* observer) { observer->ConnectionsChanged(); });
}

void CStudio::SetSampleRate(int32_t hz)
{
    CLockGuard lock(*this);
    if (sequencer) {
        CLockGuard patternLock(sequencer->PatternLock());
        sequencer->SetSampleRate(hz);
    }
    for (CMachineContainer* container = first; container; container = container->next) {
        CLockGuard machineLock(*container->GetMachine());
        container->GetMachine()->SetSampleRate(hz);
    }
}

void CStudio::SetBlockSize(int32_t frames)
{
    CLockGuard lock(*this);
    if (sequencer) {
        CLockGuard patternLock(sequencer->PatternLock());
        sequencer->SetBlockSize(frames);
    }
    for (CMachineContainer* container = first; container; container = container->next) {
        CMachine* machine = container->GetMachine();
        CLockGuard machineLock(*machine);
        machine->ResizeBuffers(frames);
        machine->SetBlockSize(frames);
    }
}

void CStudio::Clear()
{
    CLockGuard lock(*this);
    master = nullptr;
    if (sequencer) {
        sequencer->ClearSequence();
        CLockGuard patternLock(sequencer->PatternLock());
        sequencer->ClearPatterns();
    }
    while (first)
        RemoveMachine(first);
    Notify([](CStudioObserver* observer) { observer->StudioCleared(); });
}

void CStudio::NewProject()
{
    CLockGuard lock(*this);
    Clear();
    CMachineInfo* type = host->FindMachineInfoByName("Master");
    if (!type)
        Raise("Machine <%s> Not Found", "Master");
    AddMachine("Master", type, 32, 32);
}

void CStudio::Randomize(CMachineContainer* container)
{
    CMachine* machine = container->GetMachine();
    CLockGuard machineLock(*machine);
    if (machine->parameterCount <= 0)
        return;
    machine->BeginProgramChange();
    for (int32_t i = 0; i < machine->parameterCount; ++i) {
        // The generator's range is 0..32767 wherever the program runs.
        int r = std::rand() & 0x7fff;
        double value = static_cast<float>(r) / 32767.0f;
        machine->SetParameter(i, value);
        NotifyParameterChanged(container, i, value);
    }
    machine->EndProgramChange();
}

void CStudio::NumberMachines()
{
    CLockGuard lock(*this);
    int32_t number = 0;
    for (CMachineContainer* container = first; container; container = container->next) {
        CMachine* machine = container->GetMachine();
        machine->machineNumber = number++;
        for (int32_t i = 0; i < machine->portCount; ++i)
            machine->ports[i]->portIndex = i;
    }
}

CMachineContainer* CStudio::FindByName(const char* name) const
{
    for (CMachineContainer* container = first; container; container = container->next) {
        if (std::strcmp(container->GetName(), name) == 0)
            return container;
    }
    return nullptr;
}

CMachineContainer* CStudio::FindByNumber(int32_t machineNumber) const
{
    for (CMachineContainer* container = first; container; container = container->next) {
        if (container->GetMachine()->machineNumber == machineNumber)
            return container;
    }
    return nullptr;
}

void CStudio::RebuildConnectors(CMachineContainer* container)
{
    for (CMachineContainer* other = first; other; other = other->next) {
        for (CConnector* connector : other->connectors)
            connector->DeleteConnectionsFrom(container);
    }
    container->DeleteConnectors();
    container->CreateConnectors();
    Notify([](CStudioObserver* observer) { observer->ConnectionsChanged(); });
}

bool CStudio::PrepareForDriver(int32_t channels, int32_t sampleRate, int32_t blockSize)
{
    CLockGuard lock(*this);
    if (!master)
        return false;
    CMachine* machine = master->GetMachine();
    bool rebuilt;
    {
        // Only around the ports: the sequencer's pattern lock, which the
        // rates below take, comes before machine locks.
        CLockGuard masterLock(*machine);
        auto* masterMachine = dynamic_cast<CMaster*>(machine);
        rebuilt = masterMachine && masterMachine->RebuildInputPorts(channels);
    }
    host->SetSampleRateAndBlockSize(sampleRate, blockSize);
    SetSampleRate(sampleRate);
    SetBlockSize(blockSize);
    if (rebuilt)
        RebuildConnectors(master);
    return rebuilt;
}
