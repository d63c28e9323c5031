#include "coremachines/view/CWaveShaperGUI.h"
#include "coremachines/CWaveShaper.h"
#include "coremachines/view/CCoreArtwork.h"
#include "coremachines/view/CTransferCurveDisplay.h"
#include "framework/CMachine.h"
#include "framework/CMutex.h"
#include "ui/CLiteKnob.h"
#include "ui/CLiteLCDText.h"
#include "ui/CPicture.h"
#include <QFont>

namespace {
constexpr int32_t kKnobSize = 32;
constexpr int32_t kColumn = 52;   // knob pitch
constexpr int32_t kLeft = 18;
constexpr int32_t kKnobTop = 44;
constexpr int32_t kCurveSize = 104;
const ColorRef kLabel = MakeColor(222, 226, 232);
const ColorRef kValue = MakeColor(255, 187, 0);
} // namespace

CWaveShaperGUI::CWaveShaperGUI(CControl* parent, CMachine* machine, Curve curve)
    : CCoreEditorPanel(parent, machine, CoreArtwork::Get(CoreArtwork::kShaperPanel), kWidth, kHeight)
{
    SetFont(new QFont(QStringLiteral("DejaVu Sans"), 7), true);
    const CPicture* strip = CoreArtwork::Get(CoreArtwork::kKnob);
    char text[kMachineTextSize];
    for (int32_t i = 0; i < 4; ++i) {
        const int32_t left = kLeft + i * kColumn;
        knobs[i] = std::make_unique<CLiteKnob>(this, left, kKnobTop, kKnobSize, kKnobSize, strip, machine, i);
        names[i] = std::make_unique<CLiteLCDText>(this, left - 8, kKnobTop - 16, kKnobSize + 16, 12, kLabel, 1.0);
        {
            CLockGuard<CMachine> lock(*machine);
            machine->GetParameterName(i, text);
        }
        names[i]->SetText(text);
        values[i] = std::make_unique<CLiteLCDText>(this, left - 8, kKnobTop + kKnobSize + 6, kKnobSize + 16, 12,
                                                   kValue, 1.0);
        ShowValue(i);
    }
    title = std::make_unique<CLiteLCDText>(this, kLeft, 8, 4 * kColumn - 20, 14, kLabel, 1.0);
    title->SetText(curve == Curve::Crunch ? "VORIZE  bit crusher" : "DISTORT  drive");
    const int32_t curveX = kWidth - kCurveSize - 12;
    if (curve == Curve::Crunch)
        display = std::make_unique<CCrunchDisplay>(this, curveX, 12, kCurveSize, kCurveSize);
    else
        display = std::make_unique<COverDriveDisplay>(this, curveX, 12, kCurveSize, kCurveSize);
    ShowParameter(CWaveShaper::AMP);
    Redraw();
}

// Children go before the container they draw into.
CWaveShaperGUI::~CWaveShaperGUI()
{
    display.reset();
    title.reset();
    for (int32_t i = 0; i < 4; ++i) {
        values[i].reset();
        names[i].reset();
        knobs[i].reset();
    }
}

void CWaveShaperGUI::ShowValue(int32_t index)
{
    char text[kMachineTextSize];
    {
        CLockGuard<CMachine> lock(*Machine());
        Machine()->GetParameterDisplayValue(index, Machine()->GetParameter(index), text);
    }
    values[index]->SetText(text);
}

void CWaveShaperGUI::ShowParameter(int32_t index)
{
    if (index < 0 || index >= 4)
        return;
    knobs[index]->Refresh();
    ShowValue(index);
    if (index == CWaveShaper::AMP || index == CWaveShaper::AMOUNT) {
        double amp, amount;
        {
            CLockGuard<CMachine> lock(*Machine());
            amp = Machine()->GetParameter(CWaveShaper::AMP);
            amount = Machine()->GetParameter(CWaveShaper::AMOUNT);
        }
        display->SetCurve(amp, amount);
    }
}

CCoreEditor* CreateVorizeEditor(CMachine* machine, CControl* parent)
{
    return new CWaveShaperGUI(parent, machine, CWaveShaperGUI::Curve::Crunch);
}

CCoreEditor* CreateDistortEditor(CMachine* machine, CControl* parent)
{
    return new CWaveShaperGUI(parent, machine, CWaveShaperGUI::Curve::OverDrive);
}
