#include "app/MainWindowViews.h"
#include "app/CGraphicsThread.h"
#include "app/CStudioSession.h"
#include "studio/view/CStudioView.h"
#include "ui/CControl.h"

namespace {

// An empty page for a view that is not there yet.
CControl* Placeholder(CControl* tabs, const char* name)
{
    return new CControl(tabs, name, 0, 0, 100, 100);
}

} // namespace

CControl* CreateStudioView(CControl* tabs, CStudioSession& session)
{
    return new CStudioView(tabs, &session.Studio(), 0, 0, 100, 100);
}

// Pattern editor view (sequencer/view/).
CControl* CreatePatternEditorView(CControl* tabs, CStudioSession&)
{
    return Placeholder(tabs, "PatternEditor");
}

// Sequence editor view (sequencer/view/).
CControl* CreateSequenceEditorView(CControl* tabs, CStudioSession&)
{
    return Placeholder(tabs, "SequenceEditor");
}

// HD recorder view.
CControl* CreateHDRecorderView(CControl* tabs, CStudioSession&)
{
    return Placeholder(tabs, "HDRecorder");
}

// Bank explorer: not yet built.
CControl* CreateBankExplorerView(CControl*, CStudioSession&)
{
    return nullptr;
}

// Preset editor: not yet built.
CControl* CreatePresetEditorView(CControl*, CStudioSession&)
{
    return nullptr;
}

void DestroyStudioView(CControl* view)
{
    delete view;
}

void DestroyPatternEditorView(CControl* view)
{
    delete view;
}

void DestroySequenceEditorView(CControl* view)
{
    delete view;
}

void DestroyHDRecorderView(CControl* view)
{
    delete view;
}

void DestroyBankExplorerView(CControl* view)
{
    delete view;
}

void DestroyPresetEditorView(CControl* view)
{
    delete view;
}

// Options dialog: made on first use with the main window as owner.
CControl* ShowOptionsDialog(CControl*, CControl* dialog, CStudioSession&)
{
    return dialog;
}

// Sample analyzer (command 40003): made on first use.
CControl* ShowSampleAnalyzer(CControl*, CControl* analyzer, CStudioSession&)
{
    return analyzer;
}

void DestroyOptionsDialog(CControl* dialog)
{
    delete dialog;
}

void DestroySampleAnalyzer(CControl* analyzer)
{
    delete analyzer;
}

// Each view with a Refresh goes here.
void RegisterStudioViews(CGraphicsThread& thread, CControl* studio, CControl*, CControl*, CControl*)
{
    thread.Add(static_cast<CStudioView*>(studio));
}
