#pragma once
#include "framework/CControlBuffer.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include <atomic>
#include <cstdint>

// Plays a drawn pattern of up to 32 steps over 12 semitones while a note
// is held at its input, transposed to the held note and in time with the
// studio's tempo. Input notes are replaced by the pattern.
class CArpeggiator : public CMachine {
public:
    static constexpr int32_t kRows = 12;
    static constexpr int32_t kSteps = 32;
    static constexpr int32_t kBlobSize = 8 + kRows * kSteps;

    explicit CArpeggiator(CHost* host);

    void Process() override;
    void SetSampleRate(int32_t hz) override { sampleRate = hz; }
    void SetBlockSize(int32_t frames) override { blockSize = frames; }
    bool IsGenerator() override { return false; }
    CControl* CreateGUI(CControl* parent) override;
    void LoadState(const void* data, int32_t size, bool isParameterList) override;
    void SaveState(void** data, int32_t* size, bool* isParameterList) override;

    // Editing from the editor (main thread); the worker reads them as they
    // change, a cell at a time.
    int32_t GetStepsPerBeat() const { return stepsPerBeat.load(std::memory_order_relaxed); }
    void SetStepsPerBeat(int32_t value);
    int32_t GetLength() const { return length.load(std::memory_order_relaxed); }
    void SetLength(int32_t value);
    bool GetCell(int32_t row, int32_t step) const;
    void SetCell(int32_t row, int32_t step, bool on);

    // Frames per step at the host's current tempo (at least 1).
    int32_t StepLength();

private:
    void Generate(int32_t start, int32_t count);
    void EmitStep(int32_t frame, int32_t stepFrames);

    std::atomic<int32_t> stepsPerBeat{4};
    std::atomic<int32_t> length{kSteps};
    std::atomic<uint8_t> grid[kRows][kSteps] = {};
    bool holding = false;
    uint8_t heldKey = 0;
    int32_t step = 0;
    int32_t countdown = 0;
    CControlBuffer heldOver;
    int32_t sampleRate;
    int32_t blockSize;
};

class CArpeggiatorInfo : public CMachineInfo {
public:
    explicit CArpeggiatorInfo(CHost* host);
    CMachine* CreateMachine() override { return new CArpeggiator(host); }

private:
    CHost* host;
};
