#pragma once
// Small machines with known behaviour for studio, render and driver tests.
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CHost.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "framework/CPort.h"
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// Common bookkeeping: how often and on which thread it was processed, and
// what the studio told it about rate and block size.
class CTestMachine : public CMachine {
public:
    explicit CTestMachine(CHost* host) : CMachine(host) {}
    void Process() override
    {
        processThread = std::this_thread::get_id();
        processCount.fetch_add(1, std::memory_order_relaxed);
        if (busy) {
            // Counts the machines inside Process at the same time.
            int inside = busy->fetch_add(1) + 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMilliseconds));
            mostInside = std::max({mostInside, inside, busy->load()});
            busy->fetch_sub(1);
        }
        Render();
    }
    virtual void Render() {}
    void SetSampleRate(int32_t hz) override
    {
        sampleRate = hz;
        ++rateCalls;
    }
    void SetBlockSize(int32_t frames) override
    {
        blockSize = frames;
        ++blockSizeCalls;
    }
    bool IsGenerator() override { return true; }
    int Processed() const { return processCount.load(std::memory_order_relaxed); }

    std::atomic<int> processCount{0};
    std::thread::id processThread;
    std::atomic<int>* busy = nullptr;
    int holdMilliseconds = 0;
    int mostInside = 0;
    int32_t sampleRate = 0;
    int32_t blockSize = 0;
    int rateCalls = 0;
    int blockSizeCalls = 0;
};

// A constant on its output (both sides of a stereo output; the right side
// may differ), plus a control input and a control output.
class CLevelMachine : public CTestMachine {
public:
    CLevelMachine(CHost* host, bool stereo = true) : CTestMachine(host)
    {
        AddPort(PORT_CONTROL_IN, "Control In");
        out = AddPort(stereo ? PORT_STEREO_AUDIO_OUT : PORT_MONO_AUDIO_OUT, "Line Out");
    }
    void Render() override
    {
        CAudioBuffer* buffer = out->audioBuffer;
        for (int32_t i = 0; i < buffer->length; ++i) {
            buffer->left[i] = left;
            if (buffer->right)
                buffer->right[i] = right;
        }
    }
    CPort* out;
    double left = 1.0;
    double right = 1.0;
};

class CMonoLevelMachine : public CLevelMachine {
public:
    explicit CMonoLevelMachine(CHost* host) : CLevelMachine(host, false) {}
};

// A ramp that continues across blocks: frame n of the stream is
// (n % 1000) / 1000, so gaps and repeats show.
class CRampMachine : public CTestMachine {
public:
    explicit CRampMachine(CHost* host) : CTestMachine(host) { out = AddPort(PORT_MONO_AUDIO_OUT, "Line Out"); }
    void Render() override
    {
        CAudioBuffer* buffer = out->audioBuffer;
        for (int32_t i = 0; i < buffer->length; ++i)
            buffer->left[i] = static_cast<double>((position + i) % 1000) / 1000.0;
        position += buffer->length;
    }
    static double Expected(int64_t frame) { return static_cast<double>(frame % 1000) / 1000.0; }
    CPort* out;
    int64_t position = 0;
};

// Copies its stereo input to its stereo output, times `gain`.
class CPassMachine : public CTestMachine {
public:
    explicit CPassMachine(CHost* host) : CTestMachine(host)
    {
        in = AddPort(PORT_STEREO_AUDIO_IN, "Line In");
        out = AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
    }
    void Render() override
    {
        for (int32_t i = 0; i < out->audioBuffer->length; ++i) {
            out->audioBuffer->left[i] = in->audioBuffer->left[i] * gain;
            out->audioBuffer->right[i] = in->audioBuffer->right[i] * gain;
        }
    }
    CPort* in;
    CPort* out;
    double gain = 1.0;
};

// Notes every event its control input holds when it is processed, and
// sends `outgoing` from its control output each block.
class CEventMachine : public CTestMachine {
public:
    explicit CEventMachine(CHost* host) : CTestMachine(host)
    {
        in = AddPort(PORT_CONTROL_IN, "Control In");
        out = AddPort(PORT_CONTROL_OUT, "Control Out");
    }
    void Render() override
    {
        std::vector<MachineEvent> block;
        for (const MachineEvent* e = in->controlBuffer->First(); e; e = in->controlBuffer->Next(e))
            block.push_back(*e);
        std::lock_guard<std::mutex> lock(seenLock);
        seen.push_back(block);
        for (const MachineEvent& e : outgoing)
            out->controlBuffer->PushEvent(&e);
    }
    std::vector<std::vector<MachineEvent>> Seen()
    {
        std::lock_guard<std::mutex> lock(seenLock);
        return seen;
    }
    CPort* in;
    CPort* out;
    std::vector<MachineEvent> outgoing;
    std::mutex seenLock;
    std::vector<std::vector<MachineEvent>> seen;
};

// Shaped like a mixer with one auxiliary loop: the normal input goes to the
// output; the first stage copies it to the late "send" output; the late
// "return" input is added to the output in ProcessLate.
class CAuxMachine : public CTestMachine {
public:
    explicit CAuxMachine(CHost* host) : CTestMachine(host)
    {
        in = AddPort(PORT_STEREO_AUDIO_IN, "Line In");
        out = AddPort(PORT_STEREO_AUDIO_OUT, "Line Out");
        send = AddPort(PORT_STEREO_LATE_OUT, "Aux Send");
        back = AddPort(PORT_STEREO_LATE_IN, "Aux Return");
    }
    void Render() override
    {
        for (int32_t i = 0; i < out->audioBuffer->length; ++i) {
            out->audioBuffer->left[i] = send->audioBuffer->left[i] = in->audioBuffer->left[i];
            out->audioBuffer->right[i] = send->audioBuffer->right[i] = in->audioBuffer->right[i];
        }
    }
    void ProcessLate() override
    {
        lateCount.fetch_add(1, std::memory_order_relaxed);
        for (int32_t i = 0; i < out->audioBuffer->length; ++i) {
            out->audioBuffer->left[i] += back->audioBuffer->left[i];
            out->audioBuffer->right[i] += back->audioBuffer->right[i];
        }
    }
    CPort* in;
    CPort* out;
    CPort* send;
    CPort* back;
    std::atomic<int> lateCount{0};
};

template <typename M>
class CTestInfo : public CMachineInfo {
public:
    CTestInfo(CHost* host, const char* typeName, const char* typeIdentifier) : host(host)
    {
        name = typeName;
        identifier = typeIdentifier;
    }
    CMachine* CreateMachine() override { return new M(host); }

private:
    CHost* host;
};
