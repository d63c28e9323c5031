#pragma once
#include "coremachines/view/CCoreEditorPanel.h"
#include <memory>
#include <vector>

class CLiteLCDText;
class CLiteSlider;

// DudeRivi's face: one vertical slider per parameter, grouped as the
// instrument is built (oscillators, mixer, filters, glide and drive in the
// upper row; envelopes and the LFOs with their matrix below), and an LCD
// line telling the last change as "<name> -> <value>".
class CDudeRiviGUI : public CCoreEditorPanel {
public:
    static constexpr int32_t kWidth = 872;
    static constexpr int32_t kHeight = 298;

    CDudeRiviGUI(CControl* parent, CMachine* machine);
    ~CDudeRiviGUI() override;

    CLiteSlider* Slider(int32_t parameter) const { return sliders[parameter]; }
    const CLiteLCDText* Lcd() const { return lcd.get(); }

protected:
    void ShowParameter(int32_t index) override;
    void ChangesShown() override;

private:
    std::vector<std::unique_ptr<CLiteSlider>> ownedSliders;
    std::vector<CLiteSlider*> sliders;
    std::vector<std::unique_ptr<CLiteLCDText>> texts;
    std::unique_ptr<CLiteLCDText> lcd;
    int32_t lastChanged = -1;
};

CCoreEditor* CreateDudeRiviEditor(CMachine* machine, CControl* parent);
