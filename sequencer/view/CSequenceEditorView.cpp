#include "sequencer/view/CSequenceEditorView.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/Pattern.h"
#include "sequencer/view/CSequenceView.h"
#include "ui/CComboBox.h"
#include "ui/CToolBar.h"
#include "ui/CToolBarButton.h"
#include "ui/CUpDown.h"
#include "ui/ControlMessages.h"
#include <algorithm>

namespace {

constexpr uint32_t kSyncMessage = kMessageApplicationFirst + 0x32;
constexpr int32_t kBarHeight = 30;

} // namespace

CSequenceEditorView::CSequenceEditorView(CControl* parent, CSequenceEditor* editor, int32_t x, int32_t y,
                                         int32_t width, int32_t height)
    : CControl(parent, "SequenceEditor", x, y, width, height), editor(*editor)
{
    toolBar1 = new CToolBar(this, 0, 0, width, kBarHeight);
    buttons.push_back(toolBar1->AddButton("Play", 44, true, kPlay, "Play Pattern"));
    buttons.push_back(toolBar1->AddButton("Record", 54, true, kRecord, "Record Song"));
    buttons.push_back(toolBar1->AddButton("Stop", 44, false, kStop, "Stop Pattern"));
    buttons.push_back(toolBar1->AddButton("Loop", 44, true, kLoop, "Loop Pattern"));
    toolBar1->AddSpace(8);
    toolBar1->AddLabel("Sequence Length:", 112);
    sequenceLength = toolBar1->AddUpDown(52, kMinimumSequenceLength, kMaximumSequenceLength, kDefaultSequenceLength,
                                         "Sequence Length");
    toolBar2 = new CToolBar(this, 0, kBarHeight, width, kBarHeight);
    patternCombo = toolBar2->AddComboBox(120, "Select Pattern");
    view = new CSequenceView(this, editor, 0, 2 * kBarHeight, width, std::max(1, height - 2 * kBarHeight));
    view->SetRowSelectedHandler([this] {
        FillPatternCombo();
        Seen();
    });
    toolBar1->Show(kShow);
    toolBar2->Show(kShow);
    view->Show(kShow);
    Sync();
}

CSequenceEditorView::~CSequenceEditorView()
{
    delete view;
    delete toolBar2;
    delete toolBar1;
}

CToolBarButton* CSequenceEditorView::Button(int32_t id) const
{
    for (CToolBarButton* button : buttons) {
        if (button->Id() == id)
            return button;
    }
    return nullptr;
}

void CSequenceEditorView::Resized(int32_t newWidth, int32_t newHeight)
{
    CControl::Resized(newWidth, newHeight);
    if (!view)
        return;
    toolBar1->Move(0, 0, newWidth, kBarHeight);
    toolBar2->Move(0, kBarHeight, newWidth, kBarHeight);
    view->Move(0, 2 * kBarHeight, newWidth, std::max(1, newHeight - 2 * kBarHeight));
}

uint32_t CSequenceEditorView::TransportBits() const
{
    return (editor.IsPlayDown() ? 1u : 0u) | (editor.IsRecordDown() ? 2u : 0u) | (editor.IsLoopDown() ? 4u : 0u);
}

void CSequenceEditorView::SyncTransport()
{
    const uint32_t bits = TransportBits();
    Button(kPlay)->SetChecked((bits & 1u) != 0);
    Button(kRecord)->SetChecked((bits & 2u) != 0);
    Button(kLoop)->SetChecked((bits & 4u) != 0);
    shownTransport.store(bits, std::memory_order_release);
}

void CSequenceEditorView::FillPatternCombo()
{
    patterns = editor.PatternChoices();
    patternCombo->ResetContent();
    for (Pattern* pattern : patterns)
        patternCombo->AddString(pattern->GetName().c_str());
    const int32_t row = editor.GetSelectedRow();
    const Sequence& sequence = editor.GetSequence();
    const Pattern* selected = row >= 0 && row < sequence.GetTrackCount() ? sequence.GetTrack(row)->selectedPattern : nullptr;
    auto it = std::find(patterns.begin(), patterns.end(), selected);
    patternCombo->SetCurSel(it == patterns.end() ? -1 : static_cast<int32_t>(it - patterns.begin()));
}

void CSequenceEditorView::Seen()
{
    seenRevision.store(editor.GetRevision(), std::memory_order_release);
}

void CSequenceEditorView::Sync()
{
    syncPosted.store(false, std::memory_order_release);
    Seen();
    sequenceLength->SetValue(editor.GetSequenceLength());
    FillPatternCombo();
    SyncTransport();
    view->Rebuild();
}

void CSequenceEditorView::Refresh()
{
    view->RefreshCursor();
    if (editor.GetRevision() != seenRevision.load(std::memory_order_acquire) ||
        TransportBits() != shownTransport.load(std::memory_order_acquire)) {
        if (!syncPosted.exchange(true, std::memory_order_acq_rel))
            PostMessage(kSyncMessage, 0, 0);
    }
}

void CSequenceEditorView::ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2)
{
    if (message == kSyncMessage)
        Sync();
    else
        CControl::ApplicationMessage(message, p1, p2);
}

void CSequenceEditorView::ButtonCommand(CControl* control)
{
    auto* button = static_cast<CToolBarButton*>(control);
    switch (button->Id()) {
    case kPlay:
        editor.SetPlay(button->IsChecked());
        break;
    case kRecord:
        editor.SetRecord(button->IsChecked());
        break;
    case kStop:
        editor.Stop();
        break;
    case kLoop:
        editor.SetLoop(button->IsChecked());
        break;
    default:
        break;
    }
    SyncTransport();
}

void CSequenceEditorView::ComboSelectionChanged(CComboBox* combo)
{
    const int32_t index = combo->GetCurSel();
    if (combo != patternCombo || index < 0 || index >= static_cast<int32_t>(patterns.size()))
        return;
    // Only a pattern the model still offers for the row.
    const std::vector<Pattern*> offered = editor.PatternChoices();
    Pattern* chosen = patterns[static_cast<size_t>(index)];
    if (std::find(offered.begin(), offered.end(), chosen) != offered.end())
        editor.ChoosePattern(chosen);
    else
        FillPatternCombo();
    Seen();
}

void CSequenceEditorView::UpDownChanged(CUpDown* upDown)
{
    if (upDown != sequenceLength)
        return;
    editor.SetSequenceLength(upDown->GetValue());
    view->Rebuild();
    Seen();
}
