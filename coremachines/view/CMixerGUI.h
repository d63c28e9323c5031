#pragma once
#include "coremachines/view/CCoreEditorPanel.h"
#include "coremachines/view/CMixerTrackGUI.h"
#include <memory>
#include <vector>

class CLiteControl;
class CLiteLCDText;
class CMixer;

// The row names at the left of the desk.
class CMixerHeader {
public:
    CMixerHeader(CLiteContainer* container, int32_t x);
    ~CMixerHeader();

private:
    std::vector<std::unique_ptr<CLiteLCDText>> labels;
};

// The mixer's face: the header and one strip per channel (eight tracks, two
// auxiliary returns). Mute and solo are desk states of the machine; one
// channel at most is soloed. The meters follow the machine's peaks at each
// refresh. A double click puts a control back at 0.5.
class CMixerGUI : public CCoreEditorPanel {
public:
    static constexpr int32_t kWidth = 632;
    static constexpr int32_t kHeight = 306;

    CMixerGUI(CControl* parent, CMachine* machine);
    ~CMixerGUI() override;

    CMixerTrackGUI* Strip(int32_t channel) const { return strips[channel].get(); }

    void ButtonClicked(CLiteButton* child, int32_t state) override;
    void DoubleClick(int32_t x, int32_t y, uint32_t keys) override;

protected:
    void ShowParameter(int32_t index) override;
    void Tick() override;

private:
    CMixer* Mixer() const;
    void ShowDeskState();

    std::unique_ptr<CMixerHeader> header;
    std::vector<std::unique_ptr<CMixerTrackGUI>> strips;
};

CCoreEditor* CreateMixerEditor(CMachine* machine, CControl* parent);
