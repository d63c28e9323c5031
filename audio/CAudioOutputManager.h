#pragma once
#include "audio/CAudioOutputDriver.h"
#include <atomic>
#include <condition_variable>
#include <functional>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class CStudio;
class CStudioOptions;

// Told when the output stopped by itself. Called on the output manager's
// own thread, once per failure, after the manager went over to "Null"; a
// window hands the text to its user-interface thread for a message box.
class CAudioOutputListener {
public:
    virtual ~CAudioOutputListener() = default;
    virtual void OutputFailed(const char* driverName, const char* reason) = 0;
};

// Owns the three output drivers at their fixed indices and the choice among
// them, and starts and stops the output.
//
// A driver whose device or server goes away while playing reports it from
// one of its own threads; the manager's watch thread then stops it (never
// on the thread that reported), plays on through "Null" so that time,
// meters and MIDI go on, and tells the listener, or shows the reason when
// there is none. The user's choice is kept: selecting the driver again, or
// Reconnect, tries it anew.
class CAudioOutputManager {
public:
    enum DriverIndex : int32_t { NULL_DRIVER = 0, WAVE_OUT_DRIVER = 1, ASIO_DRIVER = 2, DRIVER_COUNT = 3 };

    // Creates the drivers (each reads its settings from the options) and
    // takes the stored choice; without one, "Wave Out" when it can run, else
    // "Null", and stores that choice.
    explicit CAudioOutputManager(CStudioOptions& options);
    // Stores the chosen driver (not a fallback) and destroys the drivers.
    ~CAudioOutputManager();
    CAudioOutputManager(const CAudioOutputManager&) = delete;
    CAudioOutputManager& operator=(const CAudioOutputManager&) = delete;

    // The studio that StartOutput prepares for the driver's settings; the
    // application sets it once the studio exists (null: none yet).
    void SetStudio(CStudio* newStudio) { studio = newStudio; }
    // Null: failures are shown through the error helper.
    void SetListener(CAudioOutputListener* newListener) { listener.store(newListener); }

    // Starts the current driver with the callback, after preparing the
    // studio for its channel count, rate and block size. A driver that
    // cannot run is left alone (the studio stays silent). `beforeStart`
    // runs once the studio is prepared, just before the driver starts (for
    // work that must not take the device's time, such as a first block).
    void StartOutput(RenderCallback callback, const std::function<void()>& beforeStart = {});
    void StopOutput();
    // Switches drivers: stops the output, hands the new rate and block size
    // to the host and the studio, and starts the output with the render entry.
    void SelectDriver(int32_t index);
    // After a failure: selects the driver that failed again (with the last
    // callback), which plays when its device or server is back. False when
    // nothing had failed.
    bool Reconnect();

    // The driver playing now ("Null" after a failure).
    int32_t GetCurrentIndex() const { return current.load(); }
    CAudioOutputDriver* GetCurrentDriver() const { return drivers[current.load()]; }
    CAudioOutputDriver* GetDriver(int32_t index) const;
    // The driver that failed and was replaced by "Null"; -1 when none.
    int32_t GetFailedIndex() const { return failedIndex.load(); }
    // The reason of the last failure (empty when none).
    std::string GetLastFailure() const;
    // Xruns of every driver since the manager was made.
    int64_t GetXruns() const;

private:
    static void OnFailure(void* context, CAudioOutputDriver* driver, const char* reason);
    void Watch();
    void FallBack(CAudioOutputDriver* failed, const std::string& reason);
    void SwitchTo(int32_t index, RenderCallback callback);

    CStudioOptions& options;
    CAudioOutputDriver* drivers[DRIVER_COUNT];
    std::atomic<int32_t> current{NULL_DRIVER};
    std::atomic<int32_t> failedIndex{-1};
    CStudio* studio = nullptr;
    std::atomic<CAudioOutputListener*> listener{nullptr};
    RenderCallback lastCallback = nullptr;
    // Between StartOutput and StopOutput: a failure reported after the
    // user stopped the output starts nothing.
    bool playing = false;
    // Taken by every start, stop and switch, and by the fallback.
    std::recursive_mutex control;

    // Failures reported by drivers, waiting for the watch thread.
    mutable std::mutex failureLock;
    std::condition_variable failureSignal;
    CAudioOutputDriver* failedDriver = nullptr;
    std::string pendingReason;
    std::string lastFailure;
    bool stopping = false;
    std::thread watch;
};

// The driver of one slot, reading its settings from the options.
CAudioOutputDriver* CreateOutputDriver(int32_t index, CStudioOptions& options);
