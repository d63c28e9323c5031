// The options dialog's two pages against reviewed pictures.
#include "audio/CAudioOutputManager.h"
#include "audio/CStudioOptions.h"
#include "audio/view/COptionsDialog.h"
#include "support/AudioTestEnvironment.h"
#include "support/QtTestSupport.h"
#include "support/ReferenceImage.h"
#include "ui/CColorManager.h"
#include <QFontInfo>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
const bool environment = testenv::UseTestDevices();
}

TEST(OptionsScreenshotTest, BothPagesMatchTheReviewedPictures)
{
    testenv::UsePrivateConfigFolder("options-shot");
    CStudioOptions options;
    options.outputDriver = CAudioOutputManager::WAVE_OUT_DRIVER;
    options.waveOutDevice = testenv::WaveOutDeviceIndex("velmora_test");
    options.pluginPaths = {"/usr/lib/vst", "/usr/lib/lxvst", "/home/user/.vst"};
    CAudioOutputManager output(options);
    CColorManager colors;
    OptionsServices services;
    services.options = &options;
    services.output = &output;
    CWindow owner(nullptr, "Owner", 0, 0, 100, 100);
    owner.SetColorManager(&colors);
    COptionsDialog dialog(&owner, services);
    dialog.Show(kShow);
    ASSERT_EQ(QFontInfo(*dialog.Font()).family().toStdString(), "DejaVu Sans") << "the fallback font is missing";
    ProcessEventsUntil([] { return false; }, 50);
    ExpectMatchesReference(dialog.Window()->grab().toImage(), "audio/view/reference/options_audio.png");

    dialog.ShowPage(COptionsDialog::PATHS_PAGE);
    ProcessEventsUntil([] { return false; }, 50);
    ExpectMatchesReference(dialog.Window()->grab().toImage(), "audio/view/reference/options_paths.png");
}
