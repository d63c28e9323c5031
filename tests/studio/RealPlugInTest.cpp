// Real VST plug-ins of Debian packages (amsynth, lsp-plugins-vst,
// dragonfly-reverb-vst), found by our discovery and run by our adapter.
#include "framework/CAudioBuffer.h"
#include "framework/CControlBuffer.h"
#include "framework/CPort.h"
#include "studio/CPlugInDiscovery.h"
#include "studio/CVSTAdapterInfo.h"
#include "studio/CVelmHost.h"
#include "support/TempFolder.h"
#include "support/TestPlugIns.h"
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBlock = 256;

class RealPlugInTest : public testing::Test {
protected:
    // Found once for the suite: discovery of every package plug-in.
    struct Studio {
        TempFolder temp;
        CVelmHost host{kRate, kBlock, 0};
    };

    static void SetUpTestSuite()
    {
        studio = new Studio();
        // amsynth keeps its presets in the home folder's data folder.
        studio->temp.MakeFolder("home/.local/share");
        setenv("HOME", (studio->temp / "home").c_str(), 1);
        host = &studio->host;
        DiscoverySettings settings;
        settings.scan.scannerPath = std::string(VELMORA_BIN_DIR) + "/velmora-vstscan";
        settings.cacheFile = studio->temp / "VSTScanCache.txt";
        CPlugInDiscovery discovery(host, settings);
        discovery.ScanVSTFolders({"/usr/lib/vst", "/usr/lib/lxvst"});
    }
    static void TearDownTestSuite()
    {
        delete studio;
        host = nullptr;
    }

    static CVSTAdapterInfo* Type(const char* name)
    {
        for (int32_t i = 0; i < host->GetMachineTypeCount(); ++i) {
            if (std::string(host->GetMachineType(i)->name) == name)
                return static_cast<CVSTAdapterInfo*>(host->GetMachineType(i));
        }
        return nullptr;
    }

    static AdapterPtr Create(const char* name)
    {
        CVSTAdapterInfo* type = Type(name);
        return type ? CreateAdapter(*type) : AdapterPtr();
    }

    static inline Studio* studio = nullptr;
    static inline CVelmHost* host = nullptr;
};

// Frequency from the mean distance of rising zero crossings.
double MeasureFrequency(const std::vector<double>& samples)
{
    std::vector<double> crossings;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0.0 && samples[i] >= 0.0)
            crossings.push_back(static_cast<double>(i - 1) + samples[i - 1] / (samples[i - 1] - samples[i]));
    }
    if (crossings.size() < 2)
        return 0.0;
    return kRate * static_cast<double>(crossings.size() - 1) / (crossings.back() - crossings.front());
}

double Rms(const double* samples, size_t count)
{
    double sum = 0.0;
    for (size_t i = 0; i < count; ++i)
        sum += samples[i] * samples[i];
    return count ? std::sqrt(sum / static_cast<double>(count)) : 0.0;
}

TEST_F(RealPlugInTest, DiscoveryFindsThePackagesPlugIns)
{
    ASSERT_NE(Type("amsynth_vst"), nullptr);
    ASSERT_NE(Type("comp-delay-mono"), nullptr);
    ASSERT_NE(Type("DragonflyHallReverb-vst"), nullptr);
    EXPECT_EQ(Type("DragonflyHallReverb-vst")->GetEntryKind(), VSTEntryKind::Main);
    EXPECT_EQ(Type("amsynth_vst")->GetEntryKind(), VSTEntryKind::PluginMain);
    // The shared core of the LSP plug-ins has no entry: no type.
    EXPECT_EQ(Type("lsp-plugins-vst2-1.2.5"), nullptr);
    EXPECT_GE(host->GetMachineTypeCount(), 130);
}

