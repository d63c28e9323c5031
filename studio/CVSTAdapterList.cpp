#include "studio/CVSTAdapterList.h"
#include "studio/CVSTAdapter.h"
#include "framework/Errors.h"
#include "studio/CVSTEditorWindows.h"
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

void CVSTAdapterList::EditorIdleRound()
{
    CLockGuard guard(mutex);
    for (CVSTAdapter* adapter = adapters.First(); adapter; adapter = adapter->NextNode())
        adapter->IdleGUI();
}

std::vector<std::string> CVSTAdapterList::TakeProblemReports(bool show)
{
    std::vector<std::string> reports;
    {
        CLockGuard guard(mutex);
        std::string text;
        for (CVSTAdapter* adapter = adapters.First(); adapter; adapter = adapter->NextNode()) {
            CLockGuard machine(*adapter);
            if (adapter->TakeProblemReport(&text))
                reports.push_back(text);
        }
    }
    // A message box runs its own event loop: never with a lock held.
    if (show) {
        for (const std::string& text : reports)
            Show("%s", text.c_str());
    }
    return reports;
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
