#include "coremachines/view/CCoreEditorPanel.h"
#include "ui/ControlMessages.h"

CCoreEditorPanel::CCoreEditorPanel(CControl* parent, CMachine* machine, CPicture* background, int32_t width,
                                   int32_t height)
    : CLiteContainer(parent, background, width, height), machine(machine), timer(this, 1)
{
    timer.Start(kRefreshInterval);
}

CCoreEditorPanel::~CCoreEditorPanel()
{
    timer.Stop();
}

void CCoreEditorPanel::ParameterChanged(int32_t index)
{
    if (index >= 0 && index < kMaxParameters)
        pending[index / 64].fetch_or(uint64_t{1} << (index % 64), std::memory_order_relaxed);
}

void CCoreEditorPanel::SetShown(bool shown)
{
    Show(shown ? kShow : kShowHide);
}

void CCoreEditorPanel::TimerElapsed(int32_t)
{
    ApplyPendingChanges();
    Tick();
}

void CCoreEditorPanel::ApplyPendingChanges()
{
    bool any = false;
    for (int32_t word = 0; word < kMaxParameters / 64; ++word) {
        uint64_t bits = pending[word].exchange(0, std::memory_order_relaxed);
        any = any || bits != 0;
        while (bits) {
            const int32_t bit = __builtin_ctzll(bits);
            bits &= bits - 1;
            ShowParameter(word * 64 + bit);
        }
    }
    if (any)
        ChangesShown();
}
