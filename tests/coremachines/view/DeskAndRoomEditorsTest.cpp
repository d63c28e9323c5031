// The editors of DUzoV8, DizodirEzav, ViziRavez and the mixer on real
// machines with real mouse input.
#include "coremachines/CDizodirEzav.h"
#include "coremachines/CDrumKit.h"
#include "coremachines/CMixer.h"
#include "coremachines/CViziRavezFilter.h"
#include "coremachines/view/CDizodirEzavGUI.h"
#include "coremachines/view/CDrumKitGUI.h"
#include "coremachines/view/CFilterResponseView.h"
#include "coremachines/view/CImpulseView.h"
#include "coremachines/view/CLiteMeter.h"
#include "coremachines/view/CMixerGUI.h"
#include "coremachines/view/CViziRavezFilterGUI.h"
#include "coremachines/view/CoreEditors.h"
#include "support/QtTestSupport.h"
#include "support/ReferenceImage.h"
#include "tests/coremachines/MachineDriver.h"
#include "ui/CLiteButton.h"
#include "ui/CLiteKnob.h"
#include "ui/CLiteLCDText.h"
#include "ui/CLiteSlider.h"
#include <QTest>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

namespace {

using CDrums = CEditableMachine<CDrumKit, CoreEditorKind::DrumKit>;
using CRoom = CEditableMachine<CDizodirEzav, CoreEditorKind::Reverb>;
using CFilter = CEditableMachine<CViziRavezFilter, CoreEditorKind::Filter>;
using CDesk = CEditableMachine<CMixer, CoreEditorKind::Mixer>;

class DeskAndRoomEditorsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterCoreEditors(); }
    void SetUp() override { window = MakeHostWindow("Editors", 760, 320, &colors); }

    template <typename Editor>
    Editor* Open(CMachine& machine)
    {
        CControl* control = machine.CreateGUI(window.get());
        machine.ShowGUI();
        return static_cast<Editor*>(control);
    }

    CColorManager colors;
    std::unique_ptr<CWindow> window;
};

void Click(CControl* editor, QPoint at)
{
    QTest::mouseClick(editor->Window(), Qt::LeftButton, Qt::NoModifier, at);
}

void Drag(CControl* editor, QPoint from, QPoint to)
{
    QWidget* w = editor->Window();
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(w, to);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, to);
}

// The first sample of the left output above a third of the impulse's
// direct path level.
size_t FirstArrival(CMachine* room)
{
    const Rendered out = CMachineDriver(room, -1, 0, 1).Run(4096, {}, [](int32_t f) {
        return std::pair{f == 0 ? 1.0 : 0.0, 0.0};
    });
    for (size_t i = 0; i < out.left.size(); ++i)
        if (std::abs(out.left[i]) > 0.1)
            return i;
    return out.left.size();
}

} // namespace

TEST_F(DeskAndRoomEditorsTest, DrumKitGroupsItsKnobsByVoiceUnderTheVoicesNames)
{
    CDrums drums(&TestHost(), &TestTables());
    auto* editor = Open<CDrumKitGUI>(drums);
    ASSERT_NE(editor, nullptr);
    const char* const names[11] = {"Bass Drum", "Snare Drum", "Low Tom", "Mid Tom", "High Tom", "Rim Shot",
                                   "Clap", "Closed Hi Hat", "Open Hi Hat", "Crash Cymbal", "Ride Cymbal"};
    for (int32_t v = 0; v < 11; ++v)
        EXPECT_EQ(editor->Caption(v)->Text(), names[v]);
    // Every parameter has a knob in the column of the voice it sets.
    char name[kMachineTextSize];
    const char* const prefixes[11] = {"BD", "SD", "LT", "MT", "HT", "RS", "CP", "CH", "OH", "CC", "RC"};
    for (int32_t p = 0; p < CDrumKit::kParameterCount; ++p) {
        ASSERT_NE(editor->Knob(p), nullptr) << p;
        drums.GetParameterName(p, name);
        EXPECT_EQ(std::string(name).substr(0, 2), prefixes[editor->ColumnOf(p)]) << name;
    }
    CLiteKnob* tune = editor->Knob(0); // "BD Tune", 1.0
    Drag(editor, QPoint(tune->X() + 10, tune->Y() + 10), QPoint(tune->X() + 10, tune->Y() + 60));
    EXPECT_NEAR(drums.GetParameter(0), 0.5, 0.02);
}

