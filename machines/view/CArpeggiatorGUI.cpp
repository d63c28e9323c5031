#include "machines/view/CArpeggiatorGUI.h"
#include "machines/CArpeggiator.h"
#include "ui/CDrawContext.h"
#include "ui/CToolBar.h"
#include "ui/CUpDown.h"

namespace {
constexpr ColorRef kBeat = MakeColor(0xA5, 0x80, 0x00);
constexpr ColorRef kOffBeat = MakeColor(0xB5, 0x90, 0x00);
constexpr ColorRef kOn = MakeColor(0xFF, 0xC6, 0x00);
constexpr ColorRef kOff = MakeColor(0x81, 0x64, 0x00);
constexpr ColorRef kOffOffBeat = MakeColor(0x91, 0x74, 0x00);
constexpr ColorRef kUnused = MakeColor(0x61, 0x44, 0x00);
} // namespace

CArpeggiatorGrid::CArpeggiatorGrid(CControl* parent, CArpeggiator* machine, int32_t x, int32_t y)
    : CControl(parent, "ArpeggiatorGrid", x, y, CArpeggiator::kSteps * kCell, CArpeggiator::kRows * kCell),
      machine(machine)
{
}

void CArpeggiatorGrid::Paint(CDrawContext& dc)
{
    const int32_t length = machine->GetLength();
    for (int32_t step = 0; step < CArpeggiator::kSteps; ++step) {
        const bool second = step % 8 > 3;
        for (int32_t row = 0; row < CArpeggiator::kRows; ++row) {
            const int32_t x = step * kCell;
            const int32_t y = row * kCell;
            if (step >= length) {
                dc.FillRectColor(x, y, kCell, kCell, kUnused);
                continue;
            }
            dc.FillRectColor(x, y, kCell, kCell, second ? kOffBeat : kBeat);
            dc.FillRectColor(x, y, kCell - 1, kCell - 1,
                             machine->GetCell(row, step) ? kOn : (second ? kOffOffBeat : kOff));
        }
    }
}

bool CArpeggiatorGrid::CellAt(int32_t x, int32_t y, int32_t* row, int32_t* step) const
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return false;
    *row = y / kCell;
    *step = x / kCell;
    return true;
}

void CArpeggiatorGrid::Set(int32_t row, int32_t step)
{
    if (machine->GetCell(row, step) == paintValue)
        return;
    machine->SetCell(row, step, paintValue);
    Present(step * kCell, row * kCell, kCell, kCell);
}

void CArpeggiatorGrid::LeftButtonDown(int32_t x, int32_t y, uint32_t)
{
    int32_t row, step;
    if (!CellAt(x, y, &row, &step))
        return;
    paintValue = !machine->GetCell(row, step);
    dragging = true;
    SetCapture();
    Set(row, step);
}

void CArpeggiatorGrid::MouseMove(int32_t x, int32_t y, uint32_t)
{
    int32_t row, step;
    if (dragging && CellAt(x, y, &row, &step))
        Set(row, step);
}

void CArpeggiatorGrid::LeftButtonUp(int32_t, int32_t, uint32_t)
{
    if (!dragging)
        return;
    dragging = false;
    ReleaseCapture();
}

CArpeggiatorGUI::CArpeggiatorGUI(CControl* parent, CArpeggiator* machine)
    : CControl(parent, "ArpeggiatorGUI", 0, 0, 304, 200), machine(machine)
{
    bar = std::make_unique<CToolBar>(this, 0, 0, 304, 30);
    bar->AddLabel("TPB:", 36);
    stepsPerBeat = bar->AddUpDown(56, 1, 16, machine->GetStepsPerBeat(), "Steps Per Beat");
    bar->AddSpace(12);
    bar->AddLabel("Length:", 52);
    length = bar->AddUpDown(56, 1, 32, machine->GetLength(), "Pattern Length");
    bar->Show(kShow);
    grid = std::make_unique<CArpeggiatorGrid>(this, machine, 32, 88);
    grid->Show(kShow);
}

CArpeggiatorGUI::~CArpeggiatorGUI() = default;

void CArpeggiatorGUI::UpDownChanged(CUpDown* upDown)
{
    if (upDown == stepsPerBeat) {
        machine->SetStepsPerBeat(stepsPerBeat->GetValue());
    } else if (upDown == length) {
        machine->SetLength(length->GetValue());
        grid->Present();
    }
}
