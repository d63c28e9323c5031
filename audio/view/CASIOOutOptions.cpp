#include "audio/view/CASIOOutOptions.h"
#include "audio/CASIODriver.h"
#include "framework/Errors.h"
#include "ui/CComboBox.h"
#include "ui/CLabel.h"
#include "ui/CSlider.h"
#include <algorithm>

CASIOOutOptions::CASIOOutOptions(CAudioOutOptions* page, CASIODriver* driver, int32_t x, int32_t y, int32_t width,
                                 int32_t height)
    : CAudioOutDriverOptions(page, "ASIO Out Options", x, y, width, height, 104), driver(driver)
{
    channelsLabel = new CLabel(this, "", 8, 128, width - 16, 22);
    statusLabel = new CLabel(this, "", 8, 152, width - 16, 22);
    channelsLabel->Show(kShow);
    statusLabel->Show(kShow);
    Load();
}

CASIOOutOptions::~CASIOOutOptions()
{
    delete statusLabel;
    delete channelsLabel;
}

void CASIOOutOptions::Load()
{
    for (int32_t i = 0; i < driver->GetDriverCount(); ++i)
        deviceList->AddString(driver->GetDriverName(i));
    editedDevice = driver->GetDriver();
    if (editedDevice >= 0)
        deviceList->SetCurSel(editedDevice);
    SetBufferSize(driver->GetChosenBufferSize());
    FillFormats();
    slider->SetValue(SizeToSlider(editedBufferSize));
}

void CASIOOutOptions::FillFormats()
{
    std::vector<int32_t> flags;
    std::vector<std::string> texts;
    if (editedDevice >= 0) {
        flags = FormatFlags(static_cast<uint32_t>(driver->GetRateFlags(editedDevice)));
        // Bit 0 stands for the driver's own rate when it offers none of ours.
        if (flags.empty())
            flags.push_back(0);
        for (int32_t flag : flags)
            texts.push_back(driver->DescribeRate(flag));
    }
    SetFormats(flags, texts, driver->GetRate());
    // Another driver's range may not hold the size edited so far.
    const CASIODriver::ProbeRecord& probe = driver->GetProbe(editedDevice);
    if (editedBufferSize < probe.minimumSize || editedBufferSize > probe.maximumSize) {
        SetBufferSize(probe.preferredSize != 0 ? probe.preferredSize : probe.maximumSize);
        slider->SetValue(SizeToSlider(editedBufferSize));
    }
    ShowDriverState();
}

void CASIOOutOptions::ShowDriverState()
{
    if (!channelsLabel)
        return;
    const CASIODriver::ProbeRecord& probe = driver->GetProbe(editedDevice);
    channelsLabel->SetText(FormatText("Channels: %i", probe.outputs).c_str());
    if (editedDevice < 0)
        statusLabel->SetText("No ASIO Driver Installed");
    else if (!probe.error.empty())
        statusLabel->SetText(FormatText("%s Not Available: %s", probe.name.c_str(), probe.error.c_str()).c_str());
    else
        statusLabel->SetText("");
}

int32_t CASIOOutOptions::SliderToSize(double position) const
{
    const CASIODriver::ProbeRecord& probe = driver->GetProbe(editedDevice);
    const int32_t d = static_cast<int32_t>((probe.maximumSize - probe.minimumSize) * position);
    int32_t size = probe.minimumSize + d;
    if (probe.granularity > 0)
        size = std::max(probe.minimumSize, size / probe.granularity * probe.granularity);
    return size;
}

double CASIOOutOptions::SizeToSlider(int32_t size) const
{
    const CASIODriver::ProbeRecord& probe = driver->GetProbe(editedDevice);
    if (probe.maximumSize <= probe.minimumSize)
        return 0.0;
    return std::clamp(static_cast<double>(size - probe.minimumSize) / (probe.maximumSize - probe.minimumSize), 0.0,
                      1.0);
}

bool CASIOOutOptions::Apply()
{
    if (driver->GetDriver() < 0 || editedDevice < 0)
        return false;
    bool differed = false;
    if (editedDevice != driver->GetDriver()) {
        driver->SetDriver(editedDevice);
        differed = true;
    }
    if (!formats.empty() && EditedFormat() != driver->GetRate()) {
        driver->SetRate(EditedFormat());
        differed = true;
    }
    if (editedBufferSize != driver->GetChosenBufferSize()) {
        driver->SetBufferSize(editedBufferSize);
        differed = true;
    }
    return differed;
}
