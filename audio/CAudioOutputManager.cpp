#include "audio/CAudioOutputManager.h"
#include "audio/CStudioOptions.h"
#include "audio/CNullDriver.h"
#include "audio/CASIODriver.h"
#include "audio/CWaveOutDriver.h"
#include "framework/Errors.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include "studio/RenderEntry.h"

CAudioOutputDriver* CreateOutputDriver(int32_t index, CStudioOptions& options)
{
    switch (index) {
    case CAudioOutputManager::NULL_DRIVER:
        return new CNullDriver(options);
    case CAudioOutputManager::WAVE_OUT_DRIVER:
        return new CWaveOutDriver(options);
    default:
        return new CASIODriver(options);
    }
}

CAudioOutputManager::CAudioOutputManager(CStudioOptions& options) : options(options), drivers{}
{
    try {
        for (int32_t i = 0; i < DRIVER_COUNT; ++i)
            drivers[i] = CreateOutputDriver(i, options);
    } catch (...) {
        for (CAudioOutputDriver* driver : drivers)
            delete driver;
        throw;
    }
    if (options.outputDriver >= 0 && options.outputDriver < DRIVER_COUNT) {
        current = options.outputDriver;
    } else {
        current = drivers[WAVE_OUT_DRIVER]->IsAvailable() ? WAVE_OUT_DRIVER : NULL_DRIVER;
        options.outputDriver = current;
    }
    for (CAudioOutputDriver* driver : drivers)
        driver->SetFailureHandler(&CAudioOutputManager::OnFailure, this);
    watch = std::thread(&CAudioOutputManager::Watch, this);
}

CAudioOutputManager::~CAudioOutputManager()
{
    {
        std::lock_guard lock(failureLock);
        stopping = true;
    }
    failureSignal.notify_all();
    watch.join();
    options.outputDriver = failedIndex.load() >= 0 ? failedIndex.load() : current.load();
    for (CAudioOutputDriver* driver : drivers)
        delete driver;
}

CAudioOutputDriver* CAudioOutputManager::GetDriver(int32_t index) const
{
    return index >= 0 && index < DRIVER_COUNT ? drivers[index] : nullptr;
}

void CAudioOutputManager::StartOutput(RenderCallback callback, const std::function<void()>& beforeStart)
{
    std::lock_guard lock(control);
    lastCallback = callback;
    playing = true;
    CAudioOutputDriver* driver = GetCurrentDriver();
    if (!driver->IsAvailable())
        return;
    driver->SetCallback(callback);
    if (studio && studio->GetMaster()) {
        CLockGuard studioLock(*studio);
        studio->PrepareForDriver(driver->GetChannels(), driver->GetSampleRate(), driver->GetBufferSize());
    }
    if (beforeStart)
        beforeStart();
    driver->Start();
}

void CAudioOutputManager::StopOutput()
{
    std::lock_guard lock(control);
    playing = false;
    GetCurrentDriver()->Stop();
}

void CAudioOutputManager::SelectDriver(int32_t index)
{
    if (!GetDriver(index))
        Raise("CArray::GetItem - Index Out Of Bounds (%i)", index);
    std::lock_guard lock(control);
    failedIndex = -1;
    SwitchTo(index, RenderEntry);
}

bool CAudioOutputManager::Reconnect()
{
    std::lock_guard lock(control);
    const int32_t index = failedIndex.exchange(-1);
    if (index < 0)
        return false;
    SwitchTo(index, lastCallback ? lastCallback : RenderEntry);
    return true;
}

void CAudioOutputManager::SwitchTo(int32_t index, RenderCallback callback)
{
    StopOutput();
    current = index;
    if (studio) {
        CVelmHost* host = studio->GetHost();
        const int32_t oldRate = host->GetSampleRate();
        const int32_t oldBlockSize = host->GetBlockSize();
        CAudioOutputDriver* driver = GetCurrentDriver();
        const int32_t rate = driver->GetSampleRate();
        const int32_t blockSize = driver->GetBufferSize();
        CLockGuard lock(*studio);
        host->SetSampleRateAndBlockSize(rate, blockSize);
        if (rate != oldRate)
            studio->SetSampleRate(rate);
        if (blockSize != oldBlockSize)
            studio->SetBlockSize(blockSize);
    }
    StartOutput(callback);
}

std::string CAudioOutputManager::GetLastFailure() const
{
    std::lock_guard lock(failureLock);
    return lastFailure;
}

int64_t CAudioOutputManager::GetXruns() const
{
    int64_t sum = 0;
    for (CAudioOutputDriver* driver : drivers)
        sum += driver->GetXruns();
    return sum;
}

// On the failing driver's thread: only noted here.
void CAudioOutputManager::OnFailure(void* context, CAudioOutputDriver* driver, const char* reason)
{
    auto* me = static_cast<CAudioOutputManager*>(context);
    {
        std::lock_guard lock(me->failureLock);
        if (me->failedDriver)
            return; // one report per failure is enough
        me->failedDriver = driver;
        me->pendingReason = reason;
    }
    me->failureSignal.notify_all();
}

void CAudioOutputManager::Watch()
{
    std::unique_lock lock(failureLock);
    for (;;) {
        failureSignal.wait(lock, [&] { return stopping || failedDriver; });
        if (stopping)
            return;
        CAudioOutputDriver* failed = failedDriver;
        std::string reason = pendingReason;
        lock.unlock();
        FallBack(failed, reason);
        lock.lock();
        failedDriver = nullptr;
    }
}

void CAudioOutputManager::FallBack(CAudioOutputDriver* failed, const std::string& reason)
{
    {
        std::lock_guard lock(control);
        // A driver that is no longer the playing one was stopped already.
        if (!playing || failed != GetCurrentDriver() || current.load() == NULL_DRIVER)
            return;
        failedIndex = current.load();
        SwitchTo(NULL_DRIVER, lastCallback ? lastCallback : RenderEntry);
    }
    {
        std::lock_guard lock(failureLock);
        lastFailure = reason;
    }
    Trace("Output: \"%s\" Stopped <%s>; Playing Through \"Null\"", failed->GetName(), reason.c_str());
    if (CAudioOutputListener* told = listener.load())
        told->OutputFailed(failed->GetName(), reason.c_str());
    else
        Show("%s", reason.c_str());
}
