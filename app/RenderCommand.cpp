#include "app/RenderCommand.h"
#include "app/CStudioSession.h"
#include "app/CommandLine.h"
#include "app/OfflineRender.h"
#include "audio/CWaveFileWriter.h"
#include "framework/Errors.h"
#include "platform/OsConsole.h"
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kUsage =
    "Usage: velmora-studio --render PROJECT.vmp OUT.wav [--seconds S] [--rate HZ] [--block FRAMES]";
constexpr int32_t kDefaultRate = 44100;
constexpr int32_t kDefaultBlock = 256;

// "Rendering: 42%" on one terminal line, redrawn when the percentage moves.
class CProgressLine {
public:
    CProgressLine() : shown(platform::IsTerminal(stderr)) {}
    ~CProgressLine()
    {
        if (shown && last >= 0)
            std::fputc('\n', stderr);
    }
    void operator()(int64_t done, int64_t total)
    {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        if (!shown || percent == last)
            return;
        last = percent;
        std::fprintf(stderr, "\rRendering: %3d%%", percent);
        std::fflush(stderr);
    }

private:
    bool shown;
    int last = -1;
};

} // namespace

int RunRenderCommand(int argc, char** argv)
{
    try {
        CommandArguments arguments(argc, argv, {"--seconds", "--rate", "--block"});
        if (arguments.positional.size() != 2)
            Raise("%s", kUsage);
        const std::string& project = arguments.positional[0];
        const std::string& output = arguments.positional[1];
        const auto rate = static_cast<int32_t>(arguments.Number("--rate", kDefaultRate, 8000, 384000));
        const auto block = static_cast<int32_t>(arguments.Number("--block", kDefaultBlock, 1, 8192));
        const double seconds = arguments.Number("--seconds", -1.0, 0.0, 24.0 * 3600.0);

        CStudioSession session(rate, block, RegisterProgramMachineTypes);
        const int32_t missing = session.LoadProject(project);
        const int64_t frames =
            seconds >= 0.0 ? static_cast<int64_t>(std::llround(seconds * rate)) : session.SongFrames();

        if (frames > CWaveFileWriter::MaximumFrames(2))
            Raise("%.0f Seconds Are Too Long For A WAV File", static_cast<double>(frames) / rate);
        CWaveFileWriter wave(output, 2, rate);
        {
            CProgressLine progress;
            RenderSong(
                session, frames, [&](const double* const* channels, int32_t count) { wave.Write(channels, count); },
                [&](int64_t done, int64_t total) { progress(done, total); });
        }
        wave.Finish();
        std::printf("Rendered %lld frames (%.3f s) at %d Hz into '%s'\n", static_cast<long long>(frames),
                    static_cast<double>(frames) / rate, rate, output.c_str());
        return ProjectCommandStatus(missing, project);
    } catch (const CError& error) {
        Show("%s", error.Text());
        return COMMAND_FAILED;
    }
}