TEST_F(RealPlugInTest, AmsynthPlaysANoteSentThroughTheControlPortAtItsPitch)
{
    AdapterPtr synth = Create("amsynth_vst");
    ASSERT_TRUE(synth);
    EXPECT_TRUE(synth->IsGenerator());
    // Its control port comes after its audio output.
    ASSERT_EQ(synth->portCount, 2);
    EXPECT_EQ(synth->ports[0]->flags, PORT_STEREO_AUDIO_OUT);
    ASSERT_EQ(synth->GetControlPort(), synth->ports[1]);

    for (int note : {57, 69, 76}) {
        double frequency = 0.0;
        host->GetNoteFrequency(note, &frequency);
        MachineEvent on = MakeEvent(17, EVENT_NOTE_ON, note, 0.8, frequency);
        synth->GetControlPort()->controlBuffer->PushEvent(&on);
        std::vector<double> left;
        for (int block = 0; block < 80; ++block) {
            synth->Process();
            CAudioBuffer* out = synth->ports[0]->audioBuffer;
            left.insert(left.end(), out->left, out->left + out->length);
        }
        MachineEvent off = MakeEvent(0, EVENT_NOTE_OFF, note, 0.0);
        synth->GetControlPort()->controlBuffer->PushEvent(&off);
        for (int block = 0; block < 40; ++block)
            synth->Process();

        // Skip the attack; the steady tone has the note's frequency.
        std::vector<double> steady(left.begin() + kRate / 10, left.end());
        EXPECT_GT(Rms(steady.data(), steady.size()), 0.01) << note;
        EXPECT_NEAR(MeasureFrequency(steady), frequency, frequency * 0.005) << note;
        // Released: silence again.
        CAudioBuffer* out = synth->ports[0]->audioBuffer;
        EXPECT_LT(Rms(out->left, static_cast<size_t>(out->length)), 1e-4) << note;
    }
}

TEST_F(RealPlugInTest, AnLSPEffectProcessesATestSignal)
{
    AdapterPtr delay = Create("comp-delay-mono");
    ASSERT_TRUE(delay);
    ASSERT_EQ(delay->portCount, 2);
    EXPECT_EQ(delay->ports[0]->flags, PORT_MONO_AUDIO_IN);
    EXPECT_EQ(delay->ports[1]->flags, PORT_MONO_AUDIO_OUT);
    // Delay in samples, 100 of them.
    char text[kMachineTextSize];
    delay->GetParameterName(3, text);
    ASSERT_STREQ(text, "samp");
    for (double value = 0.0; value <= 1.0; value += 1.0 / 65536) {
        delay->SetParameter(3, value);
        delay->GetParameterDisplay(3, text);
        if (std::string(text) == "100samp")
            break;
    }
    ASSERT_STREQ(text, "100samp");

    std::vector<double> input;
    std::vector<double> output;
    for (int block = 0; block < 40; ++block) {
        CAudioBuffer* in = delay->ports[0]->audioBuffer;
        for (int32_t i = 0; i < in->length; ++i) {
            const double t = static_cast<double>(input.size()) / kRate;
            in->left[i] = 0.5 * std::sin(2.0 * M_PI * 1000.0 * t);
            input.push_back(in->left[i]);
        }
        delay->Process();
        CAudioBuffer* out = delay->ports[1]->audioBuffer;
        output.insert(output.end(), out->left, out->left + out->length);
    }
    // The wet signal at 0 dB, 100 samples late (after the plug-in settles).
    for (size_t i = 4096; i < output.size(); ++i)
        ASSERT_NEAR(output[i], input[i - 100], 1e-3) << i;
}

