#include "audio/view/CAudioOutOptions.h"
#include "audio/CASIODriver.h"
#include "audio/CAudioOutputManager.h"
#include "audio/CNullDriver.h"
#include "audio/CWaveOutDriver.h"
#include "audio/view/CASIOOutOptions.h"
#include "audio/view/CNullOutOptions.h"
#include "audio/view/COptionsDialog.h"
#include "audio/view/CWaveOutOptions.h"
#include "ui/CComboBox.h"
#include "ui/CLabel.h"

CAudioOutOptions::CAudioOutOptions(COptionsDialog* dialog, int32_t x, int32_t y, int32_t width, int32_t height)
    : COptionsFrame(dialog, x, y, width, height)
{
    CAudioOutputManager& output = *dialog->Services().output;
    titleLabel = new CLabel(this, "Audio Output Options", 8, 0, width - 16, 20);
    driverLabel = new CLabel(this, "Driver:", 8, 24, 48, 22);
    driverList = new CComboBox(this, 56, 24, 192, 22);
    for (int32_t i = 0; i < kFrameCount; ++i)
        driverList->AddString(output.GetDriver(i)->GetName());
    const int32_t fw = width - 16;
    const int32_t fh = height - 60;
    frames[CAudioOutputManager::NULL_DRIVER] =
        new CNullOutOptions(this, dynamic_cast<CNullDriver*>(output.GetDriver(CAudioOutputManager::NULL_DRIVER)), 8,
                            52, fw, fh);
    frames[CAudioOutputManager::WAVE_OUT_DRIVER] = new CWaveOutOptions(
        this, dynamic_cast<CWaveOutDriver*>(output.GetDriver(CAudioOutputManager::WAVE_OUT_DRIVER)), 8, 52, fw, fh);
    frames[CAudioOutputManager::ASIO_DRIVER] =
        new CASIOOutOptions(this, dynamic_cast<CASIODriver*>(output.GetDriver(CAudioOutputManager::ASIO_DRIVER)), 8,
                            52, fw, fh);
    shown = output.GetCurrentIndex();
    driverList->SetCurSel(shown);
    titleLabel->Show(kShow);
    driverLabel->Show(kShow);
    driverList->Show(kShow);
    for (int32_t i = 0; i < kFrameCount; ++i)
        frames[i]->Show(i == shown ? kShow : kShowHide);
}

CAudioOutOptions::~CAudioOutOptions()
{
    for (CAudioOutDriverOptions*& frame : frames)
        delete frame;
    delete driverList;
    delete driverLabel;
    delete titleLabel;
}

void CAudioOutOptions::Apply()
{
    // Choosing a driver and then the running one again is no change.
    if (shown == Dialog()->Services().output->GetCurrentIndex())
        driverChanged = false;
    int32_t restart = -1;
    for (int32_t i = 0; i < kFrameCount; ++i) {
        const bool handedOver = frames[i]->Apply();
        if ((handedOver || driverChanged) && i == shown)
            restart = i;
    }
    driverChanged = false;
    if (restart >= 0 && Dialog()->Services().selectDriver)
        Dialog()->Services().selectDriver(restart);
}

void CAudioOutOptions::ComboSelectionChanged(CComboBox* combo)
{
    if (combo != driverList)
        return;
    const int32_t chosen = driverList->GetCurSel();
    if (chosen < 0 || chosen >= kFrameCount || chosen == shown)
        return;
    frames[shown]->Show(kShowHide);
    frames[chosen]->Show(kShow);
    shown = chosen;
    driverChanged = true;
    MarkChanged();
}

void CAudioOutOptions::Resized(int32_t newWidth, int32_t newHeight)
{
    COptionsFrame::Resized(newWidth, newHeight);
    if (titleLabel)
        titleLabel->Move(8, 0, newWidth - 16, 20);
    for (CAudioOutDriverOptions* frame : frames) {
        if (frame)
            frame->Move(8, 52, newWidth - 16, newHeight - 60);
    }
}
