#include "studio/CVelmHost.h"
#include "support/QtTestSupport.h"
#include "support/TestMachines.h"
#include "ui/CColorManager.h"
#include "ui/CLiteButton.h"
#include "ui/CLiteContainer.h"
#include "ui/CLiteKnob.h"
#include "ui/CLiteLCDText.h"
#include "ui/CLiteSlider.h"
#include "ui/CWindow.h"
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// Writes down the notifications and the moments its lock is taken.
class CRecordingContainer : public CLiteContainer {
public:
    using CLiteContainer::CLiteContainer;
    void ShowValueTip(CLiteControl*, const char* text) override { tips.push_back(text); }
    void HideValueTip(CLiteControl*) override { tips.push_back("<hidden>"); }
    void ButtonClicked(CLiteButton*, int32_t state) override { clicks.push_back(state); }
    void SliderValueChanged(CLiteSlider*, double value) override { slides.push_back(value); }
    void Lock() override
    {
        CLiteContainer::Lock();
        if (watched)
            machineLockedFirst.push_back(watched->IsLocked());
    }
    std::vector<std::string> tips;
    std::vector<int32_t> clicks;
    std::vector<double> slides;
    std::vector<bool> machineLockedFirst;
    CMachine* watched = nullptr;
};

// A machine that checks which locks are held when it is automated.
class CKnobMachine : public CParameterMachine {
public:
    explicit CKnobMachine(CHost* host) : CParameterMachine(host, 2) {}
    void GetParameterName(int32_t index, char* out) override { std::snprintf(out, kMachineTextSize, index ? "Resonance" : "Cutoff"); }
    void SetParameterAutomated(int32_t index, double value) override
    {
        locksHeld.push_back(IsLocked() && container && container->IsLocked());
        CParameterMachine::SetParameterAutomated(index, value);
    }
    CLiteContainer* container = nullptr;
    std::vector<bool> locksHeld;
};

// A strip of solid frames: frame k is coloured (k, 255 - k, 1).
void MakeStrip(CPicture& strip, int32_t width, int32_t height, int32_t frames)
{
    strip.Create(width, height * frames, true);
    for (int32_t k = 0; k < frames; ++k) {
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* p = strip.Row(k * height + y);
            for (int32_t x = 0; x < width; ++x) {
                p[4 * x] = static_cast<uint8_t>(k);
                p[4 * x + 1] = static_cast<uint8_t>(255 - k);
                p[4 * x + 2] = 1;
                p[4 * x + 3] = 255;
            }
        }
    }
}

void MakeSolid(CPicture& picture, int32_t width, int32_t height, ColorRef color, bool alpha = true)
{
    picture.Create(width, height, alpha);
    picture.FillRect(0, 0, width, height, color);
    if (alpha) {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                picture.Row(y)[4 * x + 3] = 255;
    }
}

// A picture whose every pixel tells its position: (x, y, x + y).
void MakeGradient(CPicture& picture, int32_t width, int32_t height)
{
    picture.Create(width, height, false);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            picture.FillRect(x, y, 1, 1, MakeColor(uint8_t(x), uint8_t(y), uint8_t(x + y)));
}

ColorRef PixelOf(const CPicture& picture, int32_t x, int32_t y)
{
    const uint8_t* p = picture.Row(y) + x * picture.BytesPerPixel();
    return MakeColor(p[0], p[1], p[2]);
}

class LiteControlsTest : public ::testing::Test {
protected:
    void SetUp() override { window = MakeHostWindow("Panel", 300, 200, &colors); }
    std::unique_ptr<CRecordingContainer> MakeContainer(CPicture* background, int32_t w = 200, int32_t h = 150)
    {
        auto container = std::make_unique<CRecordingContainer>(window.get(), background, w, h);
        container->Show(kShow);
        return container;
    }

    CVelmHost host{44100, 256, 0};
    CColorManager colors;
    std::unique_ptr<CWindow> window;
};

} // namespace