TEST_F(DeskAndRoomEditorsTest, DraggingAListenerMovesItAndChangesTheTapsHeard)
{
    CRoom room(&TestHost(), &TestTables());
    auto* editor = Open<CDizodirEzavGUI>(room);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->PointLabel(0)->Text(), "Src L 3M,3M");
    EXPECT_EQ(editor->PointLabel(2)->Text(), "Dst L 4M,7M");
    const size_t before = FirstArrival(&room);

    // Drag the left listener 3.4 m towards the sources: 0.3 of the room's
    // inner height.
    CRoomView* view = editor->Room();
    const QPoint from(view->PixelX(2), view->PixelY(2));
    const int32_t up = static_cast<int32_t>(std::lround(3.4 * (view->Width() - 2) / 10.0));
    Drag(editor, from, from - QPoint(0, up));
    EXPECT_NEAR(room.GetParameter(CDizodirEzav::DST_LEFT_X), 0.4, 0.03);
    EXPECT_NEAR(room.GetParameter(CDizodirEzav::DST_LEFT_Y), 0.8 - 3.4 / 8.0, 0.03);
    EXPECT_EQ(editor->PointLabel(2)->Text(), "Dst L 4M,4M");

    // The machine hears the listener where it now stands: the direct path
    // arrives when the new distance says, earlier than before.
    const CDizodirEzav::Point source = room.Source(0);
    const CDizodirEzav::Point listener = room.Listener(0);
    const double path = std::hypot(listener.x - source.x, listener.y - source.y) / 346.02 * kTestRate;
    CRoom fresh(&TestHost(), &TestTables());
    for (int32_t p = 0; p < CDizodirEzav::kParameterCount; ++p)
        fresh.SetParameter(p, room.GetParameter(p));
    const size_t after = FirstArrival(&fresh);
    EXPECT_EQ(after, static_cast<size_t>(path));
    EXPECT_LT(after + 100, before);
    // The view shows the new response: the direct path's bar moved left.
    char caption[64];
    CImpulseView::Caption(editor->Impulse()->ViewMilliseconds(), caption, sizeof caption);
    EXPECT_EQ(editor->CaptionText()->Text(), caption);
}

TEST_F(DeskAndRoomEditorsTest, ImpulseCaptionKeepsTwoDecimalsOnlyForShortViews)
{
    char text[64];
    CImpulseView::Caption(4.25, text, sizeof text);
    EXPECT_STREQ(text, "View Time 4.25ms");
    CImpulseView::Caption(74.6, text, sizeof text);
    EXPECT_STREQ(text, "View Time 75ms");
}

TEST_F(DeskAndRoomEditorsTest, FilterButtonsSelectOneDesignAndShowItsResponse)
{
    CFilter filter(&TestHost());
    auto* editor = Open<CViziRavezFilterGUI>(filter);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->DesignButton(0)->GetState(), CLiteButton::kDown);
    CLiteButton* third = editor->DesignButton(3);
    Click(editor, QPoint(third->X() + 10, third->Y() + 8));
    EXPECT_EQ(filter.SelectedDesign(), 3);
    for (int32_t d = 0; d < 5; ++d)
        EXPECT_EQ(editor->DesignButton(d)->GetState(), d == 3 ? CLiteButton::kDown : CLiteButton::kUp) << d;
    // A press on the held button keeps one design on.
    Click(editor, QPoint(third->X() + 10, third->Y() + 8));
    EXPECT_EQ(editor->DesignButton(3)->GetState(), CLiteButton::kDown);
    // Unity in the pass band, deep attenuation near half the rate.
    CFilterResponseView* response = editor->Response();
    EXPECT_NEAR(response->ColumnDb(0), 0.0, 0.1);
    EXPECT_LT(response->ColumnDb(response->Width() - 2), -40.0);
}

