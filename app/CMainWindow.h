#pragma once
#include "ui/CTimer.h"
#include "ui/CWindow.h"
#include <string>

class CApplication;
class CGraphicsThread;
class CMainToolBar;
class CProjectInfo;
class CStudioSession;
class CTabControl;
class QAction;
class QMenuBar;

// The program's window: the menu, the main tool bar and the tab control
// with the views. The menu bar sits above a client control that holds the
// rest, so positions inside it count from below the menu.
class CMainWindow : public CWindow, private CTimerCallback {
public:
    // Command identifiers of the menu (and of command messages).
    enum MenuCommand : int32_t {
        kCommandExit = 40001,
        kCommandShowSampleAnalyzer = 40003,
        kCommandAbout = 40006,
        kCommandViewStudio = 40007,
        kCommandViewPatternEditor = 40008,
        kCommandOptions = 40009,
        kCommandViewProjectInfo = 40010,
        kCommandViewHDRecorder = 40012,
        kCommandViewSequenceEditor = 40015,
        kCommandNewProject = 40017,
        kCommandOpenProject = 40018,
        kCommandSaveProject = 40019,
        kCommandHelpContents = 40021,
        kCommandSaveProjectAs = 40022,
    };
    // A command sent by a view: p1 holds the identifier.
    static constexpr uint32_t kMessageCommand = 0x0111;
    enum Tab : int32_t { kTabStudio, kTabPatternEditor, kTabSequenceEditor, kTabHDRecorder, kTabProjectInfo };

    CMainWindow(CApplication* application, CStudioSession* session);
    ~CMainWindow() override;

    void Command(int32_t id);
    // Views that the graphics thread refreshes.
    void RegisterViews(CGraphicsThread& thread);

    intptr_t HandleMessage(QWidget* nativeWindow, uint32_t message, uintptr_t p1, intptr_t p2) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;
    void Close() override;

    CMainToolBar* ToolBar() const { return toolBar; }
    CTabControl* Tabs() const { return tabs; }
    CProjectInfo* ProjectInfo() const { return projectInfo; }
    CControl* Client() const { return client; }
    QMenuBar* MenuBar() const { return menuBar; }
    CControl* TabView(int32_t tab) const;

private:
    void BuildMenu();
    void Layout();
    void TimerElapsed(int32_t timerId) override;

    CApplication* application;
    CStudioSession* session;
    QMenuBar* menuBar = nullptr;
    CControl* client = nullptr;
    CMainToolBar* toolBar = nullptr;
    CTabControl* tabs = nullptr;
    CControl* studioView = nullptr;
    CControl* patternEditor = nullptr;
    CControl* sequenceEditor = nullptr;
    CControl* hdRecorder = nullptr;
    CControl* bankExplorer = nullptr;
    CControl* presetEditor = nullptr;
    CControl* optionsDialog = nullptr;
    CControl* sampleAnalyzer = nullptr;
    CProjectInfo* projectInfo = nullptr;
    CTimer titleTimer;
    bool shownChanged = false;
    bool shownPlaying = false;
};
