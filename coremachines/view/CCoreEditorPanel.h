#pragma once
#include "coremachines/CCoreEditor.h"
#include "ui/CLiteContainer.h"
#include "ui/CTimer.h"
#include <atomic>
#include <cstdint>

class CMachine;

// The frame of every core machine editor: one lightweight container whose
// controls are bound to the machine's parameters. Parameter changes made
// elsewhere (automation on the audio thread, Randomize, program changes)
// only set a bit here; a GUI-thread timer moves the controls from the
// machine's values, so nothing is echoed back and the audio thread never
// waits for drawing.
class CCoreEditorPanel : public CLiteContainer, public CCoreEditor, public CTimerCallback {
public:
    static constexpr int32_t kMaxParameters = 128;
    static constexpr int32_t kRefreshInterval = 30;

    CCoreEditorPanel(CControl* parent, CMachine* machine, CPicture* background, int32_t width, int32_t height);
    ~CCoreEditorPanel() override;

    CControl* Control() override { return this; }
    void ParameterChanged(int32_t index) override;
    void SetShown(bool shown) override;
    void TimerElapsed(int32_t timerId) override;

    CMachine* Machine() const { return machine; }
    // Applies the changes noted so far (the timer does this; tests call it).
    void ApplyPendingChanges();

protected:
    // Moves the controls of one parameter to the machine's value (GUI thread).
    virtual void ShowParameter(int32_t index) = 0;
    // After a batch of ShowParameter calls (GUI thread).
    virtual void ChangesShown() {}
    // Every refresh tick, changed or not (GUI thread): meters and the like.
    virtual void Tick() {}

private:
    CMachine* machine;
    std::atomic<uint64_t> pending[kMaxParameters / 64] = {};
    CTimer timer;
};
