#include "sequencer/view/CPatternEditorView.h"
#include "framework/CMutex.h"
#include "framework/CPort.h"
#include "sequencer/Pattern.h"
#include "sequencer/view/CControlView.h"
#include "sequencer/view/CNoteView.h"
#include "sequencer/view/CRenameDialog.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "studio/CStudio.h"
#include "ui/CComboBox.h"
#include "ui/CScrollBar.h"
#include "ui/CSizeBar.h"
#include "ui/CToolBar.h"
#include "ui/CToolBarButton.h"
#include "ui/CUpDown.h"
#include "ui/ControlMessages.h"
#include <algorithm>

namespace {

constexpr uint32_t kSyncMessage = kMessageApplicationFirst + 0x31;
constexpr int32_t kBarHeight = 30;
constexpr int32_t kSizeBarHeight = 6;
constexpr int32_t kScrollHeight = 16;
constexpr int32_t kFixedHeight = 112;

// The size bar tells the editor when a drag begins, so that the split
// follows the pointer from the ratio of that moment.
class CSplitBar : public CSizeBar {
public:
    CSplitBar(CPatternEditorView* owner, int32_t x, int32_t y, int32_t width, int32_t height)
        : CSizeBar(owner, x, y, width, height, false), owner(owner)
    {
    }
    void LeftButtonDown(int32_t px, int32_t py, uint32_t keys) override
    {
        owner->BeginSplitDrag();
        CSizeBar::LeftButtonDown(px, py, keys);
    }

private:
    CPatternEditorView* owner;
};

template <typename T>
int32_t IndexIn(const std::vector<T>& list, const T& item)
{
    auto it = std::find(list.begin(), list.end(), item);
    return it == list.end() ? -1 : static_cast<int32_t>(it - list.begin());
}

} // namespace

CPatternEditorView::CPatternEditorView(CControl* parent, CPatternEditor* editor, int32_t x, int32_t y, int32_t width,
                                       int32_t height)
    : CControl(parent, "PatternEditor", x, y, width, height), editor(*editor)
{
    toolBar1 = new CToolBar(this, 0, 0, width, kBarHeight);
    machineCombo = toolBar1->AddComboBox(180, "Select Machine");
    patternCombo = toolBar1->AddComboBox(120, "Select Pattern");
    buttons.push_back(toolBar1->AddButton("Rename", 56, false, kRename, "Rename Pattern"));
    portCombo = toolBar1->AddComboBox(120, "Select Port");
    buttons.push_back(toolBar1->AddButton("Add", 40, false, kAdd, "Add Pattern"));
    buttons.push_back(toolBar1->AddButton("Remove", 56, false, kRemove, "Remove Pattern"));
    toolBar1->AddSpace(8);
    toolBar1->AddLabel("Pattern Length:", 92);
    patternLength = toolBar1->AddUpDown(56, kMinimumPatternLength, kMaximumPatternLength, kDefaultPatternLength,
                                        "Pattern Length");
    toolBar1->AddSpace(8);
    buttons.push_back(toolBar1->AddButton("Play", 44, true, kPlay, "Play Pattern"));
    buttons.push_back(toolBar1->AddButton("Stop", 44, false, kStop, "Stop Pattern"));
    buttons.push_back(toolBar1->AddButton("Loop", 44, true, kLoop, "Loop Pattern"));

    toolBar2 = new CToolBar(this, 0, kBarHeight, width, kBarHeight);
    toolBar2->AddLabel("Note Length:", 80);
    noteLength = toolBar2->AddUpDown(48, 1, 1024, 1, "Note Length");
    toolBar2->AddSpace(8);
    buttons.push_back(toolBar2->AddButton("Edit", 44, true, kEdit, "Edit Mode"));
    buttons.push_back(toolBar2->AddButton("Select", 50, true, kSelect, "Select Mode"));
    Button(kEdit)->SetChecked(true);

    noteView = new CNoteView(this, editor, 0, 2 * kBarHeight, width, 100);
    sizeBar = new CSplitBar(this, 0, 160, width, kSizeBarHeight);
    toolBar3 = new CToolBar(this, 0, 166, width, kBarHeight);
    propertyCombo = toolBar3->AddComboBox(180, "Select Property");
    buttons.push_back(toolBar3->AddButton("Add Track", 70, false, kAddTrack, "Add Control Track"));
    buttons.push_back(toolBar3->AddButton("Remove Track", 90, false, kRemoveTrack, "Remove Control Track"));
    controlView = new CControlView(this, editor, 0, 196, width, 100);
    scrollBar = new CScrollBar(this, 0, height - kScrollHeight, width, kScrollHeight, false);
    renameDialog = new CRenameDialog(this, "Rename Pattern", "Name:");

    noteView->SetEditedHandler([this] {
        controlView->Rebuild();
        Seen();
    });
    controlView->SetEditedHandler([this] { Seen(); });
    for (CControl* c : {static_cast<CControl*>(toolBar1), static_cast<CControl*>(toolBar2),
                        static_cast<CControl*>(noteView), static_cast<CControl*>(sizeBar),
                        static_cast<CControl*>(toolBar3), static_cast<CControl*>(controlView),
                        static_cast<CControl*>(scrollBar)})
        c->Show(kShow);
    Layout();
    {
        CLockGuard<CStudio> lock(editor->GetStudio());
        editor->GetStudio().AddObserver(this);
    }
    Sync();
}

