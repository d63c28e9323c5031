#pragma once
#include "ui/CControl.h"
#include <memory>

class CArpeggiator;
class CToolBar;
class CUpDown;

// The arpeggiator's pattern: 12 semitone rows (the highest first) by 32
// steps of 8 x 8 pixels. A press toggles a cell; dragging gives every cell
// passed over that same new value.
class CArpeggiatorGrid : public CControl {
public:
    static constexpr int32_t kCell = 8;

    CArpeggiatorGrid(CControl* parent, CArpeggiator* machine, int32_t x, int32_t y);
    void Paint(CDrawContext& dc) override;
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;

private:
    bool CellAt(int32_t x, int32_t y, int32_t* row, int32_t* step) const;
    void Set(int32_t row, int32_t step);

    CArpeggiator* machine;
    bool dragging = false;
    bool paintValue = false;
};

// The arpeggiator's editor (304 x 200): steps per beat and length in the
// tool bar, the grid below.
class CArpeggiatorGUI : public CControl {
public:
    CArpeggiatorGUI(CControl* parent, CArpeggiator* machine);
    ~CArpeggiatorGUI() override;
    void UpDownChanged(CUpDown* upDown) override;

    CUpDown* StepsPerBeat() const { return stepsPerBeat; }
    CUpDown* Length() const { return length; }
    CArpeggiatorGrid* Grid() const { return grid.get(); }

private:
    CArpeggiator* machine;
    std::unique_ptr<CToolBar> bar;
    CUpDown* stepsPerBeat;
    CUpDown* length;
    std::unique_ptr<CArpeggiatorGrid> grid;
};
