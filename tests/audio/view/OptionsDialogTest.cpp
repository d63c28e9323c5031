// The options dialog on the real output drivers (the ALSA test devices, the
// test low-latency driver and the JACK driver without a server), driven
// with keys and clicks on its real widgets.
#include "audio/CASIODriver.h"
#include "audio/CAudioOutputManager.h"
#include "audio/CNullDriver.h"
#include "audio/CStudioOptions.h"
#include "audio/CWaveOutDriver.h"
#include "audio/drivers/test/CTestASIODriver.h"
#include "audio/view/CASIOOutOptions.h"
#include "audio/view/CAudioOutOptions.h"
#include "audio/view/COptionsDialog.h"
#include "audio/view/CVSTPaths.h"
#include "support/AudioTestEnvironment.h"
#include "support/QtTestSupport.h"
#include "ui/CButton.h"
#include "ui/CComboBox.h"
#include "ui/CIconList.h"
#include "ui/CLabel.h"
#include "ui/CListBox.h"
#include "ui/CSlider.h"
#include "ui/UserDialogs.h"
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace {

const bool environment = testenv::UseTestDevices();
constexpr const char* kTestClass = "{5E1D0C7B-3A29-4F18-8E67-0000000000C4}";
constexpr const char* kJackClass = "{6A1F3C2E-9B47-4D85-A0E3-7C5B2D914F68}";

// The registry of the ASIO drivers: the test driver, then the JACK driver
// (whose server is not running here).
void WriteDriverRegistry(const std::string& config)
{
    std::filesystem::create_directories(config + "/Velmora Studio");
    std::ofstream(config + "/Velmora Studio/AsioDrivers.reg")
        << "[HKEY_LOCAL_MACHINE\\software\\asio\\Test]\n\"clsid\"=\"" << kTestClass << "\"\n"
        << "[HKEY_CLASSES_ROOT\\clsid\\" << kTestClass << "\\InprocServer32]\n@=\"" VELMORA_TEST_DIR
        << "/velmora-test-asio.so\"\n"
        << "[HKEY_LOCAL_MACHINE\\software\\asio\\JACK]\n\"clsid\"=\"" << kJackClass << "\"\n"
        << "[HKEY_CLASSES_ROOT\\clsid\\" << kJackClass << "\\InprocServer32]\n@=\"" VELMORA_BIN_DIR
        << "/velmora-jack-asio.so\"\n";
    platform::ClassId id{};
    platform::ClassIdFromString(kTestClass, &id);
    TestASIOConfig asio;
    asio.outputs = 6;
    asio.rateFlags = 4 | 8;
    asio.minimumSize = 64;
    asio.maximumSize = 2048;
    asio.preferredSize = 256;
    asio.granularity = 64;
    TestASIOConfigure(&id, &asio);
}

// Answers the folder browser with a prepared folder and remembers its title.
class CFolderAnswer : public CUserDialogs {
public:
    bool OpenFile(CControl*, const std::string&, const std::string&, std::string&) override { return false; }
    bool SaveFile(CControl*, const std::string&, const std::string&, std::string&) override { return false; }
    bool BrowseFolder(CControl*, const std::string& title, std::string& path) override
    {
        titles.push_back(title);
        if (answer.empty())
            return false;
        path = answer;
        return true;
    }
    int32_t MessageBox(CControl*, const std::string&, const std::string&, uint32_t) override { return kAnswerOk; }

    std::string answer;
    std::vector<std::string> titles;
};

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        config = testenv::UsePrivateConfigFolder("options-dialog");
        WriteDriverRegistry(config);
        capture = config + "/capture.raw";
        setenv("VELMORA_TEST_PCM_FILE", capture.c_str(), 1);
        options.waveOutDevice = testenv::WaveOutDeviceIndex("velmora_test");
        ASSERT_GE(options.waveOutDevice, 0);
    }

    void TearDown() override
    {
        dialog.reset();
        if (output)
            output->StopOutput();
        output.reset();
    }

    // The manager on the options as they are now, and the dialog over it;
    // restarts go to the real manager and are counted.
    void Open()
    {
        output = std::make_unique<CAudioOutputManager>(options);
        OptionsServices services;
        services.options = &options;
        services.output = output.get();
        services.selectDriver = [this](int32_t index) {
            restarts.push_back(index);
            output->SelectDriver(index);
        };
        services.pathsChanged = [this](const std::vector<std::string>& now, const std::vector<std::string>& before) {
            pathChanges.emplace_back(now, before);
        };
        dialog = std::make_unique<COptionsDialog>(nullptr, std::move(services));
        dialog->Show(kShow);
    }

    CAudioOutOptions& Audio() { return *dialog->AudioPage(); }

    static QComboBox* Combo(CComboBox* combo) { return combo->Window()->findChild<QComboBox*>(); }
    static QSlider* Slider(CSlider* slider) { return slider->Window()->findChild<QSlider*>(); }

    // Chooses the combo's entry with the arrow keys, as a user does.
    static void ChooseWithKeys(CComboBox* control, int32_t index)
    {
        QComboBox* combo = Combo(control);
        combo->setFocus();
        while (combo->currentIndex() < index)
            QTest::keyClick(combo, Qt::Key_Down);
        while (combo->currentIndex() > index)
            QTest::keyClick(combo, Qt::Key_Up);
    }

    // Home, then page steps up to the position (in tenths of a thousand).
    static void SlideTo(CSlider* control, int pageSteps)
    {
        QSlider* slider = Slider(control);
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        for (int i = 0; i < pageSteps; ++i)
            QTest::keyClick(slider, Qt::Key_PageUp);
    }

    void ClickApply() { QTest::mouseClick(dialog->ApplyButton()->Window()->findChild<QPushButton*>(), Qt::LeftButton); }

    std::string config;
    std::string capture;
    CStudioOptions options;
    std::unique_ptr<CAudioOutputManager> output;
    std::unique_ptr<COptionsDialog> dialog;
    std::vector<int32_t> restarts;
    std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> pathChanges;
};

} // namespace

