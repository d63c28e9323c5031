// The window open on the demo song, playing through the JACK driver of a
// real (dummy) JACK server at 256 frames: the tool bar's meter moves and its
// time read-out advances, drawn by the graphics thread.
#include "app/WindowTestSupport.h"
#include "audio/CAudioOutputManager.h"
#include "audio/CStudioOptions.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/view/CMainToolBar.h"
#include "sequencer/view/CTimeDisplay.h"
#include "support/JackTestServer.h"
#include "support/QtTestSupport.h"
#include "ui/CPeakMeter.h"
#include <csignal>
#include <filesystem>
#include <set>

namespace {

class PlayPathTest : public WindowFixture {
protected:
    void SetUp() override
    {
        server = std::make_unique<CJackTestServer>(44100, 256);
        ASSERT_TRUE(server->Ready());
        // The JACK driver under "ASIO", chosen in the options.
        const std::string folder = config.MakeFolder("Velmora Studio");
        config.WriteFile("Velmora Studio/AsioDrivers.reg",
                         "[HKEY_LOCAL_MACHINE\\software\\asio\\JACK]\n"
                         "\"clsid\"=\"{6A1F3C2E-9B47-4D85-A0E3-7C5B2D914F68}\"\n"
                         "\"description\"=\"JACK\"\n\n"
                         "[HKEY_CLASSES_ROOT\\clsid\\{6A1F3C2E-9B47-4D85-A0E3-7C5B2D914F68}\\InprocServer32]\n"
                         "@=\"" VELMORA_BIN_DIR "/velmora-jack-asio.so\"\n");
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        CStudioOptions options;
        options.Read();
        options.outputDriver = CAudioOutputManager::ASIO_DRIVER;
        options.asioDriver = 0;
        ASSERT_TRUE(options.Write());

        setup.startOutput = true;
        setup.registerMoreTypes = RegisterProgramLibraries;
        WindowFixture::SetUp();
    }

    std::unique_ptr<CJackTestServer> server; // outlives the application (TearDown)
};

} // namespace

TEST_F(PlayPathTest, MeterMovesAndTimeAdvancesWhileTheDemoPlays)
{
    CAudioOutputDriver* driver = application->Output()->GetCurrentDriver();
    ASSERT_EQ(application->Output()->GetCurrentIndex(), CAudioOutputManager::ASIO_DRIVER);
    ASSERT_EQ(driver->GetBufferSize(), 256);
    ASSERT_TRUE(application->OpenProjectFile(std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp"));
    ASSERT_TRUE(dialogs.boxes.empty()) << dialogs.boxes.front();

    CMainToolBar* bar = Window().ToolBar();
    CTimeDisplay* time = bar->Time();
    CPeakMeter* meter = bar->Meter();
    EXPECT_EQ(time->Text(), "00:00:00.000");
    bar->TogglePlay();
    ASSERT_TRUE(Session().Sequencer().Song().IsPlayDown());

    // Sound reaches the meter and the time moves on, from the graphics thread.
    ASSERT_TRUE(ProcessEventsUntil([&] { return time->GetSeconds() > 0.3 && meter->GetLevel(0) > -60.0; }, 15000))
        << time->Text() << " " << meter->GetLevel(0);
    std::set<double> levels;
    double last = time->GetSeconds();
    int advanced = 0;
    ProcessEventsUntil(
        [&] {
            levels.insert(meter->GetLevel(0));
            const double now = time->GetSeconds();
            advanced += now > last;
            EXPECT_GE(now, last); // never backwards while the song plays
            last = now;
            return advanced >= 10 && levels.size() >= 5;
        },
        15000);
    EXPECT_GE(advanced, 10);
    EXPECT_GE(levels.size(), 5u); // the meter moves with the music
    EXPECT_NE(time->Text(), "00:00:00.000");

    bar->TogglePlay();
    EXPECT_FALSE(Session().Sequencer().Song().IsPlayDown());
}

// The server goes away while the song plays: the window tells it once, time
// goes on through "Null", and starting the song again with a server back
// plays through JACK again.
TEST_F(PlayPathTest, AServerThatGoesAwayIsToldOnceAndPlayingAgainReconnects)
{
    ASSERT_TRUE(application->OpenProjectFile(std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp"));
    CMainToolBar* bar = Window().ToolBar();
    CTimeDisplay* time = bar->Time();
    bar->TogglePlay();
    ASSERT_TRUE(ProcessEventsUntil([&] { return time->GetSeconds() > 0.2; }, 15000)) << time->Text();

    server->Stop(SIGTERM);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !dialogs.boxes.empty(); }, 10000));
    EXPECT_NE(dialogs.boxes.front().find("JACK"), std::string::npos) << dialogs.boxes.front();
    EXPECT_GE(application->Output()->GetFailedIndex(), 0);
    const double at = time->GetSeconds();
    EXPECT_TRUE(ProcessEventsUntil([&] { return time->GetSeconds() > at + 0.2; }, 10000)) << "time stood still";
    EXPECT_EQ(dialogs.boxes.size(), 1u);

    ASSERT_TRUE(server->Restart());
    bar->TogglePlay();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !Session().Sequencer().Song().IsSongPlaying(); }, 5000));
    ProcessEventsUntil([] { return false; }, 300); // the window sees the song stopped
    bar->TogglePlay();
    ASSERT_TRUE(ProcessEventsUntil([&] { return application->Output()->GetFailedIndex() < 0; }, 10000));
    EXPECT_EQ(application->Output()->GetCurrentIndex(), CAudioOutputManager::ASIO_DRIVER);
    bar->TogglePlay();
}
