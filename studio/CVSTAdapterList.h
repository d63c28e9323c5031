#pragma once
#include "framework/CListNode.h"
#include "framework/CMutex.h"
#include "framework/VSTInterface.h"
#include <atomic>
#include <memory>
#include <string>
#include <vector>

class CHost;
class CVSTAdapter;
class CVSTIdleThread;

// Every plug-in machine of the process, in one list with its own mutex,
// and the idle thread that serves them. Lock order: this list, then a
// machine; never the other way round.
class CVSTAdapterList {
public:
    static CVSTAdapterList& Get();
    ~CVSTAdapterList();

    // The first machine ever starts the idle thread.
    void Add(CVSTAdapter* adapter);
    void Remove(CVSTAdapter* adapter);
    // The machine whose effect record is this one, for calls that come
    // before the record knows its machine. Takes the list mutex: never
    // call it while holding a machine lock.
    CVSTAdapter* FindByEffect(const AEffect* effect);
    // One idle round over all machines (the idle thread: effIdle).
    void IdleRound();
    // One round of editor idle calls (effEditIdle), from the GUI thread's
    // editor timer.
    void EditorIdleRound();
    // What the user must be told about failed plug-ins, each once; with
    // `show`, also shown (Show) after the list is let go.
    std::vector<std::string> TakeProblemReports(bool show);
    int32_t Count();
    bool IsIdleThreadRunning();

    // The studio's host, for the questions plug-ins ask before they have
    // an effect record (sample rate, block size).
    CHost* GetHost() const { return host.load(std::memory_order_acquire); }
    void SetHost(CHost* newHost) { host.store(newHost, std::memory_order_release); }

private:
    CVSTAdapterList() = default;

    CMutex mutex;
    CList<CVSTAdapter> adapters;
    std::atomic<CHost*> host{nullptr};
    std::unique_ptr<CVSTIdleThread> idleThread; // last: stopped first
};
