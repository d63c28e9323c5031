#include "coremachines/view/CDizodirEzavGUI.h"
#include "coremachines/CDizodirEzav.h"
#include "coremachines/view/CCoreArtwork.h"
#include "coremachines/view/CImpulseView.h"
#include "framework/CHost.h"
#include "framework/CMutex.h"
#include "ui/CLiteKnob.h"
#include "ui/CLiteLCDText.h"
#include "ui/CLiteSlider.h"
#include <QFont>
#include <algorithm>
#include <vector>

namespace {
constexpr int32_t kRoomSize = 180;
const ColorRef kCaption = MakeColor(255, 187, 0);
const ColorRef kLabel = MakeColor(200, 204, 210);
const char* const kKnobNames[4] = {"Absorb", "Feedback", "Cutoff", "Gain"};

CDizodirEzav* Reverb(CMachine* machine)
{
    return static_cast<CDizodirEzav*>(machine);
}
} // namespace

CDizodirEzavGUI::CDizodirEzavGUI(CControl* parent, CMachine* machine)
    : CCoreEditorPanel(parent, machine, CoreArtwork::Get(CoreArtwork::kReverbPanel), kWidth, kHeight)
{
    SetFont(new QFont(QStringLiteral("DejaVu Sans"), 6), true);
    texts[0] = std::make_unique<CLiteLCDText>(this, 14, 8, 300, 14, kCaption, 1.0);
    texts[0]->SetText("DIZODIREZAV  room reverb");
    room = std::make_unique<CRoomView>(this, 13, 31, kRoomSize,
                                       [this](int32_t point, double rx, double ry) { MovePoint(point, rx, ry); });
    for (int32_t p = 0; p < 4; ++p)
        labels[p] = std::make_unique<CLiteLCDText>(this, 0, 0, 74, 11, p < 2 ? kCaption : MakeColor(90, 200, 255), 1.0);
    impulse = std::make_unique<CImpulseView>(this, 208, 32, 196, 118);
    caption = std::make_unique<CLiteLCDText>(this, 208, 154, 196, 11, kLabel, 1.0);
    const CPicture* strip = CoreArtwork::Get(CoreArtwork::kKnob);
    for (int32_t k = 0; k < 4; ++k) {
        const int32_t x = 212 + k * 50;
        knobs[k] = std::make_unique<CLiteKnob>(this, x, 170, 32, 32, strip, machine, CDizodirEzav::WALL_ABSORB + k);
        texts[1 + k] = std::make_unique<CLiteLCDText>(this, x - 6, 204, 48, 11, kLabel, 1.0);
        texts[1 + k]->SetText(kKnobNames[k]);
    }
    const CPicture* thumb = CoreArtwork::Get(CoreArtwork::kSliderThumb);
    const CPicture* track = CoreArtwork::Get(CoreArtwork::kSliderTrack);
    for (int32_t axis = 0; axis < 2; ++axis) {
        const int32_t x = 424 + axis * 26;
        sizes[axis] = std::make_unique<CLiteSlider>(this, x, 48, 16, 74, thumb, track, true, 64, machine,
                                                    CDizodirEzav::ROOM_WIDTH + axis);
        texts[5 + axis] = std::make_unique<CLiteLCDText>(this, x + 4, 126, 16, 11, kLabel, 1.0);
        texts[5 + axis]->SetText(axis == 0 ? "W" : "H");
        texts[7 + axis] = std::make_unique<CLiteLCDText>(this, x - 2, 140, 26, 11, kCaption, 1.0);
    }
    texts[9] = std::make_unique<CLiteLCDText>(this, 424, 32, 48, 11, kCaption, 1.0);
    texts[9]->SetText("ROOM");
    ChangesShown();
    Redraw();
}

// Children go before the container they draw into.
CDizodirEzavGUI::~CDizodirEzavGUI()
{
    for (auto& text : texts)
        text.reset();
    for (auto& knob : knobs)
        knob.reset();
    for (auto& slider : sizes)
        slider.reset();
    for (auto& label : labels)
        label.reset();
    caption.reset();
    impulse.reset();
    room.reset();
}

void CDizodirEzavGUI::MovePoint(int32_t point, double relativeX, double relativeY)
{
    {
        CLockGuard<CMachine> lock(*Machine());
        Machine()->SetParameterAutomated(2 * point, relativeX);
        Machine()->SetParameterAutomated(2 * point + 1, relativeY);
    }
    // Shown at once while dragging, not a refresh later.
    ApplyPendingChanges();
}

void CDizodirEzavGUI::ShowParameter(int32_t index)
{
    if (index >= CDizodirEzav::WALL_ABSORB && index <= CDizodirEzav::GAIN)
        knobs[index - CDizodirEzav::WALL_ABSORB]->Refresh();
    else if (index == CDizodirEzav::ROOM_WIDTH || index == CDizodirEzav::ROOM_HEIGHT)
        sizes[index - CDizodirEzav::ROOM_WIDTH]->Refresh();
}

void CDizodirEzavGUI::ChangesShown()
{
    CDizodirEzav* reverb = Reverb(Machine());
    CRoomView::Room shown;
    std::vector<double> heard[2];
    int32_t rate;
    char sizeText[2][kMachineTextSize];
    {
        CLockGuard<CMachine> lock(*reverb);
        reverb->IdleGUI(); // recomputes what changed, outside the work call
        shown.width = reverb->Width();
        shown.height = reverb->Height();
        for (int32_t side = 0; side < 2; ++side) {
            shown.x[side] = reverb->Source(side).x;
            shown.y[side] = reverb->Source(side).y;
            shown.x[2 + side] = reverb->Listener(side).x;
            shown.y[2 + side] = reverb->Listener(side).y;
            // What a listener hears: the two sources' responses averaged.
            const std::vector<double>& a = reverb->Response(0, side);
            const std::vector<double>& b = reverb->Response(1, side);
            heard[side].resize(std::min(a.size(), b.size()));
            for (size_t i = 0; i < heard[side].size(); ++i)
                heard[side][i] = 0.5 * (a[i] + b[i]);
            reverb->GetParameterDisplayValue(CDizodirEzav::ROOM_WIDTH + side,
                                             reverb->GetParameter(CDizodirEzav::ROOM_WIDTH + side), sizeText[side]);
        }
        rate = reverb->host->GetSampleRate();
    }
    room->SetRoom(shown);
    impulse->SetResponses(heard[0], heard[1], rate);
    char text[64];
    CImpulseView::Caption(impulse->ViewMilliseconds(), text, sizeof text);
    caption->SetText(text);
    for (int32_t p = 0; p < 4; ++p) {
        labels[p]->SetText(room->Label(p).c_str());
        // Left of a left point, right of a right one, kept inside the view.
        const int32_t beside = p % 2 == 0 ? room->PixelX(p) - 70 : room->PixelX(p) + 6;
        const int32_t lx = std::clamp(beside, room->X(), room->X() + room->Width() - labels[p]->Width());
        const int32_t ly = std::min(room->PixelY(p) + 4, room->Y() + room->Height() - 12);
        labels[p]->MoveTo(lx, ly);
    }
    for (int32_t axis = 0; axis < 2; ++axis)
        texts[7 + axis]->SetText(sizeText[axis]);
}

CCoreEditor* CreateDizodirEzavEditor(CMachine* machine, CControl* parent)
{
    return new CDizodirEzavGUI(parent, machine);
}