CPatternEditorView::~CPatternEditorView()
{
    {
        CLockGuard<CStudio> lock(editor.GetStudio());
        editor.GetStudio().RemoveObserver(this);
    }
    delete renameDialog;
    delete scrollBar;
    delete controlView;
    delete toolBar3;
    delete sizeBar;
    delete noteView;
    delete toolBar2;
    delete toolBar1;
}

CToolBarButton* CPatternEditorView::Button(int32_t id) const
{
    for (CToolBarButton* button : buttons) {
        if (button->Id() == id)
            return button;
    }
    return nullptr;
}

void CPatternEditorView::Layout()
{
    const int32_t w = Width();
    const int32_t h = Height();
    const int32_t split = std::max(0, static_cast<int32_t>(static_cast<float>(h - kFixedHeight) * splitRatio));
    toolBar1->Move(0, 0, w, kBarHeight);
    toolBar2->Move(0, kBarHeight, w, kBarHeight);
    noteView->Move(0, 2 * kBarHeight, w, std::max(1, split));
    sizeBar->Move(0, split + 60, w, kSizeBarHeight);
    toolBar3->Move(0, split + 66, w, kBarHeight);
    controlView->Move(0, split + 96, w, std::max(1, h - split - 118));
    scrollBar->Move(0, h - kScrollHeight, w, kScrollHeight);
    UpdateScrollBar();
}

void CPatternEditorView::Resized(int32_t newWidth, int32_t newHeight)
{
    CControl::Resized(newWidth, newHeight);
    if (IsCreated() && toolBar1)
        Layout();
}

void CPatternEditorView::SizeBarMoved(int32_t offset)
{
    const int32_t span = Height() - kFixedHeight;
    if (span <= 0)
        return;
    splitRatio = std::clamp(ratioAtPress + static_cast<float>(offset) / static_cast<float>(span), 0.1f, 0.9f);
    Layout();
}

void CPatternEditorView::UpdateScrollBar()
{
    const Pattern* pattern = editor.GetCurrentPattern();
    const int32_t columns = std::max(1, (Width() - CNoteView::kLabelWidth) / CNoteView::kColumnWidth);
    const int32_t length = pattern ? pattern->GetLength() : 0;
    const int32_t last = std::max(0, length - columns);
    const int32_t first = std::clamp(noteView->GetFirstColumn(), 0, last);
    scrollBar->SetRange(0, last, columns);
    scrollBar->SetPosition(first);
    noteView->SetFirstColumn(first);
    controlView->SetFirstColumn(first);
}

