#pragma once
#include "coremachines/view/CCoreEditorPanel.h"
#include <memory>

class CFilterResponseView;
class CLiteButton;
class CLiteLCDText;

// The oversampling filter's face: one button per design (the selected one
// held down, captioned with its factor) and the selected design's response.
class CViziRavezFilterGUI : public CCoreEditorPanel {
public:
    static constexpr int32_t kDesigns = 5;
    static constexpr int32_t kWidth = 360;
    static constexpr int32_t kHeight = 150;

    CViziRavezFilterGUI(CControl* parent, CMachine* machine);
    ~CViziRavezFilterGUI() override;

    CLiteButton* DesignButton(int32_t design) const { return buttons[design].get(); }
    CFilterResponseView* Response() const { return response.get(); }
    const CLiteLCDText* FactorText() const { return factor.get(); }

    void ButtonClicked(CLiteButton* child, int32_t state) override;

protected:
    void ShowParameter(int32_t index) override;

private:
    void ShowSelection();

    std::unique_ptr<CLiteButton> buttons[kDesigns];
    std::unique_ptr<CLiteLCDText> captions[kDesigns];
    std::unique_ptr<CLiteLCDText> title;
    std::unique_ptr<CLiteLCDText> factor;
    std::unique_ptr<CFilterResponseView> response;
};

CCoreEditor* CreateViziRavezEditor(CMachine* machine, CControl* parent);
