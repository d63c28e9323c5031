#pragma once
#include "ui/CControl.h"
#include "ui/CTimer.h"
#include <memory>
#include <vector>

class CButton;
class CControlChangeMapper;
class CLabel;
class CScrollBar;
class CToolBar;
class CToolBarButton;
class CUpDown;

// One mapping's row (332 x 30): train, "Map In", "Map Out", remove.
class CMappingGUI : public CControl {
public:
    static constexpr int32_t kHeight = 30;

    CMappingGUI(CControl* parent, CControlChangeMapper* machine, int32_t index, int32_t y);
    ~CMappingGUI() override;
    void ButtonCommand(CControl* button) override;
    void UpDownChanged(CUpDown* upDown) override;
    // Shows the mapping as the machine has it (after learning).
    void Sync();

    int32_t Index() const { return index; }
    CToolBarButton* TrainButton() const { return train; }
    CUpDown* MapIn() const { return mapIn; }
    CUpDown* MapOut() const { return mapOut; }
    CButton* RemoveButton() const { return remove; }

private:
    CControlChangeMapper* machine;
    int32_t index;
    std::vector<std::unique_ptr<CControl>> owned;
    CToolBarButton* train;
    CUpDown* mapIn;
    CUpDown* mapOut;
    CButton* remove;
};

// The ControlChange mapper's editor ("ControlChange Mapper", 348 x 196).
class CControlChangeMapperGUI : public CControl, public CTimerCallback {
public:
    static constexpr uint32_t kMessageRemove = 0x8000;

    CControlChangeMapperGUI(CControl* parent, CControlChangeMapper* machine);
    ~CControlChangeMapperGUI() override;
    void ButtonCommand(CControl* button) override;
    void VerticalScroll(int32_t position) override;
    void ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2) override;
    void TimerElapsed(int32_t timerId) override;

    // Rows for the machine's mappings, when they changed.
    void Sync();

    CToolBarButton* AddButton() const { return add; }
    int32_t RowCount() const { return static_cast<int32_t>(rows.size()); }
    CMappingGUI* Row(int32_t index) const { return rows[static_cast<size_t>(index)].get(); }
    CScrollBar* ScrollBar() const { return scroll.get(); }

private:
    void Layout();

    CControlChangeMapper* machine;
    std::unique_ptr<CToolBar> bar;
    CToolBarButton* add;
    std::unique_ptr<CControl> list;
    std::unique_ptr<CScrollBar> scroll;
    std::vector<std::unique_ptr<CMappingGUI>> rows;
    uint32_t shownRevision = ~0u;
    int32_t offset = 0;
    CTimer timer;
};
