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
}

CAudioOutputManager::~CAudioOutputManager()
{
    options.outputDriver = current;
    for (CAudioOutputDriver* driver : drivers)
        delete driver;
}

CAudioOutputDriver* CAudioOutputManager::GetDriver(int32_t index) const
{
    return index >= 0 && index < DRIVER_COUNT ? drivers[index] : nullptr;
}

void CAudioOutputManager::StartOutput(RenderCallback callback)
{
    CAudioOutputDriver* driver = GetCurrentDriver();
    if (!driver->IsAvailable())
        return;
    driver->SetCallback(callback);
    if (studio && studio->GetMaster()) {
        CLockGuard lock(*studio);
        studio->PrepareForDriver(driver->GetChannels(), driver->GetSampleRate(), driver->GetBufferSize());
    }
    driver->Start();
}

void CAudioOutputManager::StopOutput()
{
    GetCurrentDriver()->Stop();
}

void CAudioOutputManager::SelectDriver(int32_t index)
{
    if (!GetDriver(index))
        Raise("CArray::GetItem - Index Out Of Bounds (%i)", index);
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
    StartOutput(RenderEntry);
}
