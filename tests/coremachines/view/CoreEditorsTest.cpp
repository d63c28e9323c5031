// The core machine editors on real machines with real mouse input:
// controls automate their parameters under the machine's lock and the host
// hears of it; changes made elsewhere, on any thread, move the controls
// without being echoed back; the pictures match their reviewed references.
#include "coremachines/CCrunch.h"
#include "coremachines/CDistort.h"
#include "coremachines/CDudeRiviInfo.h"
#include "coremachines/CEditableMachine.h"
#include "coremachines/view/CDudeRiviGUI.h"
#include "coremachines/view/CTransferCurveDisplay.h"
#include "coremachines/view/CWaveShaperGUI.h"
#include "coremachines/view/CoreEditors.h"
#include "framework/CMachineOwner.h"
#include "framework/MachineLibrary.h"
#include "platform/OsLibrary.h"
#include "support/QtTestSupport.h"
#include "support/ReferenceImage.h"
#include "tests/coremachines/CoreTestContext.h"
#include "ui/CLiteKnob.h"
#include "ui/CLiteLCDText.h"
#include "ui/CLiteSlider.h"
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace {

using CVorize = CEditableMachine<CCrunch, CoreEditorKind::Vorize>;
using CDistortion = CEditableMachine<CDistort, CoreEditorKind::Distort>;
using CSynth = CDudeRiviWithEditor;

// What the studio's container hears of parameter changes a machine makes.
class RecordingOwner : public CMachineOwner {
public:
    void OwnerParameterChanged(CMachine* machine, int32_t index, double value) override
    {
        lockedByCaller.push_back(machine->IsLocked());
        changes.emplace_back(index, value);
    }
    std::vector<std::pair<int32_t, double>> changes;
    std::vector<bool> lockedByCaller;
};

class CoreEditorsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterCoreEditors(); }

    void SetUp() override { window = MakeHostWindow("Core editors", 900, 320, &colors); }

    // The editor a machine makes in the window, as the studio asks for it.
    CControl* Open(CMachine& machine)
    {
        int32_t top = 0, left = 0, right = 0, bottom = 0;
        EXPECT_TRUE(machine.GetGUIRect(&top, &left, &right, &bottom));
        CControl* editor = machine.CreateGUI(window.get());
        EXPECT_NE(editor, nullptr);
        if (!editor)
            return nullptr;
        EXPECT_EQ(editor->Width(), right - left);
        EXPECT_EQ(editor->Height(), bottom - top);
        machine.ShowGUI();
        return editor;
    }

    CColorManager colors;
    std::unique_ptr<CWindow> window;
};

QImage Grab(CControl* editor)
{
    return editor->Window()->grab().toImage();
}

} // namespace

TEST_F(CoreEditorsTest, DraggingAKnobAutomatesItsParameterAndTheCurveFollows)
{
    CDistortion distort(&TestHost());
    RecordingOwner owner;
    distort.owner = &owner;
    auto* editor = static_cast<CWaveShaperGUI*>(Open(distort));
    ASSERT_NE(editor, nullptr);
    CLiteKnob* drive = editor->Knob(CWaveShaper::AMOUNT);
    const int32_t rowBefore = editor->CurveDisplay()->CurveRow(80);

    QWidget* w = editor->Window();
    const QPoint centre(drive->X() + 16, drive->Y() + 16);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseMove(w, centre - QPoint(0, 50));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, centre - QPoint(0, 50));

    // 50 pixels up from 0.5 is the top of the range.
    EXPECT_DOUBLE_EQ(distort.GetParameter(CWaveShaper::AMOUNT), 1.0);
    ASSERT_FALSE(owner.changes.empty());
    EXPECT_EQ(owner.changes.back().first, CWaveShaper::AMOUNT);
    EXPECT_DOUBLE_EQ(owner.changes.back().second, 1.0);
    for (bool locked : owner.lockedByCaller)
        EXPECT_TRUE(locked) << "parameter automated without the machine lock";

    editor->ApplyPendingChanges();
    EXPECT_EQ(editor->ValueText(CWaveShaper::AMOUNT)->Text(), "100%");
    // More drive lifts the curve for a positive input (towards row 0).
    EXPECT_LT(editor->CurveDisplay()->CurveRow(80), rowBefore);
    // Moving the controls from the machine reported nothing back.
    const size_t reported = owner.changes.size();
    editor->ApplyPendingChanges();
    EXPECT_EQ(owner.changes.size(), reported);
    distort.owner = nullptr;
}

TEST_F(CoreEditorsTest, ChangesFromAnotherThreadMoveTheControlsOnTheGuiThread)
{
    CVorize vorize(&TestHost());
    RecordingOwner owner;
    vorize.owner = &owner;
    auto* editor = static_cast<CWaveShaperGUI*>(Open(vorize));
    ASSERT_NE(editor, nullptr);
    CLiteKnob* amp = editor->Knob(CWaveShaper::AMP);
    EXPECT_EQ(amp->Frame(), 0);
    const int32_t rowBefore = editor->CurveDisplay()->CurveRow(100);

    // As automation does: the audio thread sets it under the machine lock.
    std::thread automation([&] {
        CLockGuard<CMachine> lock(vorize);
        vorize.SetParameter(CWaveShaper::AMP, 1.0);
    });
    automation.join();
    EXPECT_TRUE(ProcessEventsUntil([&] { return amp->Frame() == amp->FrameCount() - 1; }));
    EXPECT_EQ(editor->ValueText(CWaveShaper::AMP)->Text(), "100%");
    // Amp ×5 lifts the positive half of the staircase.
    EXPECT_LT(editor->CurveDisplay()->CurveRow(100), rowBefore);
    EXPECT_TRUE(owner.changes.empty()) << "a change from outside was echoed back to the host";
    vorize.owner = nullptr;
}

