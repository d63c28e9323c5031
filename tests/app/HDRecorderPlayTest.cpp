// The HD recorder in the real program: the demo song with a stereo HD track
// put before the master, played in real time by `--play --record all` on
// the null driver, gives a WAV file with the samples that `--render` makes
// of the same project.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "audio/CStudioOptions.h"
#include "machines/CHDTrack.h"
#include "machines/CHDTrackMachine.h"
#include "studio/CConnection.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include "support/ProgramRun.h"
#include "support/TempFolder.h"
#include "support/WaveReader.h"
#include <cmath>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <vector>

namespace {

// The demo song with every cable into the master led through an HD track
// that records to `take`.
void MakeProject(const std::string& path, const std::string& take)
{
    CStudioSession session(44100, 512, [](CVelmHost& host) {
        RegisterBuiltInMachineTypes(host);
        CPlugInDiscovery discovery(&host, DiscoverySettings{});
        discovery.ScanMachineLibraries(std::string(VELMORA_BIN_DIR) + "/PlugIns");
    });
    ASSERT_EQ(session.LoadProject(std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp"), 0);
    CStudio& studio = session.Studio();
    CMachineContainer* track = studio.AddMachine(
        "Take", session.Host().FindMachineInfoByName("ZT HD Recorder Track (Stereo)"), 100, 100);
    ASSERT_NE(track, nullptr);
    static_cast<CHDTrackMachine*>(track->GetMachine())->Track()->SetFile(take, CHDTrack::FORMAT_FLOAT);
    CConnector* masterIn = studio.GetMaster()->GetConnector(0);
    std::vector<std::pair<CConnector*, double>> sources;
    while (masterIn->GetConnectionCount() > 0) {
        CConnection* cable = masterIn->GetConnection(0);
        sources.emplace_back(cable->source, cable->GetTargetVolume());
        studio.Disconnect(cable);
    }
    ASSERT_FALSE(sources.empty());
    for (const auto& [source, volume] : sources)
        ASSERT_NE(studio.Connect(source, track->GetConnector(0), volume), nullptr);
    ASSERT_NE(studio.Connect(track->GetConnector(1), masterIn, 1.0), nullptr);
    session.SaveProject(path);
}

} // namespace

TEST(HDRecorderPlayTest, RecordingWhilePlayingEqualsTheRenderedSong)
{
    TempFolder folder;
    folder.MakeFolder("config/Velmora Studio");
    CStudioOptions options;
    options.pluginPaths.clear();
    options.outputDriver = 0; // the null driver keeps real time without a device
    options.WriteTo(folder / "config/Velmora Studio/Velmora.opt");
    const std::string project = folder / "demo-recorded.vmp";
    const std::string take = folder / "take.wav";
    MakeProject(project, take);

    const std::string user = "env -u VST_PATH HOME=" + folder.Path() + " XDG_CONFIG_HOME=" + (folder / "config") + " ";
    const std::string program = std::string(VELMORA_BIN_DIR) + "/velmora-studio";
    ProgramRun play = RunProgram(user + program + " --play " + project + " --driver Null --seconds 3 --record all");
    ASSERT_TRUE(WIFEXITED(play.status));
    ASSERT_EQ(WEXITSTATUS(play.status), 0);
    ProgramRun render =
        RunProgram(user + program + " --render " + project + " " + (folder / "render.wav") + " --seconds 4 --block 512");
    ASSERT_EQ(WEXITSTATUS(render.status), 0);

    WaveFile recorded = ReadWave(take);
    WaveFile rendered = ReadWave(folder / "render.wav");
    ASSERT_TRUE(recorded.valid);
    ASSERT_TRUE(rendered.valid);
    EXPECT_EQ(recorded.format, 3);
    EXPECT_EQ(recorded.channels, 2);
    EXPECT_EQ(recorded.sampleRate, 44100u);
    EXPECT_EQ(recorded.fileSize, 44u + recorded.Frames() * 8);
    // About the three seconds played, in whole blocks.
    ASSERT_GE(recorded.Frames(), 44100u * 2);
    ASSERT_LE(recorded.Frames(), rendered.Frames());
    EXPECT_EQ(recorded.Frames() % 512, 0u);
    double energy = 0.0;
    size_t different = 0;
    for (size_t frame = 0; frame < recorded.Frames(); ++frame) {
        for (int channel = 0; channel < 2; ++channel) {
            energy += std::fabs(recorded.At(frame, channel));
            if (recorded.At(frame, channel) != rendered.At(frame, channel) && different++ < 5)
                ADD_FAILURE() << "frame " << frame << " channel " << channel << ": " << recorded.At(frame, channel)
                              << " recorded, " << rendered.At(frame, channel) << " rendered";
        }
    }
    EXPECT_EQ(different, 0u);
    EXPECT_GT(energy / recorded.Frames(), 0.001) << "the song was heard";
}
