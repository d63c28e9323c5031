// The studio window as a user meets it: the real program on the X display
// of the run (start it under `xvfb-run -a`), with the Debian VST plug-ins
// on the default paths.
//   BM_WindowShown/0: a cold scan cache (a fresh configuration each time);
//   BM_WindowShown/1: a warm one (the configuration of an earlier start).
//   BM_GuiThreadsWhilePlaying: CPU time of the GUI thread and the graphics
//   thread over 20 s while the demo song plays, in % of one core.
#include "support/TempFolder.h"
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

const std::string kProgram = std::string(VELMORA_BIN_DIR) + "/velmora-studio";
const std::string kDemo = std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp";

pid_t Start(const std::string& config, const std::string& project)
{
    pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("JACK_NO_START_SERVER", "1", 1);
        freopen("/dev/null", "w", stdout);
        freopen("/dev/null", "w", stderr);
        if (project.empty())
            execl(kProgram.c_str(), kProgram.c_str(), static_cast<char*>(nullptr));
        else
            execl(kProgram.c_str(), kProgram.c_str(), project.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid)
{
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

std::string Run(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    return out;
}

// The program's visible main window, polled.
std::string WaitForWindow(pid_t pid, double limitSeconds)
{
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(limitSeconds));
    while (Clock::now() < end) {
        std::string id = Run("xdotool search --all --onlyvisible --pid " + std::to_string(pid) +
                             " --name '^Velmora Studio( - .*)?$' 2>/dev/null | head -1");
        if (!id.empty())
            return id.substr(0, id.find('\n'));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return "";
}

// User plus system time of a thread in clock ticks.
long ThreadTicks(pid_t pid, const std::string& tid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + tid + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

std::string GraphicsThreadId(pid_t pid)
{
    return Run("grep -l '^velmora-gfx$' /proc/" + std::to_string(pid) +
               "/task/*/comm 2>/dev/null | head -1 | cut -d/ -f5 | tr -d '\\n'");
}

void BM_WindowShown(benchmark::State& state)
{
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no display: run under xvfb-run -a");
        return;
    }
    const bool warm = state.range(0) == 1;
    TempFolder folder;
    if (warm) { // one start fills the scan cache
        pid_t pid = Start(folder.MakeFolder("config"), "");
        WaitForWindow(pid, 120);
        Stop(pid);
    }
    int round = 0;
    for (auto _ : state) {
        const std::string config = warm ? folder / "config" : folder.MakeFolder("cold" + std::to_string(round++));
        const Clock::time_point start = Clock::now();
        pid_t pid = Start(config, "");
        const std::string window = WaitForWindow(pid, 120);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        Stop(pid);
        if (window.empty()) {
            state.SkipWithError("no window");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_WindowShown)->Arg(0)->Arg(1)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_GuiThreadsWhilePlaying(benchmark::State& state)
{
    if (!std::getenv("DISPLAY")) {
        state.SkipWithError("no display: run under xvfb-run -a");
        return;
    }
    TempFolder folder;
    for (auto _ : state) {
        pid_t pid = Start(folder.MakeFolder("config"), kDemo);
        const std::string window = WaitForWindow(pid, 120);
        if (window.empty()) {
            Stop(pid);
            state.SkipWithError("no window");
            return;
        }
        // Start-up ends with the graphics thread; the project loads after it.
        std::string graphics;
        for (int i = 0; i < 600 && graphics.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            graphics = GraphicsThreadId(pid);
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
        Run("xdotool windowfocus --sync " + window + " key space");
        const std::string main = std::to_string(pid);
        const long ticks0 = ThreadTicks(pid, main) + ThreadTicks(pid, graphics);
        const Clock::time_point start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(20));
        const long ticks1 = ThreadTicks(pid, main) + ThreadTicks(pid, graphics);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.counters["gui_and_graphics_cpu_pct"] =
            100.0 * static_cast<double>(ticks1 - ticks0) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
        state.counters["graphics_thread_found"] = graphics.empty() ? 0 : 1;
        Stop(pid);
    }
}
BENCHMARK(BM_GuiThreadsWhilePlaying)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
