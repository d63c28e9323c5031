// A MIDI keyboard stand-in (a JACK MIDI client of the test) plays a
// DudeRivi through the "ZT MIDI Input" machine of a project that the real
// program plays with `--play` on its JACK driver; the notes are heard in a
// JACK capture client, and silence before the first key.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "audio/CStudioOptions.h"
#include "framework/CMachine.h"
#include "framework/CPort.h"
#include "machines/CMIDIDevices.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include "support/JackTestServer.h"
#include "support/TempFolder.h"
#include <RtMidi.h>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

CConnector* Port(CMachineContainer* machine, int32_t flags)
{
    for (int32_t i = 0; i < machine->GetConnectorCount(); ++i) {
        if (machine->GetConnector(i)->GetPort()->Has(flags))
            return machine->GetConnector(i);
    }
    return nullptr;
}

// MIDI input "Keys" (listening to `device`) into a DudeRivi into the master.
void MakeProject(const std::string& path, int32_t device)
{
    CStudioSession session(44100, 256, [](CVelmHost& host) {
        RegisterBuiltInMachineTypes(host);
        CPlugInDiscovery discovery(&host, DiscoverySettings{});
        discovery.ScanMachineLibraries(std::string(VELMORA_BIN_DIR) + "/PlugIns");
    });
    session.NewProject();
    CStudio& studio = session.Studio();
    CMachineContainer* keys = studio.AddMachine("Keys", session.Host().FindMachineInfoByName("ZT MIDI Input"), 10, 10);
    CMachineContainer* synth =
        studio.AddMachine("Synth", session.Host().FindMachineInfoByName("ZT DudeRivi"), 100, 10);
    ASSERT_NE(keys, nullptr);
    ASSERT_NE(synth, nullptr);
    ASSERT_NE(studio.Connect(Port(keys, PORT_CONTROL_OUT), Port(synth, PORT_CONTROL_IN), 1.0), nullptr);
    ASSERT_NE(studio.Connect(Port(synth, PORT_AUDIO | PORT_OUTPUT), studio.GetMaster()->GetConnector(0), 1.0),
              nullptr);
    const uint8_t state[8] = {static_cast<uint8_t>(device), 0, 0, 0, 0xff, 0xff, 0xff, 0xff};
    keys->GetMachine()->LoadState(state, 8, false);
    session.SaveProject(path);
}

double Rms(const std::vector<float>& samples, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += samples[i] * samples[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

} // namespace

TEST(MIDIKeyboardPlayTest, KeysFromAJackClientSoundInThePlayingProgram)
{
    CJackTestServer server(44100, 256);
    ASSERT_TRUE(server.Ready());
    TempFolder folder;
    folder.MakeFolder("config/Velmora Studio");
    CStudioOptions options;
    options.pluginPaths.clear();
    options.WriteTo(folder / "config/Velmora Studio/Velmora.opt");

    RtMidiOut keyboard(RtMidi::UNIX_JACK, "keyboard");
    keyboard.openVirtualPort("out");
    int32_t device = -1;
    {
        CMIDIDevices devices;
        for (int32_t i = 0; i < devices.InputCount(); ++i) {
            if (devices.Input(i)->Name() == "keyboard:out")
                device = i;
        }
    }
    ASSERT_GE(device, 0);
    const std::string project = folder / "keys.vmp";
    MakeProject(project, device);

    CJackCapture captured(1, 8.0, 44100);
    ASSERT_TRUE(captured.Ok());
    std::vector<std::string> argv = {std::string(VELMORA_BIN_DIR) + "/velmora-studio", "--play", project, "--driver",
                                     "ASIO", "--device", "JACK", "--seconds", "4"};
    std::vector<std::string> environment = {"HOME=" + folder.Path(), "XDG_CONFIG_HOME=" + (folder / "config"),
                                            "JACK_NO_START_SERVER=1", "JACK_DEFAULT_SERVER=" + server.Name(),
                                            "PATH=/usr/bin:/bin"};
    std::vector<char*> args, env;
    for (std::string& text : argv)
        args.push_back(text.data());
    args.push_back(nullptr);
    for (std::string& text : environment)
        env.push_back(text.data());
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (folder / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (folder / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

    int connected = 0;
    for (int waited = 0; waited < 10000 && connected < 1; waited += 5) {
        connected = captured.ConnectFrom("^Velmora Studio.*:out_");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(connected, 1);
    // Half a second of silence, then a key held for a second.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const size_t pressedAt = captured.Frames();
    std::vector<unsigned char> on = {0x90, 57, 110};
    keyboard.sendMessage(&on);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const size_t releasedAt = captured.Frames();
    std::vector<unsigned char> off = {0x80, 57, 0};
    keyboard.sendMessage(&off);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::vector<float>& heard = captured.Channel(0);
    ASSERT_GT(releasedAt, pressedAt + 22050);
    // Nothing before the key (the capture began before the press).
    EXPECT_LT(Rms(heard, 0, pressedAt), 1e-4);
    // The note, within a few blocks after the 80 ms placement.
    const double during = Rms(heard, pressedAt + 8820, releasedAt);
    EXPECT_GT(during, 0.01) << "the key was not heard";
    // Where it begins: not before the press plus the placement, less a
    // period for the capture's own delay.
    size_t onset = pressedAt;
    while (onset < releasedAt && std::fabs(heard[onset]) < 1e-3)
        ++onset;
    EXPECT_GE(onset + 256, pressedAt + 3528 - 512);
    EXPECT_LE(onset, pressedAt + 3528 + 4096) << "heard too late";
}
