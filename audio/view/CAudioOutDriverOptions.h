#pragma once
#include "ui/CFrame.h"
#include <cstdint>
#include <string>
#include <vector>

class CAudioOutOptions;
class CComboBox;
class CLabel;
class CSlider;

// The settings of one output driver as the user edits them: a device, a
// format (or rate) from a list, and a block size on a slider. Nothing
// reaches the driver before Apply.
class CAudioOutDriverOptions : public CFrame {
public:
    CAudioOutDriverOptions(CAudioOutOptions* page, const char* title, int32_t x, int32_t y, int32_t width,
                           int32_t height, int32_t sliderY);
    ~CAudioOutDriverOptions() override;

    // Hands the edited values that differ from the driver's to its setters;
    // true when any did. A driver without a device gets nothing.
    virtual bool Apply() = 0;

    // The block size of a slider position, and the way back.
    virtual int32_t SliderToSize(double position) const = 0;
    virtual double SizeToSlider(int32_t size) const = 0;

    void ComboSelectionChanged(CComboBox* combo) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;

    // Called by the slider when the user moves it.
    void SliderMoved(double position);

    int32_t EditedDevice() const { return editedDevice; }
    int32_t EditedBufferSize() const { return editedBufferSize; }
    // The chosen entry of the format list (0 when the list is empty).
    int32_t EditedFormat() const;
    const std::vector<int32_t>& OfferedFormats() const { return formats; }

    CComboBox* DeviceList() const { return deviceList; }
    CComboBox* FormatList() const { return formatList; }
    CSlider* BufferSlider() const { return slider; }
    CLabel* SamplesLabel() const { return samplesLabel; }

protected:
    // Fills the device list and the edited values from the driver.
    virtual void Load() = 0;
    // The format list for the edited device, with the driver's current
    // choice selected when offered.
    virtual void FillFormats() = 0;

    // Replaces the format list: `flags` in order, each with its text.
    void SetFormats(const std::vector<int32_t>& flags, const std::vector<std::string>& texts, int32_t current);
    // The sample formats of a format mask (waveOut flags), each described.
    void SetFormatsOf(uint32_t mask, int32_t current);
    void SetBufferSize(int32_t size);
    void MarkChanged();

    CAudioOutOptions* page;
    int32_t editedDevice = -1;
    std::vector<int32_t> formats;
    int32_t formatPosition = 0;
    int32_t editedBufferSize = 0;

    CLabel* titleLabel = nullptr;
    CLabel* deviceLabel = nullptr;
    CComboBox* deviceList = nullptr;
    CLabel* formatLabel = nullptr;
    CComboBox* formatList = nullptr;
    CLabel* bufferLabel = nullptr;
    CLabel* samplesLabel = nullptr;
    CSlider* slider = nullptr;
    int32_t sliderY;
};

// Flags of a format mask from the lowest bit up.
std::vector<int32_t> FormatFlags(uint32_t mask);
// Rounds down to a multiple of 512.
int32_t RoundDownTo512(int32_t size);
