#include "app/CApplication.h"
#include "machines/CMIDIDevices.h"
#include "machines/view/MachineEditorFactory.h"
#include "app/BuiltInMachineTypes.h"
#include "app/CAboutBox.h"
#include "app/CGraphicsThread.h"
#include "app/CMainWindow.h"
#include "app/CProjectInfo.h"
#include "app/CStudioSession.h"
#include "app/MachineDiscovery.h"
#include "audio/CAudioOutputManager.h"
#include "audio/CStudioOptions.h"
#include "framework/Errors.h"
#include "platform/OsCpu.h"
#include "platform/OsPaths.h"
#include "platform/OsShell.h"
#include "sequencer/CSequenceEditor.h"
#include "studio/RenderEntry.h"
#include "studio/view/CVSTEditorWindowsX11.h"
#include "ui/CColorManager.h"
#include "ui/Icons.h"
#include "ui/UserDialogs.h"
#include <QApplication>
#include <QMetaObject>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <thread>

CApplication* theApplication = nullptr;

namespace {

// Resource numbers of the program's pictures.
enum : uint16_t {
    kIconPicture = 5,
    kAboutPicture = 130,
    kToolBarPicture = 142,
    kMeterCellsPicture = 143,
    kPanelPicture = 148,
};

constexpr const char* kProjectFilter = "Velmora Project (*.vmp)";
constexpr const char* kCaption = "Velmora";

// A missing picture leaves an empty one: the program runs without it.
void LoadPicture(CPicture& picture, uint16_t number)
{
    try {
        picture.LoadResource(number);
    } catch (const CError& error) {
        Trace("%s", error.Text());
    }
}

std::string WithExtension(std::string path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        path += ".vmp";
    return path;
}

} // namespace

CApplication::CApplication()
{
    theApplication = this;
}

CApplication::~CApplication()
{
    if (initialized)
        Shutdown();
    if (theApplication == this)
        theApplication = nullptr;
}

bool CApplication::Initialize(const CApplicationSetup& setup)
{
    options = std::make_unique<CStudioOptions>();
    options->Read();
    InstallErrorBox();
    LoadPicture(toolBarPicture, kToolBarPicture);
    LoadPicture(meterCells, kMeterCellsPicture);
    LoadPicture(panelPicture, kPanelPicture);
    colors = std::make_unique<CColorManager>();

    LoadPicture(aboutPicture, kAboutPicture);
    if (!aboutPicture.HasPixels())
        aboutPicture.Create(492, 312, false);
    std::unique_ptr<CAboutBox> splash;
    if (setup.showSplash) {
        splash = std::make_unique<CAboutBox>(nullptr, &aboutPicture, colors.get());
        splash->SetText("Initializing...");
        splash->Show(kShow);
        QCoreApplication::processEvents();
    }
    auto progress = [&](const char* text) {
        if (splash) {
            splash->SetText(text);
            QCoreApplication::processEvents();
        }
    };

    progress("Detecting Processor Features...");
    featureFlags = platform::DetectFeatureFlags();
    progress("Obtaining System Information...");
    processorCount = ProcessorCountOf(static_cast<int32_t>(std::thread::hardware_concurrency()));

    CPicture iconPicture;
    LoadPicture(iconPicture, kIconPicture);
    if (iconPicture.HasPixels())
        icon = IconFromPicture(iconPicture);

    // The MIDI devices are listed before the machines that use them; the
    // utility machines get their editors.
    CMIDIDevices::Shared();
    RegisterMachineEditors();

    // Plug-in editors open in X11 child windows where there are any.
    editorWindows = std::make_unique<CVSTEditorWindowsX11>();

    progress("Initializing Audio...");
    output = std::make_unique<CAudioOutputManager>(*options);
    CAudioOutputDriver* driver = output->GetCurrentDriver();
    const int32_t blockSize = driver->GetBufferSize();
    const int32_t sampleRate = driver->GetSampleRate();

    const bool discover = setup.discoverMachines;
    CStudioOptions* stored = options.get();
    const auto more = setup.registerMoreTypes;
    session = std::make_unique<CStudioSession>(sampleRate, blockSize, [discover, stored, more](CVelmHost& host) {
        RegisterBuiltInMachineTypes(host);
        if (discover)
            DiscoverMachineTypes(host, *stored);
        if (more)
            more(host);
    });
    session->NewProject();

    mainWindow = std::make_unique<CMainWindow>(this, session.get());
    UpdateTitle();
    if (setup.maximize) {
        // Without a window manager "maximized" means nothing: take the
        // screen's work area ourselves.
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            mainWindow->Move(area.x(), area.y(), area.width(), area.height());
        }
        mainWindow->Show(kShowMaximized);
    } else {
        mainWindow->Show(kShow);
    }

    output->SetStudio(&session->Studio());
    output->SetListener(this);
    SetRenderStudio(&session->Studio());
    if (setup.startOutput)
        output->StartOutput(RenderEntry);

    graphics = std::make_unique<CGraphicsThread>();
    mainWindow->RegisterViews(*graphics);
    graphics->Resume();

    if (splash) {
        splash->Show(kShowHide);
        splash.reset();
    }
    aboutBox = std::make_unique<CAboutBox>(mainWindow.get(), &aboutPicture, colors.get());
    aboutBox->SetText(CAboutBox::AboutText().c_str());
    initialized = true;
    return true;
}

int CApplication::PumpMessages()
{
    return QApplication::exec();
}

