#include "audio/view/CWaveOutOptions.h"
#include "audio/CWaveOutDriver.h"
#include "ui/CComboBox.h"
#include "ui/CSlider.h"

CWaveOutOptions::CWaveOutOptions(CAudioOutOptions* page, CWaveOutDriver* driver, int32_t x, int32_t y, int32_t width,
                                 int32_t height)
    : CAudioOutDriverOptions(page, "Wave Out Options", x, y, width, height, 108), driver(driver)
{
    Load();
}

void CWaveOutOptions::Load()
{
    for (int32_t i = 0; i < driver->GetDeviceCount(); ++i)
        deviceList->AddString(driver->GetDeviceName(i));
    editedDevice = driver->GetDevice();
    if (editedDevice >= 0)
        deviceList->SetCurSel(editedDevice);
    FillFormats();
    SetBufferSize(driver->GetChosenBufferSize());
    slider->SetValue(SizeToSlider(editedBufferSize));
}

void CWaveOutOptions::FillFormats()
{
    SetFormatsOf(editedDevice >= 0 ? static_cast<uint32_t>(driver->GetDeviceFormats(editedDevice)) : 0u,
                 static_cast<int32_t>(driver->GetFormat()));
}

int32_t CWaveOutOptions::SliderToSize(double position) const
{
    return RoundDownTo512(static_cast<int32_t>(position * 14336) + 2048);
}

double CWaveOutOptions::SizeToSlider(int32_t size) const
{
    return (size - 2048) / 14336.0;
}

bool CWaveOutOptions::Apply()
{
    if (driver->GetDevice() < 0 || editedDevice < 0)
        return false;
    bool differed = false;
    if (editedDevice != driver->GetDevice()) {
        driver->SetDevice(editedDevice);
        differed = true;
    }
    if (!formats.empty() && static_cast<FormatMask>(EditedFormat()) != driver->GetFormat()) {
        driver->SetFormat(static_cast<FormatMask>(EditedFormat()));
        differed = true;
    }
    if (editedBufferSize != driver->GetChosenBufferSize()) {
        driver->SetBufferSize(editedBufferSize);
        differed = true;
    }
    return differed;
}