TEST_F(OptionsDialogTest, SizeFollowsTheStoredSizeWithinItsMinimumAndIsStoredOnClosing)
{
    options.outputDriver = CAudioOutputManager::NULL_DRIVER;
    Open();
    EXPECT_EQ(dialog->Width(), 640);
    EXPECT_EQ(dialog->Height(), 320);
    EXPECT_EQ(dialog->ApplyButton()->X(), 640 - 72);
    EXPECT_EQ(dialog->ApplyButton()->Y(), 320 - 32);
    EXPECT_EQ(Audio().Width(), 640 - 126);
    EXPECT_EQ(Audio().Height(), 320 - 48);

    // Never smaller than 400 x 280, and the parts keep their places.
    dialog->Window()->resize(300, 150);
    ASSERT_TRUE(ProcessEventsUntil([&] { return dialog->Width() == 400; }));
    EXPECT_EQ(dialog->Height(), 280);
    EXPECT_EQ(dialog->ApplyButton()->X(), 400 - 72);
    EXPECT_EQ(Audio().Width(), 400 - 126);
    EXPECT_EQ(Audio().DriverFrame(0)->Width(), 400 - 126 - 16);

    dialog->Window()->close();
    EXPECT_FALSE(dialog->IsVisible());
    EXPECT_EQ(options.dialogWidth, 400);
    EXPECT_EQ(options.dialogHeight, 280);
    EXPECT_TRUE(restarts.empty()) << "closing an unchanged dialog restarted the output";

    // A stored size below the minimum opens at the minimum.
    dialog.reset();
    options.dialogWidth = 300;
    options.dialogHeight = 200;
    output.reset();
    Open();
    EXPECT_EQ(dialog->Width(), 400);
    EXPECT_EQ(dialog->Height(), 280);
}

TEST_F(OptionsDialogTest, PagesAreMadeWhenFirstShownAndSwitchedByTheIconList)
{
    options.outputDriver = CAudioOutputManager::NULL_DRIVER;
    Open();
    ASSERT_NE(dialog->AudioPage(), nullptr);
    EXPECT_EQ(dialog->PathsPage(), nullptr);
    EXPECT_EQ(dialog->Pages()->GetCount(), 2);
    QListWidget* icons = dialog->Pages()->Window()->findChild<QListWidget*>();
    ASSERT_NE(icons, nullptr);
    EXPECT_EQ(icons->item(0)->text().toStdString(), "Audio Output");
    EXPECT_EQ(icons->item(1)->text().toStdString(), "VST Paths");
    icons->setFocus();
    QTest::keyClick(icons, Qt::Key_Down);
    ASSERT_NE(dialog->PathsPage(), nullptr);
    EXPECT_TRUE(dialog->PathsPage()->IsVisible());
    EXPECT_FALSE(dialog->AudioPage()->IsVisible());
    EXPECT_EQ(dialog->PathsPage()->X(), 112);
    EXPECT_EQ(dialog->PathsPage()->Y(), 8);
    EXPECT_FALSE(dialog->ApplyButton()->Window()->isEnabled());
}

