#pragma once
#include "coremachines/view/CCoreEditorPanel.h"
#include <memory>

class CLiteKnob;
class CLiteLCDText;
class CTransferCurveDisplay;

// The editor of Vorize and Distort: four knobs (amp, amount, wet, dry) with
// their names and values, and the transfer curve, redrawn when amp or the
// amount changes.
class CWaveShaperGUI : public CCoreEditorPanel {
public:
    enum class Curve { Crunch, OverDrive };
    static constexpr int32_t kWidth = 336;
    static constexpr int32_t kHeight = 128;

    CWaveShaperGUI(CControl* parent, CMachine* machine, Curve curve);
    ~CWaveShaperGUI() override;

    CLiteKnob* Knob(int32_t index) const { return knobs[index].get(); }
    CTransferCurveDisplay* CurveDisplay() const { return display.get(); }
    const CLiteLCDText* ValueText(int32_t index) const { return values[index].get(); }

protected:
    void ShowParameter(int32_t index) override;

private:
    void ShowValue(int32_t index);

    std::unique_ptr<CLiteKnob> knobs[4];
    std::unique_ptr<CLiteLCDText> names[4];
    std::unique_ptr<CLiteLCDText> values[4];
    std::unique_ptr<CLiteLCDText> title;
    std::unique_ptr<CTransferCurveDisplay> display;
};

CCoreEditor* CreateVorizeEditor(CMachine* machine, CControl* parent);
CCoreEditor* CreateDistortEditor(CMachine* machine, CControl* parent);
