#include "coremachines/view/CMixerGUI.h"
#include "coremachines/CMixer.h"
#include "coremachines/view/CCoreArtwork.h"
#include "framework/CMutex.h"
#include "ui/CLiteButton.h"
#include "ui/CLiteKnob.h"
#include "ui/CLiteLCDText.h"
#include "ui/CLiteSlider.h"
#include <QFont>

namespace {
const ColorRef kCaption = MakeColor(255, 187, 0);
const ColorRef kLabel = MakeColor(200, 204, 210);
constexpr int32_t kFirstStrip = 70;

// The channel a parameter belongs to.
int32_t ChannelOf(int32_t parameter)
{
    const int32_t trackParameters = CMixer::kTracks * CMixer::kTrackParameters;
    return parameter < trackParameters ? parameter / CMixer::kTrackParameters
                                       : CMixer::kTracks + (parameter - trackParameters) / CMixer::kBusParameters;
}
} // namespace

CMixerHeader::CMixerHeader(CLiteContainer* container, int32_t x)
{
    struct Row {
        const char* text;
        int32_t y;
        bool caption;
    };
    for (const Row& row : {Row{"MIXER", 30, true}, Row{"HIGH", 50, false}, Row{"MID", 74, false},
                           Row{"LOW", 98, false}, Row{"AUX1", 124, false}, Row{"AUX2", 148, false},
                           Row{"BAL", 172, false}, Row{"LEVEL", 222, false}, Row{"M  S", 277, false}}) {
        auto& label = labels.emplace_back(
            std::make_unique<CLiteLCDText>(container, x + 6, row.y, 52, 11, row.caption ? kCaption : kLabel, 1.0));
        label->SetText(row.text);
    }
}

CMixerHeader::~CMixerHeader() = default;

CMixerGUI::CMixerGUI(CControl* parent, CMachine* machine)
    : CCoreEditorPanel(parent, machine, CoreArtwork::Get(CoreArtwork::kMixerPanel), kWidth, kHeight)
{
    SetFont(new QFont(QStringLiteral("DejaVu Sans"), 6), true);
    header = std::make_unique<CMixerHeader>(this, 6);
    for (int32_t c = 0; c < CMixer::kChannels; ++c)
        strips.push_back(
            std::make_unique<CMixerTrackGUI>(this, machine, c, kFirstStrip + c * CMixerTrackGUI::kWidth));
    ShowDeskState();
    Redraw();
}

CMixerGUI::~CMixerGUI()
{
    strips.clear();
    header.reset();
}

CMixer* CMixerGUI::Mixer() const
{
    return static_cast<CMixer*>(Machine());
}

void CMixerGUI::ShowDeskState()
{
    const int32_t soloed = Mixer()->GetSolo();
    for (const auto& strip : strips) {
        strip->Mute()->SetState(Mixer()->IsMuted(strip->Channel()) ? CLiteButton::kDown : CLiteButton::kUp);
        strip->Solo()->SetState(strip->Channel() == soloed ? CLiteButton::kDown : CLiteButton::kUp);
    }
}

void CMixerGUI::ButtonClicked(CLiteButton* child, int32_t state)
{
    const bool on = state == CLiteButton::kDown;
    for (const auto& strip : strips) {
        if (strip->Mute() == child)
            Mixer()->SetMute(strip->Channel(), on);
        else if (strip->Solo() == child)
            Mixer()->SetSolo(strip->Channel(), on);
    }
    // One solo at a time: a new solo releases the others' buttons.
    ShowDeskState();
}

void CMixerGUI::DoubleClick(int32_t px, int32_t py, uint32_t)
{
    CLiteControl* child = ChildAt(px, py);
    if (!child)
        return;
    for (int32_t p = 0; p < CMixer::kParameterCount; ++p) {
        CMixerTrackGUI* strip = strips[ChannelOf(p)].get();
        if (child != strip->KnobOf(p) && child != strip->SliderOf(p))
            continue;
        {
            CLockGuard<CMachine> lock(*Machine());
            Machine()->SetParameterAutomated(p, 0.5);
        }
        ApplyPendingChanges();
        return;
    }
}

void CMixerGUI::ShowParameter(int32_t index)
{
    if (index >= 0 && index < CMixer::kParameterCount)
        strips[ChannelOf(index)]->Refresh(index);
}

void CMixerGUI::Tick()
{
    Machine()->IdleGUI();
    for (const auto& strip : strips)
        strip->ShowPeaks(Mixer()->GetPeak(strip->Channel(), 0), Mixer()->GetPeak(strip->Channel(), 1));
}

CCoreEditor* CreateMixerEditor(CMachine* machine, CControl* parent)
{
    return new CMixerGUI(parent, machine);
}