TEST_F(OptionsDialogTest, SliderPositionsGiveTheBlockSizesOfEachDriver)
{
    options.outputDriver = CAudioOutputManager::NULL_DRIVER;
    Open();
    const int32_t storedWaveOutSize = options.waveOutBufferSize;
    auto* null = Audio().DriverFrame(CAudioOutputManager::NULL_DRIVER);
    ASSERT_TRUE(null->IsVisible());
    EXPECT_EQ(null->FormatList()->GetCount(), 20);
    EXPECT_EQ(null->FormatList()->GetString(null->FormatList()->GetCurSel()), "44.1kHz, 16bit, Stereo");

    SlideTo(null->BufferSlider(), 50); // 0.5
    EXPECT_EQ(null->EditedBufferSize(), 4096);
    EXPECT_EQ(null->SamplesLabel()->Text(), "Samples: 4096");
    QTest::keyClick(Slider(null->BufferSlider()), Qt::Key_End);
    EXPECT_EQ(null->EditedBufferSize(), 8192);
    QTest::keyClick(Slider(null->BufferSlider()), Qt::Key_Home);
    EXPECT_EQ(null->EditedBufferSize(), 512);
    EXPECT_TRUE(dialog->IsChanged());
    EXPECT_TRUE(dialog->ApplyButton()->Window()->isEnabled());

    ChooseWithKeys(Audio().DriverList(), CAudioOutputManager::WAVE_OUT_DRIVER);
    auto* wave = Audio().DriverFrame(CAudioOutputManager::WAVE_OUT_DRIVER);
    ASSERT_TRUE(wave->IsVisible());
    EXPECT_FALSE(null->IsVisible());
    SlideTo(wave->BufferSlider(), 50);
    EXPECT_EQ(wave->EditedBufferSize(), 9216);
    EXPECT_EQ(wave->SamplesLabel()->Text(), "Samples: 9216");
    // Nothing reaches a driver before Apply.
    EXPECT_EQ(dynamic_cast<CNullDriver*>(output->GetDriver(0))->GetChosenBufferSize(), 512);
    EXPECT_EQ(options.waveOutBufferSize, storedWaveOutSize);

    // The ASIO frame follows the chosen driver's range and granularity.
    ChooseWithKeys(Audio().DriverList(), CAudioOutputManager::ASIO_DRIVER);
    auto* asio = dynamic_cast<CASIOOutOptions*>(Audio().DriverFrame(CAudioOutputManager::ASIO_DRIVER));
    ASSERT_NE(asio, nullptr);
    EXPECT_EQ(asio->DeviceList()->GetCount(), 2);
    EXPECT_EQ(asio->DeviceList()->GetString(1), "JACK");
    SlideTo(asio->BufferSlider(), 50);
    EXPECT_EQ(asio->EditedBufferSize(), 1024); // 64 + int(1984 * 0.5) = 1056, down to 1024
    EXPECT_EQ(asio->SamplesLabel()->Text(), "Samples: 1024");
    EXPECT_EQ(asio->ChannelsLabel()->Text(), "Channels: 6");
    EXPECT_EQ(asio->FormatList()->GetCount(), 2);
    EXPECT_EQ(asio->FormatList()->GetString(0), "44.1kHz");
    EXPECT_EQ(asio->FormatList()->GetString(1), "48.0kHz");
    EXPECT_EQ(asio->StatusLabel()->Text(), "");
}

