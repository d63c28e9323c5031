// The render cycle's own cost, measured against the machines' own work in
// the same run: blocks of 256 frames through a chain of 32 trivial machines
// and a fan-in of 32 into the master (engine overhead per machine per
// block), two independent heavy machines (parallel block time against
// the serial sum of their work), and wide graphs of N independent heavy
// machines into the master (block time against the ideal: the serial sum of
// their work divided by the cores, and the cores kept busy).
#include "platform/OsThread.h"
#include "platform/OsTime.h"
#include "support/StudioFixture.h"
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cmath>
#include <ctime>

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

// About 100 µs per block of filtering and wave shaping over the block, the
// cost of a polyphonic synthesizer voice or an effect (calibrated at start).
class CFilterMachine : public CTimedMachine {
public:
    explicit CFilterMachine(CHost* host) : CTimedMachine(host) {}
    void Work() override
    {
        CAudioBuffer* o = out->audioBuffer;
        double phase = state;
        for (int64_t pass = 0; pass < passes; ++pass) {
            for (int32_t n = 0; n < o->length; ++n) {
                phase += 0.0123;
                if (phase > 1.0)
                    phase -= 2.0;
                low += (std::tanh(phase * 3.0) - low) * 0.05;
                o->left[n] = o->right[n] = low * 0.01;
            }
        }
        state = phase;
    }
    static inline int64_t passes = 1;
    double state = 0.0;
    double low = 0.0;
};

void CalibrateFilterWork(CFilterMachine& probe)
{
    CFilterMachine::passes = 20;
    int64_t best = INT64_MAX;
    for (int i = 0; i < 20; ++i) {
        int64_t start = platform::PerformanceCounterNs();
        probe.Work();
        best = std::min(best, platform::PerformanceCounterNs() - start);
    }
    CFilterMachine::passes = std::max<int64_t>(1, CFilterMachine::passes * 100'000 / std::max<int64_t>(best, 1));
}

int64_t ProcessCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// N independent filter machines into the master. Each iteration times the
// machines' work done one after the other on this thread, then one block;
// the ideal block is that serial sum divided by the cores.
void BM_WideGraph(benchmark::State& state)
{
    const int machines = static_cast<int>(state.range(0));
    Bench bench;
    CMachineInfo* filter = bench.fixture.Register<CFilterMachine>("ZT Filter");
    std::vector<CFilterMachine*> all;
    for (int i = 0; i < machines; ++i) {
        all.push_back(static_cast<CFilterMachine*>(bench.Add(filter)));
        bench.Connect(bench.containers.back(), bench.fixture.studio->GetMaster());
    }
    CalibrateFilterWork(*all[0]);
    const double cores = platform::ProcessorCount();
    std::vector<double> serial;
    std::vector<double> blocks;
    std::vector<double> busy;
    for (int warm = 0; warm < 5; ++warm)
        bench.Block();
    for (auto _ : state) {
        int64_t start = platform::PerformanceCounterNs();
        for (CFilterMachine* machine : all)
            machine->Work();
        serial.push_back(static_cast<double>(platform::PerformanceCounterNs() - start) / 1000.0);
        const int64_t cpu = ProcessCpuNs();
        const int64_t block = bench.Block();
        busy.push_back(static_cast<double>(ProcessCpuNs() - cpu) / static_cast<double>(block));
        blocks.push_back(static_cast<double>(block) / 1000.0);
    }
    const double ideal = Median(serial) / cores;
    state.counters["serial_us"] = Median(serial);
    state.counters["block_us"] = Median(blocks);
    state.counters["ideal_us"] = ideal;
    state.counters["of_ideal_pct"] = 100.0 * ideal / Median(blocks);
    state.counters["cores_used"] = Median(busy);
}

} // namespace

BENCHMARK(BM_ChainOf32)->Iterations(3000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FanInOf32)->Iterations(3000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TwoHeavyMachines)->Iterations(300)->UseRealTime()->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_WideGraph)->Arg(8)->Iterations(400)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WideGraph)->Arg(64)->Iterations(150)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WideGraph)->Arg(256)->Iterations(40)->UseRealTime()->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
