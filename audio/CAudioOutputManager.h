#pragma once
#include "audio/CAudioOutputDriver.h"
#include <cstdint>

class CStudio;
class CStudioOptions;

// Owns the three output drivers at their fixed indices and the choice among
// them, and starts and stops the output.
class CAudioOutputManager {
public:
    enum DriverIndex : int32_t { NULL_DRIVER = 0, WAVE_OUT_DRIVER = 1, ASIO_DRIVER = 2, DRIVER_COUNT = 3 };

    // Creates the drivers (each reads its settings from the options) and
    // takes the stored choice; without one, "Wave Out" when it can run, else
    // "Null", and stores that choice.
    explicit CAudioOutputManager(CStudioOptions& options);
    // Stores the current choice and destroys the drivers.
    ~CAudioOutputManager();
    CAudioOutputManager(const CAudioOutputManager&) = delete;
    CAudioOutputManager& operator=(const CAudioOutputManager&) = delete;

    // The studio that StartOutput prepares for the driver's settings; the
    // application sets it once the studio exists (null: none yet).
    void SetStudio(CStudio* newStudio) { studio = newStudio; }

    // Starts the current driver with the callback, after preparing the
    // studio for its channel count, rate and block size. A driver that
    // cannot run is left alone (the studio stays silent).
    void StartOutput(RenderCallback callback);
    void StopOutput();
    // Switches drivers: stops the output, hands the new rate and block size
    // to the host and the studio, and starts the output with the render entry.
    void SelectDriver(int32_t index);

    int32_t GetCurrentIndex() const { return current; }
    CAudioOutputDriver* GetCurrentDriver() const { return drivers[current]; }
    CAudioOutputDriver* GetDriver(int32_t index) const;

private:
    CStudioOptions& options;
    CAudioOutputDriver* drivers[DRIVER_COUNT];
    int32_t current = NULL_DRIVER;
    CStudio* studio = nullptr;
};

// The driver of one slot, reading its settings from the options.
CAudioOutputDriver* CreateOutputDriver(int32_t index, CStudioOptions& options);