TEST_F(OptionsDialogTest, JackDriverWithoutAServerIsListedAndSaysWhy)
{
    options.outputDriver = CAudioOutputManager::ASIO_DRIVER;
    options.asioDriver = 1;
    Open();
    auto* asio = dynamic_cast<CASIOOutOptions*>(Audio().DriverFrame(CAudioOutputManager::ASIO_DRIVER));
    ASSERT_TRUE(asio->IsVisible());
    EXPECT_EQ(asio->DeviceList()->GetString(asio->DeviceList()->GetCurSel()), "JACK");
    EXPECT_EQ(asio->ChannelsLabel()->Text(), "Channels: 0");
    EXPECT_NE(asio->StatusLabel()->Text().find("No JACK Server Running"), std::string::npos)
        << asio->StatusLabel()->Text();
    // The test driver, chosen instead, is available.
    ChooseWithKeys(asio->DeviceList(), 0);
    EXPECT_EQ(asio->StatusLabel()->Text(), "");
    EXPECT_EQ(asio->ChannelsLabel()->Text(), "Channels: 6");
    EXPECT_EQ(asio->EditedBufferSize(), 256) << "the preferred size of the newly chosen driver";
}

TEST_F(OptionsDialogTest, ApplyRestartsOnlyWhenTheShownDriverOrItsSettingsChanged)
{
    options.outputDriver = CAudioOutputManager::NULL_DRIVER;
    Open();
    output->StartOutput(SilenceCallback);

    // Nothing changed: "Apply" is disabled and closing restarts nothing.
    EXPECT_FALSE(dialog->ApplyButton()->Window()->isEnabled());
    dialog->Window()->close();
    EXPECT_TRUE(restarts.empty());

    // A waveOut size edited while the null frame is shown is stored, but the
    // output keeps running as it was.
    dialog->Show(kShow);
    ChooseWithKeys(Audio().DriverList(), CAudioOutputManager::WAVE_OUT_DRIVER);
    QTest::keyClick(Slider(Audio().DriverFrame(1)->BufferSlider()), Qt::Key_End);
    ChooseWithKeys(Audio().DriverList(), CAudioOutputManager::NULL_DRIVER);
    ClickApply();
    EXPECT_TRUE(restarts.empty());
    EXPECT_EQ(options.waveOutBufferSize, 16384);
    EXPECT_EQ(dynamic_cast<CWaveOutDriver*>(output->GetDriver(1))->GetChosenBufferSize(), 16384);
    EXPECT_FALSE(dialog->IsChanged());
    EXPECT_FALSE(dialog->ApplyButton()->Window()->isEnabled());

    // Another driver: the output restarts on it, playing into the capture.
    ChooseWithKeys(Audio().DriverList(), CAudioOutputManager::WAVE_OUT_DRIVER);
    SlideTo(Audio().DriverFrame(1)->BufferSlider(), 0);
    ClickApply();
    ASSERT_EQ(restarts, std::vector<int32_t>{CAudioOutputManager::WAVE_OUT_DRIVER});
    EXPECT_EQ(output->GetCurrentIndex(), CAudioOutputManager::WAVE_OUT_DRIVER);
    EXPECT_EQ(output->GetCurrentDriver()->GetBufferSize(), 2048);
    EXPECT_TRUE(ProcessEventsUntil([&] {
        std::error_code error;
        return std::filesystem::file_size(capture, error) >= 2 * 2048 * 4;
    }));

    // Only the shown driver's size: a restart with the new size.
    SlideTo(Audio().DriverFrame(1)->BufferSlider(), 50);
    dialog->Window()->close(); // applies the pending change
    ASSERT_EQ(restarts.size(), 2u);
    EXPECT_EQ(restarts[1], CAudioOutputManager::WAVE_OUT_DRIVER);
    EXPECT_EQ(output->GetCurrentDriver()->GetBufferSize(), 9216);

    // Escape closes the dialog too, with nothing to apply.
    dialog->Show(kShow);
    QTest::keyClick(dialog->Window(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->IsVisible());
    EXPECT_EQ(restarts.size(), 2u);

    // Choosing another driver and then the running one again is no change.
    dialog->Show(kShow);
    ChooseWithKeys(Audio().DriverList(), CAudioOutputManager::NULL_DRIVER);
    ChooseWithKeys(Audio().DriverList(), CAudioOutputManager::WAVE_OUT_DRIVER);
    ClickApply();
    EXPECT_EQ(restarts.size(), 2u);
}

TEST_F(OptionsDialogTest, FormatChoiceAndDeviceChangeReachTheWaveOutDriver)
{
    options.outputDriver = CAudioOutputManager::WAVE_OUT_DRIVER;
    options.waveOutDevice = testenv::WaveOutDeviceIndex("velmora_mono");
    ASSERT_GE(options.waveOutDevice, 0);
    Open();
    auto* wave = Audio().DriverFrame(CAudioOutputManager::WAVE_OUT_DRIVER);
    auto* driver = dynamic_cast<CWaveOutDriver*>(output->GetDriver(1));
    // The mono device offers no stereo format.
    for (int32_t i = 0; i < wave->FormatList()->GetCount(); ++i)
        EXPECT_EQ(wave->FormatList()->GetString(i).find("Stereo"), std::string::npos);
    const int32_t testDevice = testenv::WaveOutDeviceIndex("velmora_test");
    ChooseWithKeys(wave->DeviceList(), testDevice);
    EXPECT_EQ(wave->FormatList()->GetCount(), 20) << "the list is rebuilt for the capture device";
    ChooseWithKeys(wave->FormatList(), 3); // 11.0kHz, 16bit, Stereo
    EXPECT_EQ(wave->FormatList()->GetString(3), "11.0kHz, 16bit, Stereo");
    ClickApply();
    EXPECT_EQ(driver->GetDevice(), testDevice);
    EXPECT_EQ(driver->GetFormat(), 0x8u);
    EXPECT_EQ(options.waveOutFormat, 0x8);
    ASSERT_EQ(restarts.size(), 1u);
    EXPECT_EQ(output->GetCurrentDriver()->GetSampleRate(), 11025);
}

TEST_F(OptionsDialogTest, PathsPageAddsAndRemovesFoldersAndReportsTheChangeOnApply)
{
    options.pluginPaths = {"/opt/a", "/opt/b"};
    Open();
    CFolderAnswer answers;
    CUserDialogs* previous = SetUserDialogs(&answers);
    dialog->ShowPage(COptionsDialog::PATHS_PAGE);
    CVSTPaths& paths = *dialog->PathsPage();
    ASSERT_EQ(paths.PathList()->GetCount(), 2);

    QPushButton* add = paths.AddButton()->Window()->findChild<QPushButton*>();
    QPushButton* remove = paths.RemoveButton()->Window()->findChild<QPushButton*>();
    EXPECT_EQ(add->text().toStdString(), "Add Path...");
    EXPECT_EQ(remove->text().toStdString(), "Remove Selected Path");

    // Cancelled browser: nothing changes.
    QTest::mouseClick(add, Qt::LeftButton);
    ASSERT_EQ(answers.titles.size(), 1u);
    EXPECT_EQ(answers.titles[0], "Select VST PlugIn Folder");
    EXPECT_FALSE(dialog->IsChanged());

    answers.answer = config + "/plugins/";
    QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_EQ(paths.PathList()->GetCount(), 3);
    EXPECT_EQ(paths.PathList()->GetText(2), config + "/plugins");
    QTest::mouseClick(add, Qt::LeftButton); // the same folder again is not listed twice
    EXPECT_EQ(paths.PathList()->GetCount(), 3);

    // Nothing selected: "Remove Selected Path" does nothing.
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(paths.PathList()->GetCount(), 3);
    paths.PathList()->SetCurSel(0);
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(paths.EditedPaths(), (std::vector<std::string>{"/opt/b", config + "/plugins"}));
    EXPECT_EQ(options.pluginPaths, (std::vector<std::string>{"/opt/a", "/opt/b"})) << "stored before Apply";

    ClickApply();
    EXPECT_EQ(options.pluginPaths, (std::vector<std::string>{"/opt/b", config + "/plugins"}));
    ASSERT_EQ(pathChanges.size(), 1u);
    EXPECT_EQ(pathChanges[0].second, (std::vector<std::string>{"/opt/a", "/opt/b"}));
    EXPECT_TRUE(restarts.empty()) << "a paths change does not restart the output";

    // Removing every path leaves an empty list that is stored as such.
    paths.PathList()->SetCurSel(0);
    QTest::mouseClick(remove, Qt::LeftButton);
    paths.PathList()->SetCurSel(0);
    QTest::mouseClick(remove, Qt::LeftButton);
    dialog->Window()->close();
    EXPECT_TRUE(options.pluginPaths.empty());
    EXPECT_EQ(pathChanges.size(), 2u);
    SetUserDialogs(previous);
}