void CPatternEditorView::HorizontalScroll(int32_t position)
{
    noteView->SetFirstColumn(position);
    controlView->SetFirstColumn(position);
}

void CPatternEditorView::FillMachineCombo()
{
    machines = editor.MachineChoices();
    machineCombo->ResetContent();
    for (CMachineContainer* machine : machines)
        machineCombo->AddString(machine->GetName());
    machineCombo->SetCurSel(IndexIn(machines, editor.GetCurrentMachine()));
}

void CPatternEditorView::FillPortCombo()
{
    ports = editor.PortChoices();
    portCombo->ResetContent();
    for (CConnector* port : ports)
        portCombo->AddString(port->GetPort()->name ? port->GetPort()->name : "");
    portCombo->SetCurSel(IndexIn(ports, editor.GetCurrentPort()));
}

void CPatternEditorView::FillPropertyCombo()
{
    const int32_t previous = propertyCombo->GetCurSel();
    const int32_t previousProperty =
        previous >= 0 && previous < static_cast<int32_t>(properties.size()) ? properties[previous].property : -1;
    properties = editor.PropertyChoices();
    propertyCombo->ResetContent();
    int32_t select = properties.empty() ? -1 : 0;
    for (size_t i = 0; i < properties.size(); ++i) {
        propertyCombo->AddString(properties[i].label.c_str());
        if (properties[i].property == previousProperty)
            select = static_cast<int32_t>(i);
    }
    propertyCombo->SetCurSel(select);
}

void CPatternEditorView::FillPatternCombo()
{
    patterns = editor.PatternChoices();
    patternCombo->ResetContent();
    for (Pattern* pattern : patterns)
        patternCombo->AddString(pattern->GetName().c_str());
    patternCombo->SetCurSel(IndexIn(patterns, editor.GetCurrentPattern()));
    patternLength->SetValue(editor.GetPatternLength());
}

void CPatternEditorView::SyncTransport()
{
    const bool play = editor.IsPlayDown();
    Button(kPlay)->SetChecked(play);
    Button(kLoop)->SetChecked(editor.IsLoopDown());
    shownPlay.store(play, std::memory_order_release);
}

void CPatternEditorView::RebuildViews()
{
    UpdateScrollBar();
    noteView->Rebuild();
    controlView->Rebuild();
}

void CPatternEditorView::Seen()
{
    seenRevision.store(editor.GetRevision(), std::memory_order_release);
}

void CPatternEditorView::Sync()
{
    syncPosted.store(false, std::memory_order_release);
    Seen();
    FillMachineCombo();
    FillPortCombo();
    FillPropertyCombo();
    FillPatternCombo();
    SyncTransport();
    RebuildViews();
}

void CPatternEditorView::PostSync()
{
    if (!syncPosted.exchange(true, std::memory_order_acq_rel))
        PostMessage(kSyncMessage, 0, 0);
}

void CPatternEditorView::Refresh()
{
    noteView->RefreshCursors();
    if (editor.GetRevision() != seenRevision.load(std::memory_order_acquire) ||
        editor.IsPlayDown() != shownPlay.load(std::memory_order_acquire))
        PostSync();
}

void CPatternEditorView::ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2)
{
    if (message == kSyncMessage)
        Sync();
    else
        CControl::ApplicationMessage(message, p1, p2);
}

void CPatternEditorView::MachineAdded(CMachineContainer*)
{
    PostSync();
}

void CPatternEditorView::MachineRemoved(CMachineContainer*)
{
    // The combos may still name the machine until the sync: forget it now.
    machines.clear();
    ports.clear();
    patterns.clear();
    PostSync();
}

void CPatternEditorView::MachineRenamed(CMachineContainer*)
{
    PostSync();
}

