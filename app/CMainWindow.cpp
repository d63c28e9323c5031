#include "app/CMainWindow.h"
#include "app/CApplication.h"
#include "app/CGraphicsThread.h"
#include "app/CProjectInfo.h"
#include "app/CStudioSession.h"
#include "app/MainWindowViews.h"
#include "sequencer/view/CMainToolBar.h"
#include "ui/CTabControl.h"
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QWidget>

namespace {

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;
constexpr int32_t kTitleTimer = 1;

} // namespace

CMainWindow::CMainWindow(CApplication* application, CStudioSession* session)
    : CWindow(nullptr, "Velmora Studio", 0, 0, kWidth, kHeight), application(application), session(session),
      titleTimer(this, kTitleTimer)
{
    SetColorManager(application->Colors());
    if (!application->Icon().isNull())
        Window()->setWindowIcon(application->Icon());
    BuildMenu();
    const int32_t menuHeight = menuBar->sizeHint().height();
    client = new CControl(this, "MainClient", 0, menuHeight, kWidth, kHeight - menuHeight);
    client->Show(kShow);
    const int32_t w = client->Width();
    const int32_t h = client->Height();
    toolBar = new CMainToolBar(client, &session->Studio(), &session->Sequencer().Song(), application, 0, 0, w,
                               CMainToolBar::kHeight);
    toolBar->Show(kShow);
    tabs = new CTabControl(client, 8, 36, w - 16, h - 46);
    tabs->Show(kShow);

    // Each view of the tabs comes from its own hook (MainWindowViews.h).
    patternEditor = CreatePatternEditorView(tabs, *session);
    sequenceEditor = CreateSequenceEditorView(tabs, *session);
    hdRecorder = CreateHDRecorderView(tabs, *session);
    studioView = CreateStudioView(tabs, *session);
    bankExplorer = CreateBankExplorerView(tabs, *session);
    presetEditor = CreatePresetEditorView(tabs, *session);
    projectInfo = new CProjectInfo(tabs, &session->Information(), &session->Studio(), 0, 0, 100, 100);

    tabs->AddTab("Studio", studioView);
    tabs->AddTab("Pattern Editor", patternEditor);
    tabs->AddTab("Sequence Editor", sequenceEditor);
    tabs->AddTab("HD Recorder", hdRecorder);
    tabs->AddTab("Project Info", projectInfo);
    if (bankExplorer)
        tabs->AddTab("Bank Explorer", bankExplorer);
    tabs->SetCurrent(kTabStudio);

    // The space bar plays and stops the song from every tab; text fields
    // keep their spaces (they take the key before a window shortcut).
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), Window());
    space->setContext(Qt::WindowShortcut);
    QObject::connect(space, &QShortcut::activated, [this] { toolBar->TogglePlay(); });

    titleTimer.Start(100);
}

CMainWindow::~CMainWindow()
{
    titleTimer.Stop();
    // Tab control first: the views are its children and go with it, their
    // objects after it.
    delete tabs;
    DestroyBankExplorerView(bankExplorer);
    DestroyPresetEditorView(presetEditor);
    DestroyOptionsDialog(optionsDialog);
    DestroyStudioView(studioView);
    delete toolBar;
    DestroySampleAnalyzer(sampleAnalyzer);
    DestroyHDRecorderView(hdRecorder);
    DestroyPatternEditorView(patternEditor);
    DestroySequenceEditorView(sequenceEditor);
    delete projectInfo;
    delete client;
}