TEST_F(DeskAndRoomEditorsTest, MixerSolosOneChannelAndItsMetersFollowTheAudioThread)
{
    CDesk mixer(&TestHost());
    mixer.SetSampleRate(kTestRate);
    mixer.SetBlockSize(kTestBlock);
    auto* editor = Open<CMixerGUI>(mixer);
    ASSERT_NE(editor, nullptr);
    auto solo = [&](int32_t channel) {
        CLiteButton* button = editor->Strip(channel)->Solo();
        Click(editor, QPoint(button->X() + 14, button->Y() + 9));
    };
    solo(0);
    EXPECT_EQ(mixer.GetSolo(), 0);
    solo(2);
    EXPECT_EQ(mixer.GetSolo(), 2);
    EXPECT_EQ(editor->Strip(0)->Solo()->GetState(), CLiteButton::kUp);
    EXPECT_EQ(editor->Strip(2)->Solo()->GetState(), CLiteButton::kDown);
    solo(2);
    EXPECT_EQ(mixer.GetSolo(), -1);

    // Blocks on another thread with a half-scale tone on track 3 only, at
    // unity level and flat bands.
    for (int32_t position : {CMixer::LEVEL, CMixer::LOW, CMixer::MID, CMixer::HIGH})
        mixer.SetParameter(CMixer::TrackParameter(2, position), position == CMixer::LEVEL ? 0.8 : 1.0);
    std::thread audio([&] {
        CLockGuard<CMachine> lock(mixer);
        for (int32_t p = 0; p < mixer.portCount; ++p)
            if (CAudioBuffer* buffer = mixer.ports[p]->audioBuffer; buffer && mixer.ports[p]->IsInput())
                for (int32_t i = 0; i < buffer->length; ++i) {
                    buffer->left[i] = p == CMixer::TrackPort(2) ? 0.5 * std::sin(0.05 * i) : 0.0;
                    if (buffer->right)
                        buffer->right[i] = buffer->left[i];
                }
        for (int32_t block = 0; block < 40; ++block) {
            mixer.Process();
            mixer.ProcessLate();
        }
    });
    audio.join();
    EXPECT_TRUE(ProcessEventsUntil([&] { return editor->Strip(2)->Meter(0)->LitSegments() > 0; }));
    EXPECT_EQ(editor->Strip(2)->Meter(0)->LitSegments(), CLiteMeter::SegmentsFor(mixer.GetPeak(2, 0)));
    EXPECT_EQ(editor->Strip(0)->Meter(0)->LitSegments(), 0);

    // A double click puts the level back at 0.5.
    CLiteSlider* level = editor->Strip(1)->Level();
    QTest::mouseDClick(editor->Window(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(level->ThumbX() + 8, level->ThumbY() + 5));
    EXPECT_DOUBLE_EQ(mixer.GetParameter(CMixer::TrackParameter(1, CMixer::LEVEL)), 0.5);
    EXPECT_NEAR(level->GetValue(), 0.5, 1e-9);
}

TEST_F(DeskAndRoomEditorsTest, EditorsMatchTheirReviewedPictures)
{
    CDrums drums(&TestHost(), &TestTables());
    CRoom room(&TestHost(), &TestTables());
    CFilter filter(&TestHost());
    filter.SetParameter(0, 0.5);
    CDesk mixer(&TestHost());
    mixer.SetSolo(3, true);
    mixer.SetMute(5, true);
    ExpectMatchesReference(Open<CDrumKitGUI>(drums)->Window()->grab().toImage(),
                           "coremachines/view/reference/duzov8.png");
    ExpectMatchesReference(Open<CDizodirEzavGUI>(room)->Window()->grab().toImage(),
                           "coremachines/view/reference/dizodirezav.png");
    ExpectMatchesReference(Open<CViziRavezFilterGUI>(filter)->Window()->grab().toImage(),
                           "coremachines/view/reference/viziravez.png");
    ExpectMatchesReference(Open<CMixerGUI>(mixer)->Window()->grab().toImage(),
                           "coremachines/view/reference/mixer.png");
}
