#pragma once
#include "ui/CControl.h"
#include <atomic>
#include <cstdint>
#include <vector>

class CComboBox;
class CSequenceEditor;
class CSequenceView;
class CToolBar;
class CToolBarButton;
class CUpDown;
class Pattern;

// The "Sequence Editor" tab: the song transport and "Sequence Length" on
// the first tool bar, the selected row's "PatternCombo" on the second, and
// the sequence view below.
//
// Design note: the transport buttons drive the sequence editor's song
// commands, the same ones the main tool bar drives, and show the model's
// state: the display thread's Refresh posts a sync when the song's
// transport or the sequence's revision differs from what is shown.
class CSequenceEditorView : public CControl {
public:
    CSequenceEditorView(CControl* parent, CSequenceEditor* editor, int32_t x, int32_t y, int32_t width,
                        int32_t height);
    ~CSequenceEditorView() override;

    enum : int32_t { kPlay = 1, kRecord, kStop, kLoop };

    // Display thread, about every 10 ms.
    void Refresh();
    // Brings every control in line with the model (GUI thread).
    void Sync();

    CSequenceView* View() const { return view; }
    CComboBox* PatternCombo() const { return patternCombo; }
    CUpDown* SequenceLength() const { return sequenceLength; }
    CToolBarButton* Button(int32_t id) const;

    void Resized(int32_t newWidth, int32_t newHeight) override;
    void ButtonCommand(CControl* button) override;
    void ComboSelectionChanged(CComboBox* combo) override;
    void UpDownChanged(CUpDown* upDown) override;
    void ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2) override;

private:
    void FillPatternCombo();
    void SyncTransport();
    uint32_t TransportBits() const;
    void Seen();

    CSequenceEditor& editor;
    CToolBar* toolBar1 = nullptr;
    CToolBar* toolBar2 = nullptr;
    CUpDown* sequenceLength = nullptr;
    CComboBox* patternCombo = nullptr;
    std::vector<CToolBarButton*> buttons;
    CSequenceView* view = nullptr;
    std::vector<Pattern*> patterns;

    std::atomic<uint64_t> seenRevision{0};
    std::atomic<uint32_t> shownTransport{0};
    std::atomic<bool> syncPosted{false};
};
