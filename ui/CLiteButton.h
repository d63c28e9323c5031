#pragma once
#include "ui/CLiteControl.h"

class CPicture;

// A button with one picture per state: up, hover (pointer inside, mouse
// captured) and down. A push button goes down on press and back to hover on
// release, reporting the click then; a toggle button goes down on press and
// reports on release, staying down, and a press while down returns it up
// and reports at once. Releasing outside the button cancels the press.
// A disabled button does nothing.
class CLiteButton : public CLiteControl {
public:
    enum State : int32_t { kUp = 0, kHover = 1, kDown = 2 };

    CLiteButton(CLiteContainer* container, int32_t x, int32_t y, const CPicture* up, const CPicture* hover,
                const CPicture* down, bool toggle = false);

    void Draw(CPicture& target) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;

    int32_t GetState() const { return state; }
    // Shows a state set elsewhere (not reported).
    void SetState(int32_t newState);
    bool IsToggle() const { return toggle; }

private:
    void Report();

    const CPicture* pictures[3];
    bool toggle;
    int32_t state = kUp;
    bool pressed = false;
};