TEST_F(LiteControlsTest, KnobFrameFollowsTheDragOneFramePer100Over63Pixels)
{
    auto container = MakeContainer(nullptr);
    CPicture strip;
    MakeStrip(strip, 20, 20, 64);
    CLiteKnob knob(container.get(), 10, 10, 20, 20, &strip);
    EXPECT_EQ(knob.FrameCount(), 64);
    EXPECT_DOUBLE_EQ(knob.GetValue(), 0.5); // unbound
    EXPECT_EQ(knob.Frame(), 31);
    knob.SetValue(0.0);
    knob.LeftButtonDown(15, 100, kKeyLeftButton);
    EXPECT_EQ(container->CapturedChild(), &knob);
    std::vector<int32_t> frames;
    for (int32_t d = 0; d <= 100; ++d) {
        knob.MouseMove(15, 100 - d, kKeyLeftButton);
        frames.push_back(knob.Frame());
        ASSERT_EQ(knob.Frame(), d * 63 / 100) << "after " << d << " pixels";
        ASSERT_DOUBLE_EQ(knob.GetValue(), knob.Frame() / 63.0);
    }
    // 100 pixels up from 0 reach 1, and every frame was shown on the way.
    EXPECT_DOUBLE_EQ(knob.GetValue(), 1.0);
    EXPECT_EQ(std::set<int32_t>(frames.begin(), frames.end()).size(), 64u);
    knob.MouseMove(15, -500, kKeyLeftButton);
    EXPECT_DOUBLE_EQ(knob.GetValue(), 1.0); // clamped
    knob.MouseMove(15, 200, kKeyLeftButton);
    EXPECT_DOUBLE_EQ(knob.GetValue(), 0.0);
    // The frame drawn is the value's frame.
    knob.MouseMove(15, 50, kKeyLeftButton);
    EXPECT_EQ(knob.Frame(), 31);
    EXPECT_EQ(PixelOf(container->Composition(), 12, 12), MakeColor(31, 224, 1));
    knob.LeftButtonUp(15, 50, 0);
    EXPECT_EQ(container->CapturedChild(), nullptr);
    knob.MouseMove(15, 0, 0); // no longer captured: no change
    EXPECT_EQ(knob.Frame(), 31);
}

TEST_F(LiteControlsTest, BoundKnobAutomatesItsParameterUnderTheMachineThenTheContainerLock)
{
    auto container = MakeContainer(nullptr);
    CKnobMachine machine(&host);
    machine.values[0] = 0.25;
    machine.container = container.get();
    CPicture strip;
    MakeStrip(strip, 20, 20, 64);
    CLiteKnob knob(container.get(), 10, 10, 20, 20, &strip, &machine, 0);
    EXPECT_DOUBLE_EQ(knob.GetValue(), 0.25); // read on creation
    container->watched = &machine;
    knob.LeftButtonDown(15, 80, kKeyLeftButton);
    knob.MouseMove(15, 80, kKeyLeftButton); // no movement: the value between frames stays
    knob.MouseMove(15, 81, kKeyLeftButton); // still frame 15
    EXPECT_DOUBLE_EQ(machine.values[0], 0.25);
    knob.MouseMove(15, 30, kKeyLeftButton); // 50 pixels up
    knob.LeftButtonUp(15, 30, 0);
    const double expected = 47.0 / 63.0; // truncate((0.5 + 0.25) × 63)
    EXPECT_DOUBLE_EQ(knob.GetValue(), expected);
    EXPECT_DOUBLE_EQ(machine.values[0], expected);
    EXPECT_EQ(machine.locksHeld, std::vector<bool>{true});
    // Every time the container was locked during the drag's automation, the
    // machine was already locked (redraws after it take the container alone).
    ASSERT_FALSE(container->machineLockedFirst.empty());
    EXPECT_TRUE(std::find(container->machineLockedFirst.begin(), container->machineLockedFirst.end(), true) !=
                container->machineLockedFirst.end());
    EXPECT_EQ(container->tips, (std::vector<std::string>{"Cutoff 0.25", "Cutoff 0.75", "<hidden>"}));
    EXPECT_FALSE(machine.IsLocked());
    EXPECT_FALSE(container->IsLocked());
    // After a change elsewhere the knob reads the parameter again.
    machine.values[0] = 1.0;
    knob.Refresh();
    EXPECT_EQ(knob.Frame(), 63);
}

