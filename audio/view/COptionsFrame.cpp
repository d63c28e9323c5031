#include "audio/view/COptionsFrame.h"
#include "audio/view/COptionsDialog.h"

COptionsFrame::COptionsFrame(COptionsDialog* dialog, int32_t x, int32_t y, int32_t width, int32_t height)
    : CFrame(dialog, x, y, width, height, 0), dialog(dialog)
{
}

void COptionsFrame::MarkChanged()
{
    dialog->MarkChanged();
}
