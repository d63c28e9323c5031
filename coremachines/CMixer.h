#pragma once
// Stereo mixing desk: eight tracks and two auxiliary buses. Tracks go
// through a three-band equaliser, feed the two sends before their level and
// balance, and are mixed into the output in Process; the buses' returns come
// back in ProcessLate, after the effects fed by the sends have run. Mute and
// solo are desk states (not parameters) set from the editor thread.
#include "coremachines/CCoreMachineInfo.h"
#include "coremachines/CEditableMachine.h"
#include "coremachines/CThreeBandEQ.h"
#include "framework/CMachine.h"
#include <atomic>
#include <cstdint>
#include <vector>

class CMixer : public CMachine {
public:
    static constexpr int32_t kTracks = 8;
    static constexpr int32_t kBuses = 2;
    static constexpr int32_t kChannels = kTracks + kBuses; // tracks, then buses
    static constexpr int32_t kTrackParameters = 7;
    static constexpr int32_t kBusParameters = 5;
    static constexpr int32_t kParameterCount = kTracks * kTrackParameters + kBuses * kBusParameters; // 66
    enum Position : int32_t { LEVEL = 0, BALANCE, LOW, MID, HIGH, SEND1, SEND2 };
    // Port numbers.
    static constexpr int32_t kOutputPort = 0;
    static int32_t TrackPort(int32_t track) { return 1 + track; }         // track 0..7
    static int32_t SendPort(int32_t bus) { return 1 + kTracks + 2 * bus; } // bus 0..1
    static int32_t ReturnPort(int32_t bus) { return 2 + kTracks + 2 * bus; }
    // Parameter numbers (track 0..7, bus 0..1).
    static int32_t TrackParameter(int32_t track, int32_t position) { return kTrackParameters * track + position; }
    static int32_t BusParameter(int32_t bus, int32_t position)
    {
        return kTracks * kTrackParameters + kBusParameters * bus + position;
    }
    // G = 10^((60·level − 48)/10): −48 dB to +12 dB, unity at 0.8.
    static double LevelGain(double level);

    explicit CMixer(CHost* host);

    void Process() override;
    void ProcessLate() override;
    double GetParameter(int32_t index) override;
    void SetParameter(int32_t index, double value) override;
    void GetParameterName(int32_t index, char* out) override;
    void GetParameterDisplayValue(int32_t index, double value, char* out) override;
    void SetSampleRate(int32_t hz) override;
    void SetBlockSize(int32_t frames) override;
    bool IsGenerator() override { return false; }

    // Appended operations of the desk (channel 0..9: tracks, then buses).
    virtual void SetMute(int32_t channel, bool on);
    virtual void SetSolo(int32_t channel, bool on);

    // For the editor: the parameter back at 0.5 (a double click).
    void ResetParameter(int32_t index);
    bool IsMuted(int32_t channel) const;
    // The soloed channel, −1 when none.
    int32_t GetSolo() const { return solo.load(std::memory_order_relaxed); }
    // The largest |output| of the channel's side (0 left, 1 right) in the
    // last block, for the meters.
    double GetPeak(int32_t channel, int32_t side) const;

private:
    struct Channel {
        CPackedThreeBandEQ eq;   // left and right, low and high chains in four lanes
        double gain[2] = {};     // smoothed left and right output gains
        double send[kBuses] = {}; // smoothed send gains (tracks)
        double band[3] = {};      // smoothed low, mid and high gains
        std::atomic<double> peak[2];
        bool fresh = true; // the smoothed values take their targets on the first block
    };
    struct Targets {
        double gain[2];
        double send[kBuses];
        double band[3];
    };

    Targets TargetsOf(int32_t channel, bool audible) const;
    bool Audible(int32_t channel, int32_t soloed) const;
    // Equalises one channel's input into `scratch` frames of both sides,
    // gliding its smoothed values; adds the output and the sends.
    void MixChannel(int32_t channel, const double* inLeft, const double* inRight, int32_t count, bool withSends);

    double values[kParameterCount];
    Channel channels[kChannels];
    std::atomic<bool> muted[kChannels];
    std::atomic<int32_t> solo{-1};
    int32_t blockSize;
    // The output summed with both sides interleaved, and the sends with
    // send 1 left and right, send 2 left and right interleaved; turned into
    // the planar port buffers once per block.
    // A std::vector of the bare four-lane type is not allocated at its
    // 32-byte alignment; one of this wrapper is.
    struct alignas(32) SendFrame {
        Double4 value;
    };
    std::vector<Double2> sums;
    std::vector<SendFrame> sendSums;
};

class CMixerInfo : public CCoreMachineInfo<CEditableMachine<CMixer, CoreEditorKind::Mixer>> {
public:
    CMixerInfo(CHost* host, const CWaveTables* tables)
        : CCoreMachineInfo(host, tables, "ZT Mixer", "VelmPlug::ZT Mixer-Stereo-8-2")
    {
    }
};
