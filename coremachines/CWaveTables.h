#pragma once
// The core library's context: besides the module, the host and its
// processor features, the five single-cycle tables and the three
// band-limited step tables. One instance lives for the library's lifetime;
// every machine keeps a pointer to it.
#include "coremachines/CStepTable.h"
#include "framework/MachineLibrary.h"
#include <cstdint>

// A single-cycle table; the entry after the last is the first.
struct WaveTable {
    const double* values;
    int32_t size;
};

class CWaveTables : public CLibraryContext {
public:
    static constexpr int32_t kTableSize = 8192;
    static constexpr uint16_t kStepTableResource = 149;

    // Reads the processor features from the host and fills every table;
    // the first step table comes from the library's resource.
    CWaveTables(void* module, CHost* host);

    WaveTable Sine() const { return {sine, kTableSize}; }
    WaveTable Cosine() const { return {cosine, kTableSize}; }
    WaveTable Triangle() const { return {triangle, kTableSize}; }
    WaveTable Saw() const { return {saw, kTableSize}; }
    WaveTable Square() const { return {square, kTableSize}; }

    // Minimum-phase band-limited step, 32 zero crossings, 256-fold.
    const CStepTable& Step() const { return step; }
    // Minimum-phase band-limited impulse, 8 zero crossings, 16-fold.
    const CStepTable& Impulse() const { return impulse; }
    // Running integral of the step, for shapes with slope steps.
    const CStepTable& IntegratedStep() const { return integratedStep; }

private:
    alignas(16) double sine[kTableSize];
    alignas(16) double cosine[kTableSize];
    alignas(16) double triangle[kTableSize];
    alignas(16) double saw[kTableSize];
    alignas(16) double square[kTableSize];
    CStepTable step;
    CStepTable impulse;
    CStepTable integratedStep;
};