TEST_F(LiteControlsTest, TheChildAddedLaterReceivesTheClickWhereTwoOverlap)
{
    auto container = MakeContainer(nullptr);
    CPicture face;
    MakeSolid(face, 30, 20, MakeColor(9, 9, 9));
    CLiteButton first(container.get(), 10, 10, &face, &face, &face);
    CLiteButton second(container.get(), 25, 15, &face, &face, &face);
    EXPECT_EQ(container->ChildAt(30, 20), &second);
    EXPECT_EQ(container->ChildAt(12, 12), &first);
    EXPECT_EQ(container->ChildAt(100, 100), nullptr);
    QTest::mouseClick(container->Window(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 20));
    EXPECT_EQ(second.GetState(), CLiteButton::kHover);
    EXPECT_EQ(first.GetState(), CLiteButton::kUp);
    EXPECT_EQ(container->clicks, std::vector<int32_t>{CLiteButton::kHover});
    EXPECT_EQ(container->CapturedChild(), &second); // hovering
    QTest::mouseMove(container->Window(), QPoint(150, 120));
    EXPECT_EQ(second.GetState(), CLiteButton::kUp);
    // Disabled or hidden children are passed over.
    second.SetEnabled(false);
    EXPECT_EQ(container->ChildAt(30, 20), &first);
    second.SetEnabled(true);
    second.SetVisible(false);
    EXPECT_EQ(container->ChildAt(30, 20), &first);
    // While a child holds the capture it gets everything.
    second.SetVisible(true);
    container->Capture(&first);
    EXPECT_EQ(container->ChildAt(190, 140), &first);
    container->Release(&second); // not the holder: nothing happens
    EXPECT_EQ(container->CapturedChild(), &first);
    container->Release(&first);
    EXPECT_EQ(container->CapturedChild(), nullptr);
}

TEST_F(LiteControlsTest, CapturedKnobFollowsThePointerOutsideTheContainer)
{
    auto container = MakeContainer(nullptr);
    CPicture strip;
    MakeStrip(strip, 20, 20, 64);
    CLiteKnob knob(container.get(), 10, 10, 20, 20, &strip);
    knob.SetValue(0.0);
    QWidget* w = container->Window();
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(15, 15));
    QTest::mouseMove(w, QPoint(300, -85)); // outside, 100 pixels up
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(300, -85));
    EXPECT_DOUBLE_EQ(knob.GetValue(), 1.0);
    EXPECT_EQ(container->CapturedChild(), nullptr);
}

TEST_F(LiteControlsTest, ContainerWithoutPictureShowsTheOuterPictureAlignedToItsPosition)
{
    CPicture panel;
    MakeGradient(panel, 200, 150);
    auto outer = MakeContainer(&panel);
    CRecordingContainer inner(outer.get(), nullptr, 50, 40);
    inner.Move(30, 20, 50, 40);
    inner.Show(kShow);
    inner.Redraw();
    const CPicture& shown = inner.Composition();
    EXPECT_EQ(PixelOf(shown, 0, 0), PixelOf(panel, 30, 20));
    EXPECT_EQ(PixelOf(shown, 49, 39), PixelOf(panel, 79, 59));
    EXPECT_EQ(PixelOf(shown, 7, 3), MakeColor(37, 23, 60));
    // And on screen.
    QImage grabbed = inner.Window()->grab().toImage();
    EXPECT_EQ(PixelAt(grabbed, 7, 3), Rgb(37, 23, 60));
    // Placed near the outer picture's edge the picture repeats.
    inner.Move(190, 140, 50, 40);
    EXPECT_EQ(PixelOf(inner.Composition(), 10, 10), PixelOf(panel, 0, 0));
}

