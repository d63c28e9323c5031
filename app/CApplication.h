#pragma once
#include "audio/CAudioOutputManager.h"
#include "sequencer/view/CMainToolBar.h"
#include "ui/CPicture.h"
#include <QIcon>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CAboutBox;
class CAudioOutputManager;
class CColorManager;
class CGraphicsThread;
class CMainWindow;
class CStudioOptions;
class CStudioSession;
class CVSTEditorWindowsX11;
class CVelmHost;

// What Initialize sets up; the program takes everything, tests leave out
// what needs the world outside (machine libraries and plug-ins on disk,
// sound output, the splash box).
struct CApplicationSetup {
    bool discoverMachines = true;
    bool startOutput = true;
    bool showSplash = true;
    bool maximize = true;
    // More machine types after the built-in ones (tests: a library folder).
    std::function<void(CVelmHost&)> registerMoreTypes;
};

// The one application object: owns every long-lived part (options, colours,
// output, host and studio, main window, graphics thread, about box), starts
// them up and tears them down in a fixed order, and carries the project
// commands. Reachable through theApplication while it lives.
class CApplication : public CMainToolBarCommands, public CAudioOutputListener {
public:
    CApplication();
    ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    bool Initialize(const CApplicationSetup& setup = {});
    // Qt's event loop until the main window closes; its exit code.
    int PumpMessages();
    void Shutdown();
    bool IsInitialized() const { return initialized; }

    // Project commands: each shows its error in the error box and the
    // program goes on. New and Open ask first about unsaved changes.
    void NewProject() override;
    void OpenProject() override;
    void SaveProject() override;
    void SaveProjectAs();
    // From the output manager's watch thread: the sound output went away and
    // the studio plays on through "Null". Told once, in the error box.
    void OutputFailed(const char* driverName, const char* reason) override;
    // The song started: an output that went away is tried again.
    void PlaybackStarted();
    // Loads a file into the studio; on an error the studio becomes a new
    // project without a path and the error box shows the loader's text.
    bool OpenProjectFile(const std::string& path);
    void UpdateTitle();
    void ShowHelp();
    void ShowAbout();
    // Closes the window (after asking about unsaved changes) and ends the loop.
    void Quit();
    // Asks "Save changes to '<name>'?" when the project has unsaved
    // changes; false when the user cancels (or the save did not happen).
    bool ConfirmDiscardChanges();

    CStudioSession* Session() const { return session.get(); }
    CMainWindow* MainWindow() const { return mainWindow.get(); }
    CColorManager* Colors() const { return colors.get(); }
    CStudioOptions* Options() const { return options.get(); }
    CAudioOutputManager* Output() const { return output.get(); }
    CGraphicsThread* GraphicsThread() const { return graphics.get(); }
    CAboutBox* AboutBox() const { return aboutBox.get(); }
    const QIcon& Icon() const { return icon; }
    const std::string& ProjectPath() const { return projectPath; }
    uint32_t FeatureFlags() const { return featureFlags; }
    int32_t ProcessorCount() const { return processorCount; }
    double& Gain() { return gain; }

    // "Velmora Studio" or "Velmora Studio - name", with a leading "*" for
    // unsaved changes.
    static std::string TitleFor(const std::string& path, bool changed);
    // The project named on a command line: surrounding double quotes go.
    static std::string CommandLineProject(const std::string& commandLine);
    static int32_t ProcessorCountOf(int32_t reported) { return reported < 1 ? 1 : reported; }
    // The user guide beside the program.
    static std::string HelpFile();

private:
    void ResetProject();
    void AfterProjectChange();
    bool SaveTo(const std::string& path);
    std::string ProjectName() const;

    bool initialized = false;
    double gain = 1.0;
    uint32_t featureFlags = 0;
    int32_t processorCount = 1;
    std::string projectPath;
    QIcon icon;
    CPicture aboutPicture;
    CPicture toolBarPicture;
    CPicture meterCells;
    CPicture panelPicture;
    std::unique_ptr<CStudioOptions> options;
    std::unique_ptr<CVSTEditorWindowsX11> editorWindows;
    std::unique_ptr<CColorManager> colors;
    std::unique_ptr<CAudioOutputManager> output;
    std::unique_ptr<CStudioSession> session;
    std::unique_ptr<CMainWindow> mainWindow;
    std::unique_ptr<CGraphicsThread> graphics;
    std::unique_ptr<CAboutBox> aboutBox;
};

extern CApplication* theApplication;
