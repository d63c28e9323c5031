#pragma once
#include "coremachines/view/CCoreEditorPanel.h"
#include <memory>
#include <vector>

class CLiteKnob;
class CLiteLCDText;

// DUzoV8's face: one column per voice captioned with the voice's name, one
// knob per parameter of that voice (tune, level, balance, decay, ...) with
// the parameter's short name beside it.
class CDrumKitGUI : public CCoreEditorPanel {
public:
    static constexpr int32_t kVoices = 11;
    static constexpr int32_t kColumn = 64;
    static constexpr int32_t kWidth = 16 + kVoices * kColumn;
    static constexpr int32_t kHeight = 196;

    CDrumKitGUI(CControl* parent, CMachine* machine);
    ~CDrumKitGUI() override;

    CLiteKnob* Knob(int32_t parameter) const { return knobs[parameter]; }
    // The voice whose column holds the parameter.
    int32_t ColumnOf(int32_t parameter) const { return columns[parameter]; }
    const CLiteLCDText* Caption(int32_t voice) const { return captions[voice]; }

protected:
    void ShowParameter(int32_t index) override;

private:
    std::vector<std::unique_ptr<CLiteKnob>> ownedKnobs;
    std::vector<CLiteKnob*> knobs;
    std::vector<int32_t> columns;
    std::vector<std::unique_ptr<CLiteLCDText>> texts;
    std::vector<CLiteLCDText*> captions;
};

CCoreEditor* CreateDrumKitEditor(CMachine* machine, CControl* parent);
