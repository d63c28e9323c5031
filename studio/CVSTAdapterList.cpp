#include "studio/CVSTAdapterList.h"
#include "studio/CVSTAdapter.h"
#include "studio/CVSTIdleThread.h"

CVSTAdapterList& CVSTAdapterList::Get()
{
    static CVSTAdapterList list;
    return list;
}

CVSTAdapterList::~CVSTAdapterList()
{
    idleThread.reset();
}

void CVSTAdapterList::Add(CVSTAdapter* adapter)
{
    CLockGuard guard(mutex);
    if (!idleThread) {
        idleThread = std::make_unique<CVSTIdleThread>();
        idleThread->Resume();
    }
    adapters.Append(adapter);
}

void CVSTAdapterList::Remove(CVSTAdapter* adapter)
{
    CLockGuard guard(mutex);
    adapters.Remove(adapter);
}

CVSTAdapter* CVSTAdapterList::FindByEffect(const AEffect* effect)
{
    CLockGuard guard(mutex);
    for (CVSTAdapter* adapter = adapters.First(); adapter; adapter = adapter->NextNode()) {
        if (adapter->GetListedEffect() == effect)
            return adapter;
    }
    return nullptr;
}

void CVSTAdapterList::IdleRound()
{
    CLockGuard guard(mutex);
    for (CVSTAdapter* adapter = adapters.First(); adapter; adapter = adapter->NextNode())
        adapter->Idle();
}

int32_t CVSTAdapterList::Count()
{
    CLockGuard guard(mutex);
    int32_t count = 0;
    for (CVSTAdapter* adapter = adapters.First(); adapter; adapter = adapter->NextNode())
        ++count;
    return count;
}

bool CVSTAdapterList::IsIdleThreadRunning()
{
    CLockGuard guard(mutex);
    return idleThread && idleThread->IsRunning();
}
