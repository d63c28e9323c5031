#pragma once
#include "sequencer/CPatternEditor.h"
#include "studio/CStudioObserver.h"
#include "ui/CControl.h"
#include <atomic>
#include <cstdint>
#include <vector>

class CComboBox;
class CControlView;
class CNoteView;
class CRenameDialog;
class CScrollBar;
class CSizeBar;
class CToolBar;
class CToolBarButton;
class CUpDown;

// The "Pattern Editor" tab: three tool bars, the note view and the control
// view split by a size bar, and the horizontal scroll bar both views share.
//
// Design note: the combos mirror the model's choices and are refilled from
// it after every command here; changes made elsewhere (machines added or
// renamed, a project loaded, a pattern that stopped by itself) reach the
// window as a posted sync message, which the display thread's Refresh posts
// when the pattern editor's revision or transport differs from what is
// shown. Refresh itself only moves the cursors.
class CPatternEditorView : public CControl, public CStudioObserver {
public:
    static constexpr float kDefaultSplit = 0.65f;

    CPatternEditorView(CControl* parent, CPatternEditor* editor, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CPatternEditorView() override;

    // Display thread, about every 10 ms.
    void Refresh();
    // Brings every control in line with the model (GUI thread).
    void Sync();

    CNoteView* NoteView() const { return noteView; }
    CControlView* ControlView() const { return controlView; }
    CComboBox* MachineCombo() const { return machineCombo; }
    CComboBox* PatternCombo() const { return patternCombo; }
    CComboBox* PortCombo() const { return portCombo; }
    CComboBox* PropertyCombo() const { return propertyCombo; }
    CUpDown* PatternLength() const { return patternLength; }
    CUpDown* NoteLength() const { return noteLength; }
    CToolBarButton* Button(int32_t id) const;
    CRenameDialog* RenameDialog() const { return renameDialog; }
    CScrollBar* ScrollBar() const { return scrollBar; }
    CSizeBar* SizeBar() const { return sizeBar; }
    float SplitRatio() const { return splitRatio; }

    // Button identifiers.
    enum : int32_t {
        kRename = 1,
        kAdd,
        kRemove,
        kPlay,
        kStop,
        kLoop,
        kEdit,
        kSelect,
        kAddTrack,
        kRemoveTrack,
    };

    void Resized(int32_t newWidth, int32_t newHeight) override;
    void ButtonCommand(CControl* button) override;
    void ComboSelectionChanged(CComboBox* combo) override;
    void UpDownChanged(CUpDown* upDown) override;
    void HorizontalScroll(int32_t position) override;
    void SizeBarMoved(int32_t offset) override;
    void DialogConfirmed(CDialog* dialog) override;
    void ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2) override;

    // CStudioObserver: graph changes arrive with the studio lock held; the
    // window follows once the change is complete.
    void MachineAdded(CMachineContainer* container) override;
    void MachineRemoved(CMachineContainer* container) override;
    void MachineRenamed(CMachineContainer* container) override;
    void StudioCleared() override;

    // The size bar's press: the split moves from the ratio at that moment.
    void BeginSplitDrag() { ratioAtPress = splitRatio; }

private:
    void Layout();
    void FillMachineCombo();
    void FillPortCombo();
    void FillPropertyCombo();
    void FillPatternCombo();
    void SyncTransport();
    void UpdateScrollBar();
    void RebuildViews();
    void Seen();
    void PostSync();

    CPatternEditor& editor;
    CToolBar* toolBar1 = nullptr;
    CToolBar* toolBar2 = nullptr;
    CToolBar* toolBar3 = nullptr;
    CComboBox* machineCombo = nullptr;
    CComboBox* patternCombo = nullptr;
    CComboBox* portCombo = nullptr;
    CComboBox* propertyCombo = nullptr;
    CUpDown* patternLength = nullptr;
    CUpDown* noteLength = nullptr;
    std::vector<CToolBarButton*> buttons;
    CNoteView* noteView = nullptr;
    CSizeBar* sizeBar = nullptr;
    CControlView* controlView = nullptr;
    CScrollBar* scrollBar = nullptr;
    CRenameDialog* renameDialog = nullptr;
    float splitRatio = kDefaultSplit;
    float ratioAtPress = kDefaultSplit;

    // What the combos show, index for index.
    std::vector<CMachineContainer*> machines;
    std::vector<CConnector*> ports;
    std::vector<PropertyChoice> properties;
    std::vector<Pattern*> patterns;

    std::atomic<uint64_t> seenRevision{0};
    std::atomic<bool> shownPlay{false};
    std::atomic<bool> syncPosted{false};
};
