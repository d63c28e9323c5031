#include "audio/view/CAudioOutDriverOptions.h"
#include "audio/FormatMask.h"
#include "audio/view/CAudioOutOptions.h"
#include "framework/Errors.h"
#include "ui/CComboBox.h"
#include "ui/CLabel.h"
#include "ui/CSlider.h"
#include <algorithm>

namespace {

// A slider that reports the user's moves to its frame.
class CBufferSlider : public CSlider {
public:
    CBufferSlider(CAudioOutDriverOptions* frame, int32_t x, int32_t y, int32_t width, int32_t height)
        : CSlider(frame, x, y, width, height), frame(frame)
    {
    }
    void ValueChanged(double value) override { frame->SliderMoved(value); }

private:
    CAudioOutDriverOptions* frame;
};

} // namespace

std::vector<int32_t> FormatFlags(uint32_t mask)
{
    std::vector<int32_t> flags;
    for (int bit = 0; bit < 20; ++bit) {
        if (mask & (1u << bit))
            flags.push_back(1 << bit);
    }
    return flags;
}

int32_t RoundDownTo512(int32_t size)
{
    return size / 512 * 512;
}

CAudioOutDriverOptions::CAudioOutDriverOptions(CAudioOutOptions* page, const char* title, int32_t x, int32_t y,
                                               int32_t width, int32_t height, int32_t sliderY)
    : CFrame(page, x, y, width, height, 2), page(page), sliderY(sliderY)
{
    titleLabel = new CLabel(this, title, 8, 2, width - 16, 18);
    deviceLabel = new CLabel(this, "Device:", 8, 24, 56, 22);
    deviceList = new CComboBox(this, 64, 24, width - 72, 22);
    formatLabel = new CLabel(this, "Format:", 8, 52, 56, 22);
    formatList = new CComboBox(this, 64, 52, width - 72, 22);
    bufferLabel = new CLabel(this, "Buffer:", 8, 80, 56, 22);
    samplesLabel = new CLabel(this, "", 64, 80, width - 72, 22);
    slider = new CBufferSlider(this, 8, sliderY, width - 16, 20);
    for (CControl* c : std::initializer_list<CControl*>{titleLabel, deviceLabel, deviceList, formatLabel, formatList,
                                                        bufferLabel, samplesLabel, slider})
        c->Show(kShow);
}

CAudioOutDriverOptions::~CAudioOutDriverOptions()
{
    delete slider;
    delete samplesLabel;
    delete bufferLabel;
    delete formatList;
    delete formatLabel;
    delete deviceList;
    delete deviceLabel;
    delete titleLabel;
}

int32_t CAudioOutDriverOptions::EditedFormat() const
{
    return formats.empty() ? 0 : formats[static_cast<size_t>(formatPosition)];
}

void CAudioOutDriverOptions::SetFormatsOf(uint32_t mask, int32_t current)
{
    const std::vector<int32_t> flags = FormatFlags(mask);
    std::vector<std::string> texts;
    for (int32_t flag : flags)
        texts.push_back(DescribeFormat(static_cast<FormatMask>(flag)));
    SetFormats(flags, texts, current);
}

void CAudioOutDriverOptions::SetFormats(const std::vector<int32_t>& flags, const std::vector<std::string>& texts,
                                        int32_t current)
{
    formats = flags;
    formatList->ResetContent();
    for (const std::string& text : texts)
        formatList->AddString(text.c_str());
    auto found = std::find(formats.begin(), formats.end(), current);
    formatPosition = found == formats.end() ? 0 : static_cast<int32_t>(found - formats.begin());
    if (!formats.empty())
        formatList->SetCurSel(formatPosition);
}

void CAudioOutDriverOptions::SetBufferSize(int32_t size)
{
    editedBufferSize = size;
    samplesLabel->SetText(FormatText("Samples: %i", size).c_str());
}

void CAudioOutDriverOptions::MarkChanged()
{
    page->MarkChanged();
}

void CAudioOutDriverOptions::SliderMoved(double position)
{
    SetBufferSize(SliderToSize(std::clamp(position, 0.0, 1.0)));
    MarkChanged();
}

void CAudioOutDriverOptions::ComboSelectionChanged(CComboBox* combo)
{
    if (combo == deviceList) {
        const int32_t chosen = deviceList->GetCurSel();
        if (chosen < 0 || chosen == editedDevice)
            return;
        editedDevice = chosen;
        FillFormats();
        MarkChanged();
    } else if (combo == formatList) {
        const int32_t chosen = formatList->GetCurSel();
        if (chosen < 0 || chosen >= static_cast<int32_t>(formats.size()))
            return;
        formatPosition = chosen;
        MarkChanged();
    }
}

void CAudioOutDriverOptions::Resized(int32_t newWidth, int32_t newHeight)
{
    CFrame::Resized(newWidth, newHeight);
    if (!slider)
        return;
    titleLabel->Move(8, 2, newWidth - 16, 18);
    deviceList->Move(64, 24, newWidth - 72, 22);
    formatList->Move(64, 52, newWidth - 72, 22);
    samplesLabel->Move(64, 80, newWidth - 72, 22);
    slider->Move(8, sliderY, newWidth - 16, 20);
}