TEST_F(RealPlugInTest, AMainOnlyDragonflyReverbProcessesATestSignal)
{
    AdapterPtr reverb = Create("DragonflyHallReverb-vst");
    ASSERT_TRUE(reverb);
    ASSERT_EQ(reverb->portCount, 2);
    EXPECT_EQ(reverb->ports[0]->flags, PORT_STEREO_AUDIO_IN);
    EXPECT_EQ(reverb->ports[1]->flags, PORT_STEREO_AUDIO_OUT);
    EXPECT_FALSE(reverb->IsGenerator());

    // A short burst, then silence: the hall keeps ringing after it.
    double burst = 0.0;
    double tail = 0.0;
    for (int block = 0; block < 120; ++block) {
        CAudioBuffer* in = reverb->ports[0]->audioBuffer;
        for (int32_t i = 0; i < in->length; ++i) {
            const double value = block < 8 ? 0.5 * std::sin(0.05 * (block * kBlock + i)) : 0.0;
            in->left[i] = value;
            in->right[i] = value;
        }
        reverb->Process();
        CAudioBuffer* out = reverb->ports[1]->audioBuffer;
        for (int32_t i = 0; i < out->length; ++i) {
            ASSERT_TRUE(std::isfinite(out->left[i]) && std::isfinite(out->right[i]));
        }
        const double level = Rms(out->left, static_cast<size_t>(out->length)) + Rms(out->right, static_cast<size_t>(out->length));
        if (block < 8)
            burst += level;
        else if (block >= 20 && block < 60)
            tail += level;
    }
    EXPECT_GT(burst, 0.1);
    EXPECT_GT(tail, 1e-3);
}

std::vector<std::string> Displays(CMachine* machine, int32_t count)
{
    std::vector<std::string> texts;
    for (int32_t i = 0; i < count; ++i) {
        char text[kMachineTextSize];
        machine->GetParameterDisplay(i, text);
        texts.push_back(text);
    }
    return texts;
}

TEST_F(RealPlugInTest, ChunksBringTheParametersBackIntoAFreshInstance)
{
    constexpr int32_t kChanged = 12;
    for (const char* name : {"amsynth_vst", "compressor-stereo"}) {
        void* data = nullptr;
        int32_t size = 0;
        bool isList = true;
        std::vector<std::string> saved;
        {
            AdapterPtr original = Create(name);
            ASSERT_TRUE(original) << name;
            ASSERT_GE(original->parameterCount, kChanged);
            // amsynth reads back a chunk whose preset has no name without
            // its first parameter: start from a preset, as users do.
            if (original->programCount > 0)
                original->SetProgram(0);
            for (int32_t i = 0; i < kChanged; ++i)
                original->SetParameter(i, std::fmod(0.37 * (i + 1), 1.0));
            saved = Displays(original.get(), original->parameterCount);
            original->SaveState(&data, &size, &isList);
        }
        ASSERT_NE(data, nullptr) << name;
        EXPECT_FALSE(isList) << name;
        EXPECT_GT(size, 0) << name;

        // The plug-ins round values to their steps, so the texts tell
        // whether the parameters came back.
        AdapterPtr fresh = Create(name);
        EXPECT_NE(Displays(fresh.get(), fresh->parameterCount), saved) << name;
        fresh->LoadState(data, size, false);
        EXPECT_EQ(Displays(fresh.get(), fresh->parameterCount), saved) << name;
        std::free(data);
    }
}

TEST_F(RealPlugInTest, ParameterNamesAndDisplayTexts)
{
    struct Expected {
        const char* plugin;
        int32_t index;
        const char* name;
        const char* display;
    };
    const Expected expected[] = {
        {"amsynth_vst", 0, "amp_attack", "0.0005s"},
        {"amsynth_vst", 2, "amp_sustain", "1"},
        {"comp-delay-mono", 10, "g_out", "0.00dB"},
        {"limiter-mono", 5, "alr_at", "5.00ms"},
        {"DragonflyHallReverb-vst", 0, "Dry Level", "80.000000%"},
        {"DragonflyHallReverb-vst", 5, "Predelay", "4.000000ms"},
    };
    for (const Expected& e : expected) {
        AdapterPtr machine = Create(e.plugin);
        ASSERT_TRUE(machine) << e.plugin;
        char text[kMachineTextSize];
        machine->GetParameterName(e.index, text);
        EXPECT_STREQ(text, e.name) << e.plugin;
        machine->GetParameterDisplay(e.index, text);
        EXPECT_STREQ(text, e.display) << e.plugin;
    }
}

} // namespace
