// The render cycle's own cost, measured against the machines' own work in
// the same run: blocks of 256 frames through a chain of 32 trivial machines
// and a fan-in of 32 into the master (engine overhead per machine per
// block), and two independent heavy machines (parallel block time against
// the serial sum of their work).
#include "platform/OsTime.h"
#include "support/StudioFixture.h"
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr int32_t kFrames = 256;
constexpr int kMachines = 32;

// A pass-through machine that counts the time spent inside its own Process.
class CTimedMachine : public CPassMachine {
public:
    explicit CTimedMachine(CHost* host) : CPassMachine(host) { gain = 0.5; }
    void Process() override
    {
        int64_t start = platform::PerformanceCounterNs();
        Work();
        ownNs.fetch_add(platform::PerformanceCounterNs() - start, std::memory_order_relaxed);
    }
    virtual void Work() { Render(); }
    std::atomic<int64_t> ownNs{0};
};

// About a millisecond of arithmetic per block (calibrated at start).
class CHeavyMachine : public CTimedMachine {
public:
    explicit CHeavyMachine(CHost* host) : CTimedMachine(host) {}
    void Work() override
    {
        double x = 0.1;
        for (int64_t n = 0; n < loops; ++n)
            x = x * 0.9999 + std::sqrt(x + 1.0) * 1e-6;
        CAudioBuffer* o = out->audioBuffer;
        for (int32_t n = 0; n < o->length; ++n)
            o->left[n] = o->right[n] = x * 1e-9;
    }
    static inline int64_t loops = 1;
};

void CalibrateHeavyWork()
{
    CHeavyMachine probe(nullptr);
    CHeavyMachine::loops = 100000;
    int64_t best = INT64_MAX;
    for (int i = 0; i < 5; ++i) {
        int64_t start = platform::PerformanceCounterNs();
        probe.Work();
        best = std::min(best, platform::PerformanceCounterNs() - start);
    }
    CHeavyMachine::loops = std::max<int64_t>(1, CHeavyMachine::loops * 1'000'000 / std::max<int64_t>(best, 1));
}

struct Bench {
    Bench()
    {
        timed = fixture.Register<CTimedMachine>("ZT Timed");
        heavy = fixture.Register<CHeavyMachine>("ZT Heavy");
        fixture.studio->NewProject();
        fixture.studio->PrepareForDriver(2, 44100, kFrames);
        for (auto& channel : out)
            channel.assign(kFrames, 0.0);
        pointers[0] = out[0].data();
        pointers[1] = out[1].data();
    }
    CTimedMachine* Add(CMachineInfo* type)
    {
        CMachineContainer* c = fixture.studio->AddMachineOfType(type, 0, 0);
        containers.push_back(c);
        return static_cast<CTimedMachine*>(c->GetMachine());
    }
    void Connect(CMachineContainer* from, CMachineContainer* to) { fixture.studio->Connect(from->GetConnector(1), to->GetConnector(0), 1.0); }
    int64_t OwnNs()
    {
        int64_t sum = 0;
        for (CMachineContainer* c : containers)
            sum += static_cast<CTimedMachine*>(c->GetMachine())->ownNs.exchange(0);
        return sum;
    }
    int64_t Block()
    {
        int64_t start = platform::PerformanceCounterNs();
        fixture.studio->RenderBlock(2, pointers, kFrames);
        return platform::PerformanceCounterNs() - start;
    }

    CStudioFixture fixture{44100, kFrames};
    CMachineInfo* timed;
    CMachineInfo* heavy;
    std::vector<CMachineContainer*> containers;
    std::vector<double> out[2];
    double* pointers[2];
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Block time minus the machines' own time, per machine, median over blocks.
void ReportOverhead(benchmark::State& state, Bench& bench)
{
    std::vector<double> overhead;
    std::vector<double> blocks;
    for (int warm = 0; warm < 50; ++warm)
        bench.Block();
    bench.OwnNs();
    for (auto _ : state) {
        int64_t block = bench.Block();
        int64_t own = bench.OwnNs();
        blocks.push_back(static_cast<double>(block) / 1000.0);
        overhead.push_back(static_cast<double>(block - own) / 1000.0 / kMachines);
    }
    state.counters["block_us"] = Median(blocks);
    state.counters["overhead_us_per_machine"] = Median(overhead);
}

void BM_ChainOf32(benchmark::State& state)
{
    Bench bench;
    for (int i = 0; i < kMachines; ++i) {
        bench.Add(bench.timed);
        if (i > 0)
            bench.Connect(bench.containers[static_cast<size_t>(i) - 1], bench.containers.back());
    }
    bench.Connect(bench.containers.back(), bench.fixture.studio->GetMaster());
    ReportOverhead(state, bench);
}

void BM_FanInOf32(benchmark::State& state)
{
    Bench bench;
    for (int i = 0; i < kMachines; ++i) {
        bench.Add(bench.timed);
        bench.Connect(bench.containers.back(), bench.fixture.studio->GetMaster());
    }
    ReportOverhead(state, bench);
}

// Two independent heavy machines: each block against the two machines'
// work done one after the other on this thread, alternating in one run.
void BM_TwoHeavyMachines(benchmark::State& state)
{
    CalibrateHeavyWork();
    Bench bench;
    CTimedMachine* a = bench.Add(bench.heavy);
    bench.Connect(bench.containers.back(), bench.fixture.studio->GetMaster());
    CTimedMachine* b = bench.Add(bench.heavy);
    bench.Connect(bench.containers.back(), bench.fixture.studio->GetMaster());
    std::vector<double> parallel;
    std::vector<double> serial;
    for (int warm = 0; warm < 10; ++warm)
        bench.Block();
    for (auto _ : state) {
        int64_t start = platform::PerformanceCounterNs();
        a->Work();
        b->Work();
        serial.push_back(static_cast<double>(platform::PerformanceCounterNs() - start) / 1000.0);
        parallel.push_back(static_cast<double>(bench.Block()) / 1000.0);
    }
    const double serialUs = Median(serial);
    const double parallelUs = Median(parallel);
    state.counters["serial_sum_us"] = serialUs;
    state.counters["block_us"] = parallelUs;
    state.counters["parallel_ratio"] = parallelUs / serialUs;
}

} // namespace

BENCHMARK(BM_ChainOf32)->Iterations(3000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FanInOf32)->Iterations(3000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwoHeavyMachines)->Iterations(300)->UseRealTime()->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
