// What hosting a VST plug-in costs: an LSP effect run as a machine inside
// the render cycle, against the same plug-in's process function called
// directly in a loop, 256 frames per block, measured alternately in one run.
//
// Counters (medians over the blocks, microseconds per block):
//   plugin_us          the plug-in's own processReplacing, called directly
//   adapter_us         CVSTAdapter::Process alone, under its lock (conversions
//                      and the call), on the same thread as plugin_us
//   render_plugin_us   a render block: ramp source -> plug-in -> master
//   render_trivial_us  the same block with a copying machine in its place
//   host_overhead_pct  (render_plugin - render_trivial - plugin) / plugin:
//                      what hosting the plug-in adds to its own time
//   adapter_overhead_pct (adapter - plugin) / plugin
//   render_ratio       render_plugin / plugin: the whole block, engine
//                      included, against the plug-in alone
#include "framework/CAudioBuffer.h"
#include "framework/CPort.h"
#include "platform/OsThread.h"
#include "platform/OsTime.h"
#include "studio/CVSTAdapter.h"
#include "studio/CVSTAdapterInfo.h"
#include "support/StudioFixture.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kFrames = 256;

struct ReleaseMachine {
    void operator()(CMachine* machine) const { machine->Release(); }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// A studio on its own host: a ramp into an effect into the master. The
// effect is the plug-in of `file`, or a machine that only copies.
struct Rig {
    explicit Rig(const char* file = nullptr)
    {
        CMachineInfo* effectType = fixture.pass;
        if (file) {
            VSTScanRecord record;
            plugInType = CVSTAdapterInfo::Probe(&fixture.host, file, &record);
            if (!plugInType)
                return;
            fixture.host.RegisterMachineInfo(plugInType);
            effectType = plugInType;
        }
        fixture.studio->NewProject();
        fixture.studio->PrepareForDriver(2, 44100, kFrames);
        CMachineContainer* ramp = fixture.studio->AddMachineOfType(fixture.ramp, 0, 0);
        effect = fixture.studio->AddMachineOfType(effectType, 0, 0);
        fixture.studio->Connect(ramp->GetConnector(0), effect->GetConnector(0), 1.0);
        fixture.studio->Connect(effect->GetConnector(1), fixture.studio->GetMaster()->GetConnector(0), 1.0);
        for (auto& channel : out)
            channel.assign(kFrames, 0.0);
        pointers[0] = out[0].data();
        pointers[1] = out[1].data();
    }
    double Block()
    {
        const int64_t start = platform::PerformanceCounterNs();
        fixture.studio->RenderBlock(2, pointers, kFrames);
        return Since(start);
    }
    static double Since(int64_t start) { return static_cast<double>(platform::PerformanceCounterNs() - start) / 1000.0; }

    CStudioFixture fixture{44100, kFrames};
    CVSTAdapterInfo* plugInType = nullptr;
    CMachineContainer* effect = nullptr;
    std::vector<double> out[2];
    double* pointers[2];
};

void BM_HostedPlugIn(benchmark::State& state, const char* file)
{
    // The workers of the render cycle run one step above normal; so does
    // this thread, so that the direct calls are not the ones preempted.
    platform::SetCurrentThreadPriority(1);
    Rig trivial;
    Rig hosted(file);
    if (!hosted.effect) {
        state.SkipWithError("plug-in not installed");
        return;
    }
    // A second instance of the plug-in outside the render cycle (the one in
    // the studio stays with its worker thread's caches): its process
    // function called directly on a ramp, and the adapter alone.
    std::unique_ptr<CVSTAdapter, ReleaseMachine> adapter(static_cast<CVSTAdapter*>(hosted.plugInType->CreateMachine()));
    AEffect* effect = adapter->GetEffect();
    CAudioBuffer* adapterIn = adapter->ports[0]->audioBuffer;
    std::vector<float> input[2];
    std::vector<float> output[2];
    float* inputs[2];
    float* outputs[2];
    for (int c = 0; c < 2; ++c) {
        input[c].resize(kFrames);
        output[c].assign(kFrames, 0.0f);
        for (int32_t i = 0; i < kFrames; ++i)
            input[c][static_cast<size_t>(i)] = static_cast<float>(i % 1000) / 1000.0f;
        inputs[c] = input[c].data();
        outputs[c] = output[c].data();
    }
    for (int32_t i = 0; i < kFrames; ++i)
        adapterIn->left[i] = adapterIn->right[i] = static_cast<double>(i % 1000) / 1000.0;

    std::vector<double> times[4];
    auto measure = [&](int which) {
        const int64_t start = platform::PerformanceCounterNs();
        switch (which) {
        case 0:
            effect->processReplacing(effect, inputs, outputs, kFrames);
            times[0].push_back(Rig::Since(start));
            break;
        case 1: {
            CLockGuard guard(*adapter);
            adapter->Process();
            times[1].push_back(Rig::Since(start));
            break;
        }
        case 2:
            times[2].push_back(hosted.Block());
            break;
        default:
            times[3].push_back(trivial.Block());
            break;
        }
    };
    for (int warm = 0; warm < 100; ++warm) {
        for (int which = 0; which < 4; ++which)
            measure(which);
    }
    for (auto& series : times)
        series.clear();
    // Each kind of block comes first in turn, so none always finds the
    // caches as another left them.
    int64_t round = 0;
    for (auto _ : state) {
        for (int k = 0; k < 4; ++k)
            measure(static_cast<int>((round + k) % 4));
        ++round;
    }

    const double pluginUs = Median(times[0]);
    const double adapterUs = Median(times[1]);
    const double renderUs = Median(times[2]);
    const double trivialUs = Median(times[3]);
    state.counters["plugin_us"] = pluginUs;
    state.counters["adapter_us"] = adapterUs;
    state.counters["render_plugin_us"] = renderUs;
    state.counters["render_trivial_us"] = trivialUs;
    state.counters["host_overhead_pct"] = (renderUs - trivialUs - pluginUs) / pluginUs * 100.0;
    state.counters["adapter_overhead_pct"] = (adapterUs - pluginUs) / pluginUs * 100.0;
    state.counters["render_ratio"] = renderUs / pluginUs;
}

BENCHMARK_CAPTURE(BM_HostedPlugIn, compressor_stereo, "/usr/lib/vst/lsp-plugins/compressor-stereo.so")
    ->Iterations(4000)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_HostedPlugIn, mb_compressor_stereo, "/usr/lib/vst/lsp-plugins/mb-compressor-stereo.so")
    ->Iterations(1000)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
