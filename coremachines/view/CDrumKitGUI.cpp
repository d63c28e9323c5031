#include "coremachines/view/CDrumKitGUI.h"
#include "coremachines/view/CCoreArtwork.h"
#include "framework/CMachine.h"
#include "framework/CMutex.h"
#include "ui/CLiteKnob.h"
#include "ui/CLiteLCDText.h"
#include <QFont>
#include <cstring>
#include <string>

namespace {
constexpr int32_t kKnob = 20;
constexpr int32_t kTop = 30;   // frames' top
constexpr int32_t kRow = 28;   // knob pitch
const ColorRef kCaption = MakeColor(255, 187, 0);
const ColorRef kLabel = MakeColor(200, 204, 210);

// "BD Tune" → "BD" and "Tune": the parameters come voice by voice, each
// named after its voice's short name.
std::pair<std::string, std::string> SplitName(const char* name)
{
    const char* space = std::strchr(name, ' ');
    if (!space)
        return {name, name};
    return {std::string(name, space), std::string(space + 1)};
}
} // namespace

CDrumKitGUI::CDrumKitGUI(CControl* parent, CMachine* machine)
    : CCoreEditorPanel(parent, machine, CoreArtwork::Get(CoreArtwork::kDrumKitPanel), kWidth, kHeight)
{
    SetFont(new QFont(QStringLiteral("DejaVu Sans"), 6), true);
    const CPicture* strip = CoreArtwork::Get(CoreArtwork::kSmallKnob);
    int32_t count;
    {
        CLockGuard<CMachine> lock(*machine);
        count = machine->parameterCount;
    }
    knobs.assign(static_cast<size_t>(count), nullptr);
    columns.assign(static_cast<size_t>(count), -1);
    std::string group;
    int32_t voice = -1;
    int32_t row = 0;
    char text[kMachineTextSize];
    for (int32_t p = 0; p < count; ++p) {
        {
            CLockGuard<CMachine> lock(*machine);
            machine->GetParameterName(p, text);
        }
        auto [prefix, shortName] = SplitName(text);
        if (prefix != group && voice + 1 < kVoices) {
            group = prefix;
            ++voice;
            row = 0;
            {
                CLockGuard<CMachine> lock(*machine);
                machine->GetParameterLabel(voice, text);
            }
            auto& caption = texts.emplace_back(std::make_unique<CLiteLCDText>(
                this, 8 + voice * kColumn + 4, kTop + 4, kColumn - 5, 11, kCaption, 1.0));
            caption->SetText(text);
            captions.push_back(caption.get());
        }
        const int32_t x = 8 + voice * kColumn + 6;
        const int32_t y = kTop + 20 + row * kRow;
        auto knob = std::make_unique<CLiteKnob>(this, x, y, kKnob, kKnob, strip, machine, p);
        knobs[p] = knob.get();
        columns[p] = voice;
        ownedKnobs.push_back(std::move(knob));
        auto& label = texts.emplace_back(
            std::make_unique<CLiteLCDText>(this, x + kKnob + 3, y + 4, kColumn - kKnob - 12, 11, kLabel, 1.0));
        label->SetText(shortName.c_str());
        ++row;
    }
    auto& title = texts.emplace_back(std::make_unique<CLiteLCDText>(this, 14, 10, 300, 14, kCaption, 1.0));
    title->SetText("DUZOV8  drum machine");
    Redraw();
}

CDrumKitGUI::~CDrumKitGUI()
{
    captions.clear();
    texts.clear();
    ownedKnobs.clear();
}

void CDrumKitGUI::ShowParameter(int32_t index)
{
    if (index >= 0 && index < static_cast<int32_t>(knobs.size()) && knobs[index])
        knobs[index]->Refresh();
}

CCoreEditor* CreateDrumKitEditor(CMachine* machine, CControl* parent)
{
    return new CDrumKitGUI(parent, machine);
}
