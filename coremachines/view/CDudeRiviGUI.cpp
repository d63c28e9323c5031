#include "coremachines/view/CDudeRiviGUI.h"
#include "coremachines/view/CCoreArtwork.h"
#include "framework/CMachine.h"
#include "framework/CMutex.h"
#include "ui/CLiteLCDText.h"
#include "ui/CLiteSlider.h"
#include <QFont>
#include <initializer_list>

namespace {

constexpr int32_t kParameterCount = 73;
constexpr int32_t kPitch = 20;       // one slider column
constexpr int32_t kRowTop = 34;      // first frame's top
constexpr int32_t kRowPitch = 128;
constexpr int32_t kSliderHeight = 74;
constexpr int32_t kTravel = 64;
const ColorRef kCaption = MakeColor(255, 187, 0);
const ColorRef kLabel = MakeColor(200, 204, 210);

struct Group {
    const char* caption;
    std::initializer_list<int32_t> parameters;
};

struct Frame {
    std::initializer_list<Group> groups;
};

// The instrument's sections, frame by frame, row by row; the panel picture
// (tools/make_artwork.py) draws the frames for the same column counts.
const std::initializer_list<Frame> kRows[2] = {
    {
        {{{"VCO 1", {14, 15, 16, 17}}, {"VCO 2", {18, 19, 20, 21, 22, 23}}}},
        {{{"MIXER", {37, 38, 39, 42}}}},
        {{{"VCF 1", {24, 25, 26, 27, 28}}, {"VCF 2", {29, 30, 31, 32, 33}}, {"FORMANT", {34, 35, 36}}}},
        {{{"GLIDE", {43, 44, 45}}, {"DRIVE", {40, 41}}}},
    },
    {
        {{{"AMP ENVELOPE", {0, 1, 2, 3, 4, 5, 6}}, {"FILTER ENVELOPE", {7, 8, 9, 10, 11, 12, 13}}}},
        {{{"LFO 1", {46, 47, 48, 49, 50, 51, 52, 53, 54}},
          {"LFO 2", {55, 56, 57, 58, 59, 60, 61, 62, 63}},
          {"LFO 3", {64, 65, 66, 67, 68, 69, 70, 71, 72}}}},
    },
};

// Short names under the sliders; the LCD line gives the full name.
const char* const kShortNames[kParameterCount] = {
    "A", "D", "S", "R", "AC", "DC", "RC",                       // amp envelope
    "A", "D", "S", "R", "AC", "DC", "RC",                       // filter envelope
    "Shp", "PW", "Pit", "Env",                                  // VCO 1
    "Shp", "PW", "Pit", "Det", "Env", "Syn",                    // VCO 2
    "Typ", "Cut", "Res", "Key", "Env",                          // VCF 1
    "Typ", "Cut", "Res", "Key", "Env",                          // VCF 2
    "Rte", "Mix", "Vow",                                        // routing, formant
    "Bal", "Vol", "Nse", "Sat", "Drv", "Rng",                   // mixer and drive
    "Por", "Gld", "Crv",                                        // glide
    "Rt", "Shp", "Fd", "S1", "A1", "S2", "A2", "S3", "A3",     // LFO 1
    "Rt", "Shp", "Fd", "S1", "A1", "S2", "A2", "S3", "A3",     // LFO 2
    "Rt", "Shp", "Fd", "S1", "A1", "S2", "A2", "S3", "A3",     // LFO 3
};

} // namespace

CDudeRiviGUI::CDudeRiviGUI(CControl* parent, CMachine* machine)
    : CCoreEditorPanel(parent, machine, CoreArtwork::Get(CoreArtwork::kDudeRiviPanel), kWidth, kHeight),
      sliders(kParameterCount, nullptr)
{
    SetFont(new QFont(QStringLiteral("DejaVu Sans"), 6), true);
    const CPicture* thumb = CoreArtwork::Get(CoreArtwork::kSliderThumb);
    const CPicture* track = CoreArtwork::Get(CoreArtwork::kSliderTrack);
    for (int32_t row = 0; row < 2; ++row) {
        const int32_t top = kRowTop + row * kRowPitch;
        int32_t column = 0;
        int32_t frameIndex = 0;
        for (const Frame& frame : kRows[row]) {
            const int32_t frameLeft = 8 + column * kPitch + frameIndex * 10;
            int32_t x = frameLeft + 4;
            for (const Group& group : frame.groups) {
                const int32_t groupWidth = static_cast<int32_t>(group.parameters.size()) * kPitch;
                auto& caption = texts.emplace_back(
                    std::make_unique<CLiteLCDText>(this, x + 2, top + 4, groupWidth - 4, 11, kCaption, 1.0));
                caption->SetText(group.caption);
                for (int32_t parameter : group.parameters) {
                    auto slider = std::make_unique<CLiteSlider>(this, x + 2, top + 18, 16, kSliderHeight, thumb,
                                                                track, true, kTravel, machine, parameter);
                    sliders[parameter] = slider.get();
                    ownedSliders.push_back(std::move(slider));
                    auto& label = texts.emplace_back(
                        std::make_unique<CLiteLCDText>(this, x + 2, top + 96, kPitch - 2, 11, kLabel, 1.0));
                    label->SetText(kShortNames[parameter]);
                    x += kPitch;
                }
            }
            column += static_cast<int32_t>(x - frameLeft - 4) / kPitch;
            ++frameIndex;
        }
    }
    auto& title = texts.emplace_back(std::make_unique<CLiteLCDText>(this, 712, 44, 140, 14, kCaption, 1.0));
    title->SetText("DUDERIVI  synthesizer");
    lcd = std::make_unique<CLiteLCDText>(this, 712, 118, 144, 14, MakeColor(255, 187, 0), 0.95);
    lcd->SetText("DudeRivi Ready");
    Redraw();
}

CDudeRiviGUI::~CDudeRiviGUI()
{
    lcd.reset();
    texts.clear();
    ownedSliders.clear();
}

void CDudeRiviGUI::ShowParameter(int32_t index)
{
    if (index < 0 || index >= kParameterCount)
        return;
    sliders[index]->Refresh();
    lastChanged = index;
}

// The LCD tells the last change of the batch: one text drawn per refresh,
// however many parameters an automation moved.
void CDudeRiviGUI::ChangesShown()
{
    if (lastChanged < 0)
        return;
    char name[kMachineTextSize];
    char value[kMachineTextSize];
    {
        CLockGuard<CMachine> lock(*Machine());
        Machine()->GetParameterName(lastChanged, name);
        Machine()->GetParameterDisplayValue(lastChanged, Machine()->GetParameter(lastChanged), value);
    }
    lastChanged = -1;
    char line[2 * kMachineTextSize + 8];
    std::snprintf(line, sizeof line, "%s -> %s", name, value);
    if (lcd->Text() != line)
        lcd->SetText(line);
}

CCoreEditor* CreateDudeRiviEditor(CMachine* machine, CControl* parent)
{
    return new CDudeRiviGUI(parent, machine);
}
