#include "app/WindowCommand.h"
#include "app/CApplication.h"
#include "framework/Errors.h"
#include <QApplication>

int RunWindow(int argc, char** argv, const std::string& project)
{
    QApplication qt(argc, argv);
    QApplication::setApplicationName("Velmora Studio");
    QApplication::setDesktopFileName("velmora-studio");
    CApplication application;
    try {
        if (application.Initialize()) {
            if (!project.empty())
                application.OpenProjectFile(CApplication::CommandLineProject(project));
            application.PumpMessages();
            application.Shutdown();
        }
    } catch (const CError& error) {
        Show("%s", error.Text());
        if (application.IsInitialized())
            application.Shutdown();
    }
    return 0;
}
