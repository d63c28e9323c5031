// The sample analyzer on WAV files made by sox, and the numbers behind its
// panes against brute-force and independent computations.
#include "app/view/CSampleAnalyzer.h"
#include "app/view/CSampleView.h"
#include "app/view/SampleAnalysis.h"
#include "support/AudioTestEnvironment.h"
#include "support/ProgramRun.h"
#include "support/QtTestSupport.h"
#include "support/ReferenceImage.h"
#include "support/TempFolder.h"
#include "ui/CColorManager.h"
#include "ui/CComboBox.h"
#include <QComboBox>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <complex>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

namespace {

void Sox(const std::string& arguments)
{
    ProgramRun run = RunProgram("sox " + arguments + " 2>&1");
    ASSERT_EQ(run.status, 0) << "sox " << arguments;
}

int32_t LargestBin(const std::vector<double>& spectrum)
{
    return static_cast<int32_t>(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin());
}

} // namespace

TEST(SampleAnalysisTest, EnvelopeHoldsEveryColumnsExtremesAsABruteForceScanFindsThem)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    std::vector<double> samples(100003);
    for (double& s : samples)
        s = noise(random);
    // Single-sample spikes that a decimated line would step over.
    samples[51234] = 0.97;
    samples[77777] = -0.93;
    CWaveformSummary summary;
    summary.Build(samples.data(), static_cast<int32_t>(samples.size()));
    for (int32_t columns : {1, 7, 300, 1999, 100003, 150000}) {
        WaveformEnvelope envelope = summary.Envelope(columns);
        ASSERT_EQ(envelope.minimum.size(), static_cast<size_t>(columns));
        const int64_t n = static_cast<int64_t>(samples.size());
        for (int32_t c = 0; c < columns; ++c) {
            int64_t first = static_cast<int64_t>(c) * n / columns;
            int64_t last = std::max(static_cast<int64_t>(c + 1) * n / columns, first + 1);
            auto [low, high] = std::minmax_element(samples.begin() + first, samples.begin() + last);
            ASSERT_FLOAT_EQ(envelope.minimum[static_cast<size_t>(c)], static_cast<float>(*low)) << columns << "/" << c;
            ASSERT_FLOAT_EQ(envelope.maximum[static_cast<size_t>(c)], static_cast<float>(*high)) << columns << "/" << c;
        }
    }
    WaveformEnvelope narrow = summary.Envelope(640);
    EXPECT_FLOAT_EQ(*std::max_element(narrow.maximum.begin(), narrow.maximum.end()), 0.97f);
    EXPECT_FLOAT_EQ(*std::min_element(narrow.minimum.begin(), narrow.minimum.end()), -0.93f);

    CWaveformSummary empty;
    empty.Build(nullptr, 0);
    EXPECT_TRUE(empty.Envelope(100).minimum.empty());
}

TEST(SampleAnalysisTest, SpectrumOfASineHasOnePeakAtItsBinAndMatchesADirectTransform)
{
    constexpr double rate = 44100;
    // 2000 Hz lies on bin 2000 / (44100 / 512) = 23.2.
    std::vector<double> samples(20000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.5 * std::sin(2 * std::numbers::pi * 2000.0 * static_cast<double>(i) / rate);
    std::vector<double> spectrum = MagnitudeSpectrum(samples.data(), static_cast<int32_t>(samples.size()));
    ASSERT_EQ(spectrum.size(), 256u);
    EXPECT_EQ(LargestBin(spectrum), 23);
    const double peak = spectrum[23];
    for (int32_t b = 0; b < 256; ++b) {
        if (std::abs(b - 23) > 3) {
            EXPECT_LT(spectrum[static_cast<size_t>(b)], 0.01 * peak) << "bin " << b;
        }
    }

    // A sample shorter than one frame: zero-padded, one frame, the same as
    // a plain discrete transform of the windowed samples.
    std::vector<double> shortSample(300);
    for (size_t i = 0; i < shortSample.size(); ++i)
        shortSample[i] = std::cos(0.3 * static_cast<double>(i)) + 0.25;
    std::vector<double> padded = MagnitudeSpectrum(shortSample.data(), 300);
    for (int32_t b : {0, 5, 24, 100, 255}) {
        std::complex<double> sum = 0;
        for (int i = 0; i < 300; ++i) {
            const double window = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / 511.0);
            sum += shortSample[static_cast<size_t>(i)] * window * std::polar(1.0, -2 * std::numbers::pi * b * i / 512.0);
        }
        EXPECT_NEAR(padded[static_cast<size_t>(b)], std::abs(sum), 1e-9 * std::max(1.0, std::abs(sum))) << b;
    }
    EXPECT_TRUE(MagnitudeSpectrum(nullptr, 0).empty());
}

class SampleAnalyzerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = folder.MakeFolder("Samples");
        own = folder.MakeFolder("own");
        Sox("-n -r 44100 -c 1 -b 16 '" + program + "/sine1k.wav' synth 1 sine 1000 vol 0.5");
        Sox("-n -r 22050 -c 1 -b 16 '" + own + "/ramp.wav' synth 0.5 sawtooth 50 vol 0.8");
        Sox("-n -r 44100 -c 2 -b 16 '" + own + "/stereo.wav' synth 0.1 sine 440");
        std::ofstream(program + "/readme.txt") << "not a sample";
        std::filesystem::create_directories(program + "/folder.wav");
        window = MakeHostWindow("Host", 100, 100, &colors);
    }

    TempFolder folder;
    std::string program;
    std::string own;
    CColorManager colors;
    std::unique_ptr<CWindow> window;
};

TEST_F(SampleAnalyzerTest, ListsTheWavFilesOfBothFoldersAndShowsTheChosenOne)
{
    CSampleAnalyzer analyzer(window.get(), {program, own});
    analyzer.Show(kShow);
    ASSERT_EQ(analyzer.Paths(), (std::vector<std::string>{program + "/sine1k.wav", own + "/ramp.wav",
                                                          own + "/stereo.wav"}));
    QComboBox* combo = analyzer.Window()->findChild<QComboBox*>("SampleCombo");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->itemText(0).toStdString(), "sine1k.wav");

    // Chosen with the keyboard, as a user does.
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::keyClick(combo, Qt::Key_Up);
    ASSERT_EQ(analyzer.SpectrumView()->Spectrum().size(), 256u);
    // 1000 Hz at 44100 Hz lies on bin 11.6: the peak is bin 12.
    EXPECT_EQ(LargestBin(analyzer.SpectrumView()->Spectrum()), 12);

    // The spectrum pane draws the peak at the top of the plot, at the
    // columns of bin 12.
    CSampleView& pane = *analyzer.SpectrumView();
    QImage image = pane.Window()->grab().toImage();
    int32_t topColumn = -1;
    for (int32_t x = 0; x < pane.PlotWidth() && topColumn < 0; ++x) {
        if (PixelAt(image, CSampleView::kLeftMargin + x, CSampleView::kTopMargin) == Rgb(110, 200, 255))
            topColumn = x;
    }
    ASSERT_GE(topColumn, 0);
    EXPECT_EQ(pane.BinAtColumn(topColumn), 12);

    // A file the reader refuses leaves both panes as they were.
    const std::vector<double> before = analyzer.SpectrumView()->Spectrum();
    testenv::CShownMessages shown;
    EXPECT_FALSE(analyzer.SelectSample(2));
    ASSERT_EQ(shown.Shown().size(), 1u);
    EXPECT_NE(shown.Shown()[0].find("stereo.wav"), std::string::npos) << shown.Shown()[0];
    EXPECT_EQ(analyzer.SpectrumView()->Spectrum(), before);

    // The next sample replaces the shown one.
    ASSERT_TRUE(analyzer.SelectSample(1));
    EXPECT_NE(analyzer.SpectrumView()->Spectrum(), before);
}

TEST_F(SampleAnalyzerTest, MissingFoldersGiveAnEmptyListAndBlankPanes)
{
    CSampleAnalyzer analyzer(window.get(), {folder / "none", folder / "also-none"});
    EXPECT_TRUE(analyzer.Paths().empty());
    EXPECT_FALSE(analyzer.SelectSample(0));
    EXPECT_TRUE(analyzer.SpectrumView()->Spectrum().empty());
}

TEST_F(SampleAnalyzerTest, SineMatchesTheReviewedPicture)
{
    CSampleAnalyzer analyzer(window.get(), {program});
    analyzer.Show(kShow);
    ASSERT_TRUE(analyzer.SelectSample(0));
    ProcessEventsUntil([] { return false; }, 50);
    ExpectMatchesReference(analyzer.Window()->grab().toImage(), "app/view/reference/sample_analyzer.png");
}