TEST_F(LiteControlsTest, ContainerWithoutAnyPictureFillsWithItsBackgroundColour)
{
    colors.SetColor(2, MakeColor(11, 22, 33));
    auto container = MakeContainer(nullptr, 40, 30);
    EXPECT_EQ(PixelOf(container->Composition(), 20, 20), MakeColor(11, 22, 33));
    EXPECT_EQ(PixelAt(container->Window()->grab().toImage(), 39, 29), Rgb(11, 22, 33));
}

TEST_F(LiteControlsTest, BackgroundMustBeAnRgbPictureOfTheContainersSize)
{
    const char* message = "CLiteContainer : Invalid Background Picture";
    CPicture rgba;
    rgba.Create(40, 30, true);
    EXPECT_EQ(RaisedText([&] { CLiteContainer c(window.get(), &rgba, 40, 30); }), message);
    CPicture wrongSize;
    wrongSize.Create(41, 30, false);
    EXPECT_EQ(RaisedText([&] { CLiteContainer c(window.get(), &wrongSize, 40, 30); }), message);
    CPicture empty;
    EXPECT_EQ(RaisedText([&] { CLiteContainer c(window.get(), &empty, 40, 30); }), message);
    CPicture right;
    right.Create(40, 30, false);
    EXPECT_EQ(RaisedText([&] { CLiteContainer c(window.get(), &right, 40, 30); }), "<nothing raised>");
}

TEST_F(LiteControlsTest, RedrawingARegionRecomposesOnlyThatRegion)
{
    CPicture panel;
    MakeGradient(panel, 200, 150);
    auto container = MakeContainer(&panel);
    struct CCounting : CLiteControl {
        using CLiteControl::CLiteControl;
        void Draw(CPicture& target) override
        {
            ++draws;
            target.FillRect(x, y, width, height, MakeColor(255, 0, 255)); // clipped by the container
        }
        int draws = 0;
    } a(container.get(), 0, 0, 20, 20), b(container.get(), 100, 100, 20, 20);
    a.Redraw();
    b.Redraw();
    a.draws = b.draws = 0;
    // The background changes behind the container's back; only the redrawn
    // region shows it.
    panel.FillRect(0, 0, 200, 150, MakeColor(1, 1, 1));
    container->RedrawRegion(10, 10, 20, 5);
    EXPECT_EQ(a.draws, 1);
    EXPECT_EQ(b.draws, 0);
    const CPicture& shown = container->Composition();
    EXPECT_EQ(PixelOf(shown, 15, 12), MakeColor(255, 0, 255)); // a, inside the region
    EXPECT_EQ(PixelOf(shown, 25, 12), MakeColor(1, 1, 1));     // refilled background
    EXPECT_EQ(PixelOf(shown, 15, 16), MakeColor(255, 0, 255)); // a, outside: as before
    EXPECT_EQ(PixelOf(shown, 25, 16), MakeColor(25, 16, 41));  // old background kept
    EXPECT_EQ(PixelOf(shown, 5, 5), MakeColor(255, 0, 255));
    // Regions are clipped to the container.
    container->RedrawRegion(-50, -50, 60, 60);
    EXPECT_EQ(PixelOf(shown, 0, 0), MakeColor(255, 0, 255));
    container->RedrawRegion(500, 500, 10, 10); // outside: nothing at all
    EXPECT_EQ(a.draws, 2);
    // The region reaches the screen.
    EXPECT_EQ(PixelAt(container->Window()->grab().toImage(), 25, 12), Rgb(1, 1, 1));
}

