// Start-up cost of plug-in discovery over the default VST folders (the
// Debian packages' plug-ins): with a warm scan cache against a cold one,
// side by side in one run.
#include "platform/OsPaths.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/CVelmHost.h"
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string& CacheFile()
{
    static const std::string file = [] {
        char pattern[] = "/tmp/velmora-bench-XXXXXX";
        const char* folder = mkdtemp(pattern);
        return std::string(folder ? folder : "/tmp") + "/VSTScanCache.txt";
    }();
    return file;
}

int32_t Discover()
{
    CVelmHost host(44100, 256, 0);
    DiscoverySettings settings;
    settings.scan.scannerPath = std::string(VELMORA_BIN_DIR) + "/velmora-vstscan";
    settings.cacheFile = CacheFile();
    CPlugInDiscovery discovery(&host, settings);
    return discovery.ScanVSTFolders(platform::DefaultPluginPaths());
}

void BM_DiscoveryColdCache(benchmark::State& state)
{
    int32_t types = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(CacheFile());
        state.ResumeTiming();
        types = Discover();
    }
    state.counters["types"] = types;
}
BENCHMARK(BM_DiscoveryColdCache)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_DiscoveryWarmCache(benchmark::State& state)
{
    Discover(); // fills the cache
    int32_t types = 0;
    for (auto _ : state)
        types = Discover();
    state.counters["types"] = types;
}
BENCHMARK(BM_DiscoveryWarmCache)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