void CPatternEditorView::StudioCleared()
{
    machines.clear();
    ports.clear();
    patterns.clear();
    PostSync();
}

void CPatternEditorView::ComboSelectionChanged(CComboBox* combo)
{
    // A choice is taken only if the model still offers it: a change made
    // elsewhere may not have reached the combos yet.
    const int32_t index = combo->GetCurSel();
    if (combo == machineCombo) {
        if (index >= 0 && index < static_cast<int32_t>(machines.size()) &&
            IndexIn(editor.MachineChoices(), machines[static_cast<size_t>(index)]) >= 0)
            editor.ChooseMachine(machines[static_cast<size_t>(index)]);
        FillMachineCombo();
        FillPortCombo();
        FillPropertyCombo();
        FillPatternCombo();
        RebuildViews();
    } else if (combo == portCombo) {
        if (index >= 0 && index < static_cast<int32_t>(ports.size()) &&
            IndexIn(editor.PortChoices(), ports[static_cast<size_t>(index)]) >= 0)
            editor.ChoosePort(ports[static_cast<size_t>(index)]);
        FillPortCombo();
        FillPropertyCombo();
        RebuildViews();
    } else if (combo == patternCombo) {
        if (index >= 0 && index < static_cast<int32_t>(patterns.size()) &&
            IndexIn(editor.PatternChoices(), patterns[static_cast<size_t>(index)]) >= 0)
            editor.ChoosePattern(patterns[static_cast<size_t>(index)]);
        FillPatternCombo();
        RebuildViews();
    }
    Seen();
}

void CPatternEditorView::ButtonCommand(CControl* control)
{
    auto* button = static_cast<CToolBarButton*>(control);
    switch (button->Id()) {
    case kRename:
        if (const Pattern* pattern = editor.GetCurrentPattern())
            renameDialog->Open(pattern->GetName());
        break;
    case kAdd:
        if (editor.AddPattern()) {
            FillPatternCombo();
            RebuildViews();
        }
        break;
    case kRemove:
        editor.RemovePattern();
        FillPatternCombo();
        RebuildViews();
        break;
    case kPlay:
        editor.SetPlay(button->IsChecked());
        SyncTransport();
        break;
    case kStop:
        editor.Stop();
        SyncTransport();
        break;
    case kLoop:
        editor.SetLoop(button->IsChecked());
        break;
    case kEdit:
    case kSelect: {
        // A radio pair: the pressed one stays down.
        const bool edit = button->Id() == kEdit;
        if (!button->IsChecked()) {
            button->SetChecked(true);
            break;
        }
        Button(edit ? kSelect : kEdit)->SetChecked(false);
        noteView->SetEditMode(edit);
        break;
    }
    case kAddTrack:
    case kRemoveTrack: {
        const int32_t index = propertyCombo->GetCurSel();
        if (index < 0 || index >= static_cast<int32_t>(properties.size()))
            break;
        const int32_t property = properties[static_cast<size_t>(index)].property;
        if (button->Id() == kAddTrack) {
            editor.AddControlTrack(property);
            controlView->ShowLastLane();
        } else {
            editor.RemoveControlTrack(property);
            controlView->SetFirstLane(controlView->GetFirstLane());
            controlView->Rebuild();
        }
        break;
    }
    default:
        break;
    }
    Seen();
}

void CPatternEditorView::UpDownChanged(CUpDown* upDown)
{
    if (upDown == patternLength) {
        editor.SetPatternLength(upDown->GetValue());
        // Selected again: a playing pattern starts over at its new length.
        editor.ChoosePattern(editor.GetCurrentPattern());
        RebuildViews();
    } else if (upDown == noteLength) {
        noteView->SetNoteLength(upDown->GetValue());
    }
    Seen();
}

void CPatternEditorView::DialogConfirmed(CDialog* dialog)
{
    if (dialog != renameDialog)
        return;
    editor.RenamePattern(renameDialog->GetName().c_str());
    FillPatternCombo();
    Seen();
}
