// Renders a project's song through the render cycle block by block, as fast
// as the machines allow, and prints how long the blocks took:
//   velmora-wide-blocks PLUGINS_FOLDER PROJECT.vmp SECONDS FRAMES
// One line per half second (mean and longest block, blocks longer than the
// period), then the median, 99th percentile and longest of all. The
// xrun-prone moments of a song (pattern restarts, note releases) show
// here as the machine's own work, apart from the scheduling of a live
// driver.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "framework/Errors.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/CVelmHost.h"
#include "studio/RenderEntry.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int32_t kRate = 44100;
constexpr double kWindowSeconds = 0.5;

std::vector<double> BlockTimes(const std::string& plugIns, const std::string& project, double seconds,
                               int32_t frames)
{
    CStudioSession session(kRate, frames, [&plugIns](CVelmHost& host) {
        RegisterBuiltInMachineTypes(host);
        CPlugInDiscovery(&host, DiscoverySettings{}).ScanMachineLibraries(plugIns);
    });
    if (session.LoadProject(project) != 0)
        Raise("Machines Of '%s' Could Not Be Loaded", project.c_str());
    session.Studio().PrepareForDriver(2, kRate, frames);
    std::vector<double> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    double* buffers[2] = {left.data(), right.data()};
    CRenderRegistration registration(session.Studio());
    session.Sequencer().Song().SetPlay(true);
    const auto blocks = static_cast<size_t>(seconds * kRate / frames);
    std::vector<double> times;
    times.reserve(blocks);
    for (size_t b = 0; b < blocks; ++b) {
        const auto start = std::chrono::steady_clock::now();
        RenderEntry(2, buffers, frames);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    session.Sequencer().Song().Stop();
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "Usage: velmora-wide-blocks PLUGINS_FOLDER PROJECT.vmp SECONDS FRAMES\n");
        return 1;
    }
    const auto frames = static_cast<int32_t>(std::clamp(std::atoi(argv[4]), 16, 8192));
    std::vector<double> times;
    try {
        times = BlockTimes(argv[1], argv[2], std::atof(argv[3]), frames);
    } catch (const CError& error) {
        std::fprintf(stderr, "velmora-wide-blocks: %s\n", error.Text());
        return 1;
    }
    if (times.size() < 2)
        return 1;
    const double period = 1000.0 * frames / kRate;
    const auto window = std::max<size_t>(1, static_cast<size_t>(kWindowSeconds * kRate / frames));
    for (size_t from = 0; from < times.size(); from += window) {
        const size_t to = std::min(times.size(), from + window);
        double sum = 0.0, longest = 0.0;
        int over = 0;
        for (size_t b = from; b < to; ++b) {
            sum += times[b];
            longest = std::max(longest, times[b]);
            over += times[b] > period ? 1 : 0;
        }
        std::printf("%6.1f s  mean %.3f ms  longest %.3f ms  over the period %d\n",
                    static_cast<double>(from) * frames / kRate, sum / static_cast<double>(to - from), longest, over);
    }
    // The first block runs the machines' initial parameter events.
    std::vector<double> sorted(times.begin() + 1, times.end());
    std::sort(sorted.begin(), sorted.end());
    std::printf("median %.3f ms  p99 %.3f ms  longest %.3f ms  (period %.3f ms)\n", sorted[sorted.size() / 2],
                sorted[sorted.size() * 99 / 100], sorted.back(), period);
    return 0;
}