void CMainWindow::BuildMenu()
{
    menuBar = new QMenuBar(Window());
    auto add = [this](QMenu* menu, const char* text, int32_t id) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setData(id);
        QObject::connect(action, &QAction::triggered, [this, id] { Command(id); });
    };
    QMenu* file = menuBar->addMenu("&File");
    add(file, "&New Project", kCommandNewProject);
    add(file, "&Open Project...", kCommandOpenProject);
    add(file, "&Save Project", kCommandSaveProject);
    add(file, "Save Project &As...", kCommandSaveProjectAs);
    file->addSeparator();
    add(file, "E&xit", kCommandExit);
    QMenu* view = menuBar->addMenu("&View");
    add(view, "&Studio", kCommandViewStudio);
    add(view, "&Pattern Editor", kCommandViewPatternEditor);
    add(view, "S&equence Editor", kCommandViewSequenceEditor);
    add(view, "&HD Recorder", kCommandViewHDRecorder);
    add(view, "Project &Info", kCommandViewProjectInfo);
    add(view, "Sample &Analyzer...", kCommandShowSampleAnalyzer);
    view->addSeparator();
    add(view, "&Options...", kCommandOptions);
    QMenu* help = menuBar->addMenu("&Help");
    add(help, "&Contents...", kCommandHelpContents);
    help->addSeparator();
    add(help, "&About...", kCommandAbout);
    menuBar->setGeometry(0, 0, Width(), menuBar->sizeHint().height());
    menuBar->show();
}

void CMainWindow::RegisterViews(CGraphicsThread& thread)
{
    thread.Add(toolBar);
    RegisterStudioViews(thread, studioView, patternEditor, sequenceEditor, hdRecorder);
}

CControl* CMainWindow::TabView(int32_t tab) const
{
    return tabs->GetView(tab);
}

void CMainWindow::Command(int32_t id)
{
    switch (id) {
    case kCommandNewProject:
        application->NewProject();
        break;
    case kCommandOpenProject:
        application->OpenProject();
        break;
    case kCommandSaveProject:
        application->SaveProject();
        break;
    case kCommandSaveProjectAs:
        application->SaveProjectAs();
        break;
    case kCommandExit:
        Close();
        break;
    case kCommandViewStudio:
        tabs->SetCurrent(kTabStudio);
        break;
    case kCommandViewPatternEditor:
        tabs->SetCurrent(kTabPatternEditor);
        break;
    case kCommandViewSequenceEditor:
        tabs->SetCurrent(kTabSequenceEditor);
        break;
    case kCommandViewHDRecorder:
        tabs->SetCurrent(kTabHDRecorder);
        break;
    case kCommandViewProjectInfo:
        tabs->SetCurrent(kTabProjectInfo);
        break;
    case kCommandOptions:
        optionsDialog = ShowOptionsDialog(this, optionsDialog, *session);
        break;
    case kCommandHelpContents:
        application->ShowHelp();
        break;
    case kCommandAbout:
        application->ShowAbout();
        break;
    case kCommandShowSampleAnalyzer:
        sampleAnalyzer = ShowSampleAnalyzer(this, sampleAnalyzer, *session);
        break;
    default:
        break;
    }
}

intptr_t CMainWindow::HandleMessage(QWidget* nativeWindow, uint32_t message, uintptr_t p1, intptr_t p2)
{
    if (message == kMessageCommand) {
        Command(LowWord(static_cast<intptr_t>(p1)));
        return 0;
    }
    return CWindow::HandleMessage(nativeWindow, message, p1, p2);
}

void CMainWindow::Resized(int32_t newWidth, int32_t newHeight)
{
    CWindow::Resized(newWidth, newHeight);
    Layout();
}

void CMainWindow::Layout()
{
    if (!menuBar || !client)
        return;
    const int32_t menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, Width(), menuHeight);
    client->Move(0, menuHeight, Width(), Height() - menuHeight);
    const int32_t w = client->Width();
    const int32_t h = client->Height();
    toolBar->Move(0, 0, w, CMainToolBar::kHeight);
    tabs->Move(8, 36, w - 16, h - 46);
}

void CMainWindow::Close()
{
    application->Quit();
}

void CMainWindow::TimerElapsed(int32_t)
{
    // Edits anywhere mark the project; the title follows within a tick.
    if (session->Studio().IsChanged() != shownChanged) {
        shownChanged = session->Studio().IsChanged();
        application->UpdateTitle();
    }
    // Starting the song again after the sound output went away tries the
    // chosen output anew.
    const bool playing = session->Sequencer().Song().IsSongPlaying();
    if (playing && !shownPlaying)
        application->PlaybackStarted();
    shownPlaying = playing;
}