TEST_F(LiteControlsTest, SliderIsGrabbedOnlyOnItsThumbAndMovesByMovementOverTravel)
{
    auto container = MakeContainer(nullptr);
    CPicture thumb;
    MakeSolid(thumb, 16, 10, MakeColor(200, 200, 200));
    CLiteSlider slider(container.get(), 50, 10, 16, 110, &thumb, nullptr, true, 100);
    EXPECT_DOUBLE_EQ(slider.GetValue(), 0.5);
    EXPECT_EQ(slider.ThumbY(), 10 + 100 - 50); // from the bottom
    EXPECT_EQ(slider.ThumbX(), 50);
    slider.LeftButtonDown(55, 20, kKeyLeftButton); // on the track, off the thumb
    EXPECT_EQ(container->CapturedChild(), nullptr);
    slider.LeftButtonDown(55, 62, kKeyLeftButton);
    ASSERT_EQ(container->CapturedChild(), &slider);
    slider.MouseMove(55, 42, kKeyLeftButton); // 20 pixels up
    EXPECT_DOUBLE_EQ(slider.GetValue(), 0.7);
    slider.MouseMove(55, -100, kKeyLeftButton);
    EXPECT_DOUBLE_EQ(slider.GetValue(), 1.0);
    slider.LeftButtonUp(55, -100, 0);
    EXPECT_EQ(container->slides, (std::vector<double>{0.7, 1.0}));
    EXPECT_EQ(PixelOf(container->Composition(), 55, 12), MakeColor(200, 200, 200)); // thumb at the top

    CKnobMachine machine(&host);
    machine.values[1] = 0.0;
    machine.container = container.get();
    CLiteSlider bound(container.get(), 100, 40, 110, 16, &thumb, nullptr, false, 100, &machine, 1);
    EXPECT_EQ(bound.ThumbX(), 100);
    bound.LeftButtonDown(105, 48, kKeyLeftButton);
    bound.MouseMove(130, 48, kKeyLeftButton);
    bound.LeftButtonUp(130, 48, 0);
    EXPECT_DOUBLE_EQ(machine.values[1], 0.25);
    EXPECT_EQ(machine.locksHeld, std::vector<bool>{true});
    EXPECT_EQ(container->slides.size(), 2u); // bound sliders report to the machine only
    EXPECT_EQ(container->tips.back(), "<hidden>");
    EXPECT_EQ(container->tips[container->tips.size() - 2], "Resonance 0.25");
}

TEST_F(LiteControlsTest, PushButtonGoesThroughHoverDownAndBack)
{
    auto container = MakeContainer(nullptr);
    CPicture up, hover, down;
    MakeSolid(up, 28, 18, MakeColor(10, 0, 0));
    MakeSolid(hover, 28, 18, MakeColor(20, 0, 0));
    MakeSolid(down, 28, 18, MakeColor(30, 0, 0));
    CLiteButton button(container.get(), 40, 40, &up, &hover, &down);
    auto shownState = [&] { return RedOf(PixelOf(container->Composition(), 50, 50)) / 10 - 1; };
    QWidget* w = container->Window();
    QTest::mouseMove(w, QPoint(50, 50));
    EXPECT_EQ(button.GetState(), CLiteButton::kHover);
    EXPECT_EQ(container->CapturedChild(), &button);
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(button.GetState(), CLiteButton::kDown);
    EXPECT_EQ(shownState(), CLiteButton::kDown);
    EXPECT_TRUE(container->clicks.empty());
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(button.GetState(), CLiteButton::kHover);
    EXPECT_EQ(shownState(), CLiteButton::kHover);
    EXPECT_EQ(container->clicks, std::vector<int32_t>{CLiteButton::kHover});
    QTest::mouseMove(w, QPoint(150, 120));
    EXPECT_EQ(button.GetState(), CLiteButton::kUp);
    EXPECT_EQ(container->CapturedChild(), nullptr);
    // Released outside: cancelled.
    QTest::mouseMove(w, QPoint(50, 50));
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QTest::mouseMove(w, QPoint(150, 120));
    EXPECT_EQ(button.GetState(), CLiteButton::kUp);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(150, 120));
    EXPECT_EQ(container->clicks.size(), 1u);
    EXPECT_EQ(container->CapturedChild(), nullptr);
    // Disabled: nothing at all.
    button.SetEnabled(false);
    button.MouseMove(50, 50, 0);
    button.LeftButtonDown(50, 50, kKeyLeftButton);
    EXPECT_EQ(button.GetState(), CLiteButton::kUp);
}

