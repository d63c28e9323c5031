// The options dialog on a machine without any waveOut device.
#include "audio/CAudioOutputManager.h"
#include "audio/CStudioOptions.h"
#include "audio/CWaveOutDriver.h"
#include "audio/view/CAudioOutDriverOptions.h"
#include "audio/view/CAudioOutOptions.h"
#include "audio/view/COptionsDialog.h"
#include "support/AudioTestEnvironment.h"
#include "support/QtTestSupport.h"
#include "ui/CComboBox.h"
#include "ui/CSlider.h"
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace {
const bool environment = testenv::UseNoDevices();
}

TEST(NoDeviceOptionsTest, WaveOutFrameHandsNothingOverWithoutADevice)
{
    testenv::UsePrivateConfigFolder("options-nodevice");
    CStudioOptions options;
    options.outputDriver = CAudioOutputManager::WAVE_OUT_DRIVER;
    CAudioOutputManager output(options);
    auto* driver = dynamic_cast<CWaveOutDriver*>(output.GetDriver(1));
    ASSERT_EQ(driver->GetDevice(), -1);
    const int32_t storedSize = options.waveOutBufferSize;
    int restarts = 0;
    OptionsServices services;
    services.options = &options;
    services.output = &output;
    services.selectDriver = [&](int32_t) { ++restarts; };
    COptionsDialog dialog(nullptr, services);
    dialog.Show(kShow);
    auto* wave = dialog.AudioPage()->DriverFrame(CAudioOutputManager::WAVE_OUT_DRIVER);
    EXPECT_EQ(wave->DeviceList()->GetCount(), 0);
    EXPECT_EQ(wave->FormatList()->GetCount(), 0);
    QSlider* slider = wave->BufferSlider()->Window()->findChild<QSlider*>();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(wave->EditedBufferSize(), 16384);
    EXPECT_TRUE(dialog.IsChanged());
    EXPECT_FALSE(wave->Apply());
    dialog.Apply();
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(options.waveOutBufferSize, storedSize) << "nothing was stored for a driver without a device";
}
