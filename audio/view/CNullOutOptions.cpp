#include "audio/view/CNullOutOptions.h"
#include "audio/CNullDriver.h"
#include "ui/CComboBox.h"
#include "ui/CSlider.h"

CNullOutOptions::CNullOutOptions(CAudioOutOptions* page, CNullDriver* driver, int32_t x, int32_t y, int32_t width,
                                 int32_t height)
    : CAudioOutDriverOptions(page, "Null Out Options", x, y, width, height, 108), driver(driver)
{
    Load();
}

void CNullOutOptions::Load()
{
    deviceList->AddString("Null");
    editedDevice = 0;
    deviceList->SetCurSel(0);
    FillFormats();
    SetBufferSize(driver->GetChosenBufferSize());
    slider->SetValue(SizeToSlider(editedBufferSize));
}

void CNullOutOptions::FillFormats()
{
    SetFormatsOf(static_cast<uint32_t>(driver->GetSupportedFormats()), static_cast<int32_t>(driver->GetFormat()));
}

int32_t CNullOutOptions::SliderToSize(double position) const
{
    return RoundDownTo512(static_cast<int32_t>(position * 7680) + 512);
}

double CNullOutOptions::SizeToSlider(int32_t size) const
{
    return (size - 512) / 7680.0;
}

bool CNullOutOptions::Apply()
{
    bool differed = false;
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
