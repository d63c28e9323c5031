#pragma once
#include "coremachines/view/CCoreEditorPanel.h"
#include "coremachines/view/CRoomView.h"
#include <memory>

class CImpulseView;
class CLiteKnob;
class CLiteLCDText;
class CLiteSlider;

// The room reverb's face: the room with its draggable sources and
// listeners, the early reflections they give, the room's two sizes as
// sliders and knobs for absorption, feedback, cutoff and gain.
//
// The machine recomputes its reflections only in its work call or idle
// call; after a change the editor asks for the idle call (under the
// machine's lock, on the GUI thread, between blocks) and shows the result.
class CDizodirEzavGUI : public CCoreEditorPanel {
public:
    static constexpr int32_t kWidth = 484;
    static constexpr int32_t kHeight = 222;

    CDizodirEzavGUI(CControl* parent, CMachine* machine);
    ~CDizodirEzavGUI() override;

    CRoomView* Room() const { return room.get(); }
    CImpulseView* Impulse() const { return impulse.get(); }
    const CLiteLCDText* CaptionText() const { return caption.get(); }
    const CLiteLCDText* PointLabel(int32_t point) const { return labels[point].get(); }
    CLiteSlider* SizeSlider(int32_t axis) const { return sizes[axis].get(); }

protected:
    void ShowParameter(int32_t index) override;
    void ChangesShown() override;

private:
    void MovePoint(int32_t point, double relativeX, double relativeY);

    std::unique_ptr<CRoomView> room;
    std::unique_ptr<CImpulseView> impulse;
    std::unique_ptr<CLiteLCDText> caption;
    std::unique_ptr<CLiteLCDText> labels[4];
    std::unique_ptr<CLiteSlider> sizes[2];
    std::unique_ptr<CLiteKnob> knobs[4];
    std::unique_ptr<CLiteLCDText> texts[10];
};

CCoreEditor* CreateDizodirEzavEditor(CMachine* machine, CControl* parent);