void CApplication::Shutdown()
{
    if (graphics) {
        graphics->Terminate();
        graphics.reset();
    }
    if (output) {
        output->SetListener(nullptr);
        output->StopOutput();
        SetRenderStudio(nullptr);
        output.reset();
    }
    SetRenderStudio(nullptr);
    aboutBox.reset();
    mainWindow.reset();
    colors.reset();
    session.reset();
    // After the last plug-in machine.
    editorWindows.reset();
    icon = QIcon();
    aboutPicture.Free();
    toolBarPicture.Free();
    meterCells.Free();
    panelPicture.Free();
    if (options) {
        options->Write();
        options.reset();
    }
    initialized = false;
}

std::string CApplication::TitleFor(const std::string& path, bool changed)
{
    std::string title = changed ? "*Velmora Studio" : "Velmora Studio";
    if (!path.empty()) {
        const size_t slash = path.find_last_of('/');
        title += " - " + (slash == std::string::npos ? path : path.substr(slash + 1));
    }
    return title;
}

std::string CApplication::CommandLineProject(const std::string& commandLine)
{
    if (commandLine.size() >= 2 && commandLine.front() == '"' && commandLine.back() == '"')
        return commandLine.substr(1, commandLine.size() - 2);
    return commandLine;
}

std::string CApplication::HelpFile()
{
    return platform::JoinPath(platform::ProgramFolder(), "Velmora.html");
}

std::string CApplication::ProjectName() const
{
    if (projectPath.empty())
        return "Untitled";
    const size_t slash = projectPath.find_last_of('/');
    return slash == std::string::npos ? projectPath : projectPath.substr(slash + 1);
}

void CApplication::OutputFailed(const char* driverName, const char* reason)
{
    const std::string text = std::string(driverName) + ": " + reason +
                             "\nThe studio plays on silently. Choose the output again in View, Options to reconnect.";
    // The error box belongs to the GUI thread.
    QMetaObject::invokeMethod(
        qApp, [text] { Show("%s", text.c_str()); }, Qt::QueuedConnection);
}

void CApplication::PlaybackStarted()
{
    if (output && output->GetFailedIndex() >= 0)
        output->Reconnect();
}

void CApplication::UpdateTitle()
{
    if (mainWindow)
        mainWindow->SetTitle(TitleFor(projectPath, session && session->Studio().IsChanged()).c_str());
}

bool CApplication::ConfirmDiscardChanges()
{
    if (!session || !session->Studio().IsChanged())
        return true;
    const std::string question = "Save changes to '" + ProjectName() + "'?";
    switch (UserDialogs().MessageBox(mainWindow.get(), question, kCaption,
                                     kMessageBoxSaveDiscardCancel | kMessageBoxIconQuestion)) {
    case kAnswerYes:
        SaveProject();
        return !session->Studio().IsChanged();
    case kAnswerNo:
        return true;
    default:
        return false;
    }
}

void CApplication::AfterProjectChange()
{
    session->Studio().ClearChanged();
    if (mainWindow) {
        mainWindow->ToolBar()->UpdateTempo();
        mainWindow->ProjectInfo()->Reload();
    }
    UpdateTitle();
}

void CApplication::ResetProject()
{
    session->Sequencer().Song().Stop();
    projectPath.clear();
    session->NewProject();
    AfterProjectChange();
}

void CApplication::NewProject()
{
    if (!ConfirmDiscardChanges())
        return;
    try {
        ResetProject();
    } catch (const CError& error) {
        Show("%s", error.Text());
    }
}

void CApplication::OpenProject()
{
    if (!ConfirmDiscardChanges())
        return;
    std::string path = projectPath;
    if (!UserDialogs().OpenFile(mainWindow.get(), "Open Project", kProjectFilter, path))
        return;
    OpenProjectFile(path);
}

bool CApplication::OpenProjectFile(const std::string& path)
{
    try {
        session->Sequencer().Song().Stop();
        session->LoadProject(path);
        projectPath = path;
        AfterProjectChange();
        return true;
    } catch (const CError& error) {
        // What was read before the error must not be saved over the file.
        const std::string text = error.Text();
        try {
            ResetProject();
        } catch (const CError& reset) {
            Trace("%s", reset.Text());
        }
        Show("%s", text.c_str());
        return false;
    }
}

bool CApplication::SaveTo(const std::string& path)
{
    try {
        session->SaveProject(path);
        return true;
    } catch (const CError& error) {
        Show("%s", error.Text());
        return false;
    }
}

void CApplication::SaveProject()
{
    if (projectPath.empty()) {
        SaveProjectAs();
        return;
    }
    if (SaveTo(projectPath)) {
        session->Studio().ClearChanged();
        UpdateTitle();
    }
}

void CApplication::SaveProjectAs()
{
    std::string path = projectPath;
    if (!UserDialogs().SaveFile(mainWindow.get(), "Save Project As", kProjectFilter, path))
        return;
    path = WithExtension(path);
    // The path is remembered only once the file is written, so a failed
    // save leaves the project pointing at its own file.
    if (!SaveTo(path))
        return;
    projectPath = path;
    session->Studio().ClearChanged();
    UpdateTitle();
}

void CApplication::ShowHelp()
{
    if (!platform::OpenWithDesktop(HelpFile()))
        Show("Can't Open The Help File '%s'", HelpFile().c_str());
}

void CApplication::ShowAbout()
{
    if (aboutBox)
        aboutBox->Show(kShow);
}

void CApplication::Quit()
{
    if (!ConfirmDiscardChanges())
        return;
    if (mainWindow)
        mainWindow->Show(kShowHide);
    QCoreApplication::exit(0);
}
