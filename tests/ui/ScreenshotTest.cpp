// Renders a small machine panel (pictures from this program's resources,
// knobs, a slider, buttons, a text strip, a framed label and a meter in the
// colour manager's colours) and compares it with the reviewed reference.
// VELMORA_UPDATE_REFERENCE=1 writes a new reference into the source tree;
// look at it before committing it.
#include "studio/CVelmHost.h"
#include "support/QtTestSupport.h"
#include "support/ReferenceImage.h"
#include "support/TestMachines.h"
#include "ui/CColorManager.h"
#include "ui/CFrame.h"
#include "ui/CLabel.h"
#include "ui/CLiteButton.h"
#include "ui/CLiteContainer.h"
#include "ui/CLiteKnob.h"
#include "ui/CLiteLCDText.h"
#include "ui/CLiteSlider.h"
#include "ui/CPeakMeter.h"
#include "ui/CPicture.h"
#include "ui/CWindow.h"
#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

// Resource numbers given to the artwork in tests/ui/CMakeLists.txt.
enum : uint16_t {
    kPanel = 200,
    kKnob = 201,
    kSmallKnob = 202,
    kThumb = 203,
    kTrack = 204,
    kButtonUp = 205,
    kButtonHover = 206,
    kButtonDown = 207,
};

QImage RenderPanel()
{
    CVelmHost host(44100, 256, 0);
    CParameterMachine machine(&host, 1);
    machine.values[0] = 0.7;
    CColorManager colors;
    CPicture panel, knob, smallKnob, thumb, track, up, hover, down;
    panel.LoadResource(kPanel);
    knob.LoadResource(kKnob);
    smallKnob.LoadResource(kSmallKnob);
    thumb.LoadResource(kThumb);
    track.LoadResource(kTrack);
    up.LoadResource(kButtonUp);
    hover.LoadResource(kButtonHover);
    down.LoadResource(kButtonDown);

    CWindow window(nullptr, "Screenshot", 0, 0, 320, 150);
    window.SetColorManager(&colors);
    CLiteContainer container(&window, &panel, 240, 140);
    container.Move(5, 5, 240, 140);
    CLiteKnob off(&container, 16, 16, 32, 32, &knob);
    off.SetValue(0.0);
    CLiteKnob bound(&container, 64, 16, 32, 32, &knob, &machine, 0);
    CLiteKnob small(&container, 112, 22, 20, 20, &smallKnob);
    small.SetValue(0.3);
    CLiteSlider slider(&container, 200, 14, 16, 110, &thumb, &track, true, 100);
    slider.SetValue(0.4);
    CLiteButton push(&container, 16, 100, &up, &hover, &down);
    CLiteButton toggle(&container, 56, 100, &up, &hover, &down, true);
    toggle.SetState(CLiteButton::kDown);
    CLiteLCDText lcd(&container, 16, 64, 150, 18);
    lcd.SetText("Velmora 440 Hz");

    CFrame frame(&window, 250, 5, 65, 60, 2);
    frame.SetBackgroundColor(27);
    CLabel label(&frame, "Level", 4, 4, 57, 18);
    CPeakMeter meter(&window, 250, 75, 65, 18);
    meter.SetLevel(0, -6.0, -2.0);
    meter.SetLevel(1, -20.0, -9.0);
    meter.Redraw();

    for (CControl* c : std::initializer_list<CControl*>{&container, &frame, &label, &meter})
        c->Show(kShow);
    window.Show(kShow);
    return window.Window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(ScreenshotTest, PanelMatchesTheReviewedReference)
{
    QImage actual = RenderPanel();
    ASSERT_EQ(actual.size(), QSize(320, 150));
    ExpectMatchesReference(actual, "ui/reference/panel.png");
}