TEST_F(CoreEditorsTest, DudeRiviSlidersAutomateAndTheLcdTellsEveryChange)
{
    CSynth synth(&TestHost(), &TestTables(), false);
    auto* editor = static_cast<CDudeRiviGUI*>(Open(synth));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Lcd()->Text(), "DudeRivi Ready");
    // Every parameter has its own slider, each in its own place.
    for (int32_t i = 0; i < 73; ++i) {
        ASSERT_NE(editor->Slider(i), nullptr) << i;
        for (int32_t j = 0; j < i; ++j)
            EXPECT_FALSE(editor->Slider(i)->X() == editor->Slider(j)->X() &&
                         editor->Slider(i)->Y() == editor->Slider(j)->Y())
                << i << " and " << j << " overlap";
    }

    CLiteSlider* cutoff = editor->Slider(25); // "VCF1 Cutoff", default 0.15
    QWidget* w = editor->Window();
    const QPoint thumb(cutoff->ThumbX() + 8, cutoff->ThumbY() + 5);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, thumb);
    QTest::mouseMove(w, thumb - QPoint(0, 32)); // half the 64-pixel travel
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, thumb - QPoint(0, 32));
    EXPECT_NEAR(synth.GetParameter(25), 0.65, 1e-9);
    editor->ApplyPendingChanges();
    EXPECT_EQ(editor->Lcd()->Text(), "VCF1 Cutoff -> 65%");

    {
        CLockGuard<CMachine> lock(synth);
        synth.SetParameter(47, 0.5); // "LFO1 Shape": item 3 of 6
    }
    editor->ApplyPendingChanges();
    EXPECT_EQ(editor->Lcd()->Text(), "LFO1 Shape -> Pulse");
    EXPECT_NEAR(editor->Slider(47)->GetValue(), 0.5, 1e-9);
}

TEST_F(CoreEditorsTest, ReopeningReplacesTheEditorAndHidingKeepsItForShowing)
{
    CSynth synth(&TestHost(), &TestTables(), true);
    CControl* first = Open(synth);
    ASSERT_NE(first, nullptr);
    synth.HideGUI();
    EXPECT_FALSE(first->IsVisible());
    synth.ShowGUI();
    EXPECT_TRUE(first->IsVisible());
    // Parameters set while an editor closes and another opens reach the new one.
    std::thread automation([&] {
        for (int i = 0; i < 2000; ++i) {
            CLockGuard<CMachine> lock(synth);
            synth.SetParameter(i % 73, (i % 100) / 100.0);
        }
    });
    for (int i = 0; i < 5; ++i)
        ASSERT_NE(synth.CreateGUI(window.get()), nullptr);
    automation.join();
}

TEST_F(CoreEditorsTest, EditorsMatchTheirReviewedPictures)
{
    CVorize vorize(&TestHost());
    vorize.SetParameter(CWaveShaper::AMOUNT, 0.8);
    CDistortion distort(&TestHost());
    distort.SetParameter(CWaveShaper::AMP, 0.25);
    CSynth synth(&TestHost(), &TestTables(), false);
    CControl* vorizeEditor = Open(vorize);
    CControl* distortEditor = Open(distort);
    CControl* synthEditor = Open(synth);
    ASSERT_TRUE(vorizeEditor && distortEditor && synthEditor);
    ExpectMatchesReference(Grab(vorizeEditor), "coremachines/view/reference/vorize.png");
    ExpectMatchesReference(Grab(distortEditor), "coremachines/view/reference/distort.png");
    ExpectMatchesReference(Grab(synthEditor), "coremachines/view/reference/duderivi.png");
}

// The editors as the studio meets them: machines of the loaded library
// module, drawing with the library's own pictures.
TEST_F(CoreEditorsTest, MachinesOfTheLibraryModuleOpenTheirEditors)
{
    const std::string path = std::string(VELMORA_BIN_DIR) + "/PlugIns/ZT-CoreMachines.so";
    platform::LibraryHandle library = platform::LoadLibrary(path.c_str());
    ASSERT_NE(library, nullptr) << platform::LastLibraryError();
    auto init = reinterpret_cast<VelmPlugInitFunction>(platform::GetSymbol(library, kMachineLibraryExport));
    ASSERT_NE(init, nullptr);
    CVelmHost host(kTestRate, kTestBlock, TestHost().GetCPUFlags());
    init(library, &host);
    for (const char* name : {"ZT DudeRivi", "ZT DudeRivi (Polyphonic)", "ZT Vorize", "ZT Distort"}) {
        CMachine* machine = host.CreateMachineByName(name, nullptr);
        ASSERT_NE(machine, nullptr) << name;
        CControl* editor = Open(*machine);
        EXPECT_NE(editor, nullptr) << name;
        if (editor) {
            // Drawn from its pictures: not one flat colour.
            const QImage picture = Grab(editor);
            EXPECT_NE(picture.pixel(4, 4), picture.pixel(picture.width() / 2, picture.height() / 2)) << name;
        }
        machine->Release();
    }
    // The library's machines without a view of their own still say so.
    CMachine* echo = host.CreateMachineByName("ZT ZezaRazad", nullptr);
    ASSERT_NE(echo, nullptr);
    int32_t top, left, right, bottom;
    EXPECT_FALSE(echo->GetGUIRect(&top, &left, &right, &bottom));
    EXPECT_EQ(echo->CreateGUI(window.get()), nullptr);
    echo->Release();
}