TEST_F(LiteControlsTest, ToggleButtonStaysDownAndAPressWhileDownReleasesIt)
{
    auto container = MakeContainer(nullptr);
    CPicture face;
    MakeSolid(face, 28, 18, MakeColor(1, 2, 3));
    CLiteButton toggle(container.get(), 40, 40, &face, &face, &face, true);
    toggle.MouseMove(50, 50, 0);
    EXPECT_EQ(toggle.GetState(), CLiteButton::kHover);
    toggle.LeftButtonDown(50, 50, kKeyLeftButton);
    EXPECT_EQ(toggle.GetState(), CLiteButton::kDown);
    EXPECT_TRUE(container->clicks.empty());
    toggle.LeftButtonUp(50, 50, 0);
    EXPECT_EQ(toggle.GetState(), CLiteButton::kDown);
    EXPECT_EQ(container->clicks, std::vector<int32_t>{CLiteButton::kDown});
    EXPECT_EQ(container->CapturedChild(), nullptr);
    toggle.MouseMove(52, 52, 0); // down shows no hover
    EXPECT_EQ(toggle.GetState(), CLiteButton::kDown);
    toggle.LeftButtonDown(50, 50, kKeyLeftButton); // reported at once
    EXPECT_EQ(toggle.GetState(), CLiteButton::kUp);
    EXPECT_EQ(container->clicks, (std::vector<int32_t>{CLiteButton::kDown, CLiteButton::kUp}));
    toggle.LeftButtonUp(50, 50, 0);
    EXPECT_EQ(container->clicks.size(), 2u);
}

TEST_F(LiteControlsTest, LcdTextMasksItsTextAndScrollsOnceAroundTheStrip)
{
    auto container = MakeContainer(nullptr);
    CLiteLCDText lcd(container.get(), 10, 10, 60, 16, MakeColor(255, 187, 0), 1.0);
    lcd.SetText("Velmora Studio Demo Text");
    const CPicture& strip = lcd.Strip();
    ASSERT_TRUE(strip.alpha);
    EXPECT_GT(strip.width, 60); // longer than the window: text plus a gap
    EXPECT_EQ(strip.height, 16);
    int opaque = 0;
    int clear = 0;
    for (int32_t y = 0; y < strip.height; ++y) {
        for (int32_t x = 0; x < strip.width; ++x) {
            const uint8_t* p = strip.Row(y) + 4 * x;
            ASSERT_EQ(MakeColor(p[0], p[1], p[2]), MakeColor(255, 187, 0));
            opaque += p[3] > 200;
            clear += p[3] == 0;
        }
    }
    EXPECT_GT(opaque, 50);
    EXPECT_GT(clear, opaque);
    // Scrolling moves one pixel a tick and stops back at the start.
    lcd.StartScrolling();
    EXPECT_TRUE(lcd.IsScrolling());
    lcd.TimerElapsed(0);
    lcd.TimerElapsed(0);
    EXPECT_EQ(lcd.Offset(), 2);
    for (int32_t i = 2; i < strip.width - 1; ++i)
        lcd.TimerElapsed(0);
    EXPECT_TRUE(lcd.IsScrolling());
    lcd.TimerElapsed(0);
    EXPECT_EQ(lcd.Offset(), 0);
    EXPECT_FALSE(lcd.IsScrolling());
    // The real timer ticks every 100 ms.
    lcd.StartScrolling();
    EXPECT_TRUE(ProcessEventsUntil([&] { return lcd.Offset() >= 2; }, 2000));
    lcd.StopScrolling();
    EXPECT_EQ(lcd.Offset(), 0);
    // Drawing stays inside the strip's own rectangle.
    EXPECT_EQ(PixelOf(container->Composition(), 75, 15), PixelOf(container->Composition(), 5, 5));
}

TEST_F(LiteControlsTest, DestroyingTheContainerFirstLeavesChildrenSafe)
{
    auto container = MakeContainer(nullptr);
    CPicture face;
    MakeSolid(face, 10, 10, 0);
    auto button = std::make_unique<CLiteButton>(container.get(), 0, 0, &face, &face, &face);
    container.reset();
    EXPECT_EQ(button->Container(), nullptr);
    button->Redraw();
    button->MouseMove(1, 1, 0);
    button.reset();
}
