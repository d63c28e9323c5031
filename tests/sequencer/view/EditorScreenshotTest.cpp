// Both editor tabs on the demo song, loaded by the program's own reader
// with the core machines from "PlugIns", compared with reviewed references.
// VELMORA_UPDATE_REFERENCE=1 writes new references into the source tree;
// look at them before committing them.
#include "app/BuiltInMachineTypes.h"
#include "app/CStudioSession.h"
#include "sequencer/Pattern.h"
#include "sequencer/view/CNoteView.h"
#include "sequencer/view/CPatternEditorView.h"
#include "sequencer/view/CSequenceEditorView.h"
#include "sequencer/view/CSequenceView.h"
#include "studio/CMachineContainer.h"
#include "studio/CPlugInDiscovery.h"
#include "support/ReferenceImage.h"
#include "support/QtTestSupport.h"
#include "ui/CComboBox.h"
#include "ui/CToolBarButton.h"
#include <QImage>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

void RegisterWithCoreMachines(CVelmHost& host)
{
    RegisterBuiltInMachineTypes(host);
    CPlugInDiscovery discovery(&host, DiscoverySettings{});
    discovery.ScanMachineLibraries(std::string(VELMORA_BIN_DIR) + "/PlugIns");
}

class EditorScreenshotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(session.LoadProject(std::string(VELMORA_BIN_DIR) + "/Songs/Demo.vmp"), 0);
        window = MakeHostWindow("Editors", 960, 540, &colors);
    }

    // Font rasterising may move a few pixels.
    void Compare(const QImage& actual, const char* name)
    {
        ExpectMatchesReference(actual, std::string("sequencer/view/reference/") + name, 200);
    }

    QImage Grab() { return window->Window()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    CStudioSession session{44100, 256, RegisterWithCoreMachines};
    CColorManager colors;
    std::unique_ptr<CWindow> window;
};

} // namespace

TEST_F(EditorScreenshotTest, PatternEditorShowsTheChordsWithTheirVelocities)
{
    CPatternEditor& patterns = session.Sequencer().Patterns();
    CPatternEditorView tab(window.get(), &patterns, 0, 0, 960, 540);
    tab.Show(kShow);
    CComboBox* machines = tab.MachineCombo();
    int32_t chords = -1;
    for (int32_t i = 0; i < machines->GetCount(); ++i) {
        if (machines->GetString(i) == "Chords")
            chords = i;
    }
    ASSERT_GE(chords, 0);
    machines->SetCurSel(chords);
    tab.ComboSelectionChanged(machines);
    ASSERT_NE(patterns.GetCurrentPattern(), nullptr);
    EXPECT_EQ(tab.PatternCombo()->GetString(tab.PatternCombo()->GetCurSel()), "Chords");
    patterns.AddControlTrack(-1);
    for (int32_t tick = 0; tick < 64; tick += 2)
        patterns.SetControlPoint(0, tick, 0.35f + 0.6f * static_cast<float>((tick * 7) % 16) / 16.0f);
    tab.Sync();
    int32_t highest = 0;
    for (const PatternNote* note = patterns.GetCurrentPattern()->FirstNote(); note; note = note->NextNode())
        highest = std::max(highest, note->pitch);
    tab.NoteView()->SetFirstRow(127 - highest - 1);
    // A cursor over the grid, as the display thread shows a playing pattern.
    tab.Button(CPatternEditorView::kPlay)->SetChecked(true);
    tab.ButtonCommand(tab.Button(CPatternEditorView::kPlay));
    const int32_t samplesPerTick = session.Host().GetSamplesPerTick();
    std::vector<double> left(256), right(256);
    double* buffers[2] = {left.data(), right.data()};
    for (int32_t frames = 0; frames < samplesPerTick * 9; frames += 256)
        session.Studio().RenderBlock(2, buffers, 256);
    tab.Refresh();
    EXPECT_GT(tab.NoteView()->PlayCursor(), 9.0);
    patterns.Stop();
    QImage image = Grab();
    Compare(image, "pattern_editor.png");
}

TEST_F(EditorScreenshotTest, SequenceEditorShowsTheArrangement)
{
    CSequenceEditor& song = session.Sequencer().Song();
    CSequenceEditorView tab(window.get(), &song, 0, 0, 960, 540);
    tab.Show(kShow);
    song.SelectRow(2);
    tab.Sync();
    song.SetPlay(true);
    std::vector<double> left(256), right(256);
    double* buffers[2] = {left.data(), right.data()};
    const int32_t samplesPerTick = session.Host().GetSamplesPerTick();
    for (int32_t frames = 0; frames < samplesPerTick * 4 * 13; frames += 256)
        session.Studio().RenderBlock(2, buffers, 256);
    tab.Refresh();
    EXPECT_GT(tab.View()->SongCursor(), 4.0 * 12);
    song.Stop();
    QImage image = Grab();
    Compare(image, "sequence_editor.png");
}
