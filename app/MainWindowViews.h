#pragma once
// The views of the main window's tabs and the windows of its menu, each
// made (and destroyed) behind one function, so that each view plugs in
// here without touching the window. Until a view exists its tab holds an
// empty control and its command does nothing.
#include <cstdint>

class CControl;
class CGraphicsThread;
class CStudioSession;

// Tabs, made as children of the tab control `tabs`.
CControl* CreateStudioView(CControl* tabs, CStudioSession& session);
CControl* CreatePatternEditorView(CControl* tabs, CStudioSession& session);
CControl* CreateSequenceEditorView(CControl* tabs, CStudioSession& session);
CControl* CreateHDRecorderView(CControl* tabs, CStudioSession& session);
// Views without a tab of their own (shown from elsewhere).
CControl* CreateBankExplorerView(CControl* tabs, CStudioSession& session);
CControl* CreatePresetEditorView(CControl* tabs, CStudioSession& session);

void DestroyStudioView(CControl* view);
void DestroyPatternEditorView(CControl* view);
void DestroySequenceEditorView(CControl* view);
void DestroyHDRecorderView(CControl* view);
void DestroyBankExplorerView(CControl* view);
void DestroyPresetEditorView(CControl* view);

// Windows made on first use: each returns the window (made now or given).
CControl* ShowOptionsDialog(CControl* mainWindow, CControl* dialog, CStudioSession& session);
CControl* ShowSampleAnalyzer(CControl* mainWindow, CControl* analyzer, CStudioSession& session);
void DestroyOptionsDialog(CControl* dialog);
void DestroySampleAnalyzer(CControl* analyzer);

// Adds the Refresh of every view that has one to the graphics thread.
void RegisterStudioViews(CGraphicsThread& thread, CControl* studio, CControl* patternEditor, CControl* sequenceEditor,
                         CControl* hdRecorder);
