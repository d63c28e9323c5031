#include "coremachines/view/CViziRavezFilterGUI.h"
#include "coremachines/CViziRavezFilter.h"
#include "coremachines/view/CCoreArtwork.h"
#include "coremachines/view/CFilterResponseView.h"
#include "framework/CMutex.h"
#include "ui/CLiteButton.h"
#include "ui/CLiteLCDText.h"
#include <QFont>
#include <vector>

namespace {
const ColorRef kCaption = MakeColor(255, 187, 0);
const ColorRef kLabel = MakeColor(200, 204, 210);

CViziRavezFilter* Filter(CMachine* machine)
{
    return static_cast<CViziRavezFilter*>(machine);
}

// The parameter value that selects a design: the middle of its range.
double ValueOf(int32_t design)
{
    return design / 4.0;
}
} // namespace

CViziRavezFilterGUI::CViziRavezFilterGUI(CControl* parent, CMachine* machine)
    : CCoreEditorPanel(parent, machine, CoreArtwork::Get(CoreArtwork::kFilterPanel), kWidth, kHeight)
{
    SetFont(new QFont(QStringLiteral("DejaVu Sans"), 7), true);
    title = std::make_unique<CLiteLCDText>(this, 14, 8, 300, 14, kCaption, 1.0);
    title->SetText("VIZIRAVEZ  oversampling filter");
    const CPicture* up = CoreArtwork::Get(CoreArtwork::kButtonUp);
    const CPicture* hover = CoreArtwork::Get(CoreArtwork::kButtonHover);
    const CPicture* down = CoreArtwork::Get(CoreArtwork::kButtonDown);
    char text[kMachineTextSize];
    for (int32_t d = 0; d < kDesigns; ++d) {
        const int32_t y = 34 + d * 21;
        buttons[d] = std::make_unique<CLiteButton>(this, 16, y, up, hover, down, true);
        {
            CLockGuard<CMachine> lock(*machine);
            machine->GetParameterDisplayValue(0, ValueOf(d), text);
        }
        captions[d] = std::make_unique<CLiteLCDText>(this, 48, y + 3, 40, 12, kLabel, 1.0);
        captions[d]->SetText(text);
    }
    response = std::make_unique<CFilterResponseView>(this, 96, 32, 248, 92);
    factor = std::make_unique<CLiteLCDText>(this, 96, 127, 248, 12, kCaption, 1.0);
    ShowSelection();
    Redraw();
}

CViziRavezFilterGUI::~CViziRavezFilterGUI()
{
    response.reset();
    factor.reset();
    title.reset();
    for (int32_t d = 0; d < kDesigns; ++d) {
        captions[d].reset();
        buttons[d].reset();
    }
}

void CViziRavezFilterGUI::ButtonClicked(CLiteButton* child, int32_t)
{
    for (int32_t d = 0; d < kDesigns; ++d) {
        if (buttons[d].get() != child)
            continue;
        {
            CLockGuard<CMachine> lock(*Machine());
            Machine()->SetParameterAutomated(0, ValueOf(d));
        }
        ApplyPendingChanges();
        // A press on the held button leaves it held: one design is always on.
        ShowSelection();
    }
}

void CViziRavezFilterGUI::ShowParameter(int32_t index)
{
    if (index == 0)
        ShowSelection();
}

void CViziRavezFilterGUI::ShowSelection()
{
    CViziRavezFilter* filter = Filter(Machine());
    int32_t selected;
    std::vector<double> taps;
    char text[kMachineTextSize];
    char line[kMachineTextSize + 64];
    {
        CLockGuard<CMachine> lock(*filter);
        selected = filter->SelectedDesign();
        const CViziRavezFilter::Design& design = filter->GetDesign(selected);
        taps = design.taps;
        filter->GetParameterDisplayValue(0, filter->GetParameter(0), text);
    }
    for (int32_t d = 0; d < kDesigns; ++d)
        buttons[d]->SetState(d == selected ? CLiteButton::kDown : CLiteButton::kUp);
    std::snprintf(line, sizeof line, "Oversampling %s, %zu taps", text,
                  taps.size());
    factor->SetText(line);
    response->SetDesign(taps);
}

CCoreEditor* CreateViziRavezEditor(CMachine* machine, CControl* parent)
{
    return new CViziRavezFilterGUI(parent, machine);
}
