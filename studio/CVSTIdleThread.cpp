#include "studio/CVSTIdleThread.h"
#include "platform/OsThread.h"
#include "studio/CVSTAdapterList.h"
#include "studio/CVSTEditorWindows.h"

namespace {
constexpr int kIdleIntervalMs = 10;
constexpr int kIdlePriority = -1;
} // namespace

CVSTIdleThread::CVSTIdleThread()
{
    SetPriority(kIdlePriority);
}

CVSTIdleThread::~CVSTIdleThread()
{
    Terminate();
}

void CVSTIdleThread::Process()
{
    CVSTAdapterList& list = CVSTAdapterList::Get();
    list.IdleRound();
    // With a GUI its editor timer tells the user, on its own thread.
    if (!GetVSTEditorWindows())
        list.TakeProblemReports(true);
    platform::SleepMilliseconds(kIdleIntervalMs);
}
