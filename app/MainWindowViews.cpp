#include "app/MainWindowViews.h"
#include "app/CApplication.h"
#include "app/MachineDiscovery.h"
#include "app/view/CBankExplorer.h"
#include "app/view/CSampleAnalyzer.h"
#include "audio/CAudioOutputManager.h"
#include "audio/view/COptionsDialog.h"
#include "app/CGraphicsThread.h"
#include "app/CStudioSession.h"
#include "machines/CHDTrackList.h"
#include "machines/view/CHDRecorder.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/view/CPatternEditorView.h"
#include "sequencer/view/CSequenceEditorView.h"
#include "studio/view/CStudioView.h"
#include "ui/CControl.h"

namespace {

// The recorder tab that "Record Song" of the sequence editor starts and
// stops. The song reads its recorder inside the pattern editor's lock.
class CSongHDRecorder : public CHDRecorder, public CSongRecorder {
public:
    CSongHDRecorder(CControl* tabs, CStudioSession& session)
        : CHDRecorder(tabs, &CHDTrackList::Shared(), 0, 0, 100, 100), session(session)
    {
        CLockGuard lock(session.Sequencer().PatternLock());
        session.Sequencer().Song().SetRecorder(this);
    }
    ~CSongHDRecorder() override
    {
        CLockGuard lock(session.Sequencer().PatternLock());
        session.Sequencer().Song().SetRecorder(nullptr);
    }
    void StartRecording() override { RecordSong(true); }
    void StopRecording() override { StopSongRecording(); }

private:
    CStudioSession& session;
};

} // namespace

CControl* CreateStudioView(CControl* tabs, CStudioSession& session)
{
    return new CStudioView(tabs, &session.Studio(), 0, 0, 100, 100);
}

CControl* CreatePatternEditorView(CControl* tabs, CStudioSession& session)
{
    return new CPatternEditorView(tabs, &session.Sequencer().Patterns(), 0, 0, 100, 100);
}

CControl* CreateSequenceEditorView(CControl* tabs, CStudioSession& session)
{
    return new CSequenceEditorView(tabs, &session.Sequencer().Song(), 0, 0, 100, 100);
}

// HD recorder view: the tracks of the program's HD track machines.
CControl* CreateHDRecorderView(CControl* tabs, CStudioSession& session)
{
    return new CSongHDRecorder(tabs, session);
}

// Bank explorer: the host's bank server.
CControl* CreateBankExplorerView(CControl* tabs, CStudioSession& session)
{
    return new CBankExplorer(tabs, &session.Host(), 0, 0, 100, 100);
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

// Options dialog: made on first use with the main window as owner; kept
// hidden between openings.
CControl* ShowOptionsDialog(CControl* mainWindow, CControl* dialog, CStudioSession& session)
{
    if (!dialog) {
        OptionsServices services;
        services.options = theApplication->Options();
        services.output = theApplication->Output();
        services.selectDriver = [](int32_t index) { theApplication->Output()->SelectDriver(index); };
        CVelmHost* host = &session.Host();
        services.pathsChanged = [host](const std::vector<std::string>& now, const std::vector<std::string>& before) {
            ApplyPluginPathChange(*host, now, before);
        };
        dialog = new COptionsDialog(mainWindow, std::move(services));
    }
    dialog->Show(kShow);
    return dialog;
}

// Sample analyzer (command 40003): made on first use.
CControl* ShowSampleAnalyzer(CControl* mainWindow, CControl* analyzer, CStudioSession&)
{
    if (!analyzer)
        analyzer = new CSampleAnalyzer(mainWindow);
    analyzer->Show(kShow);
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
void RegisterStudioViews(CGraphicsThread& thread, CControl* studio, CControl* patternEditor, CControl* sequenceEditor,
                         CControl* hdRecorder)
{
    thread.Add(static_cast<CStudioView*>(studio));
    thread.Add(static_cast<CPatternEditorView*>(patternEditor));
    thread.Add(static_cast<CSequenceEditorView*>(sequenceEditor));
    thread.Add(static_cast<CHDRecorder*>(hdRecorder));
}
