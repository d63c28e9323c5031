#pragma once
// The application with its main window on the offscreen platform: no
// machine libraries, no sound output, no splash; the options in a private
// folder; file dialogs and message boxes answered by the test.
#include "app/CApplication.h"
#include "app/CMainWindow.h"
#include "app/CStudioSession.h"
#include "studio/CPlugInDiscovery.h"
#include "support/TempFolder.h"
#include "ui/UserDialogs.h"
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <cstdlib>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class CScriptedDialogs : public CUserDialogs {
public:
    // Answers for file dialogs in order: a path, or "" to cancel.
    std::deque<std::string> files;
    // Answers for message boxes in order; kAnswerOk when none is left.
    std::deque<int32_t> answers;
    std::vector<std::string> fileTitles;
    std::vector<std::string> filters;
    std::vector<std::string> boxes;
    std::vector<uint32_t> styles;

    bool OpenFile(CControl*, const std::string& title, const std::string& filter, std::string& path) override
    {
        return File(title, filter, path);
    }
    bool SaveFile(CControl*, const std::string& title, const std::string& filter, std::string& path) override
    {
        return File(title, filter, path);
    }
    bool BrowseFolder(CControl*, const std::string&, std::string&) override { return false; }
    int32_t MessageBox(CControl*, const std::string& text, const std::string& caption, uint32_t style) override
    {
        boxes.push_back(caption + ": " + text);
        styles.push_back(style);
        if (answers.empty())
            return kAnswerOk;
        int32_t answer = answers.front();
        answers.pop_front();
        return answer;
    }

private:
    bool File(const std::string& title, const std::string& filter, std::string& path)
    {
        fileTitles.push_back(title);
        filters.push_back(filter);
        if (files.empty())
            return false;
        std::string answer = files.front();
        files.pop_front();
        if (answer.empty())
            return false;
        path = answer;
        return true;
    }
};

// Adds the machine libraries of the built program (the core machines).
inline void RegisterProgramLibraries(CVelmHost& host)
{
    CPlugInDiscovery discovery(&host, DiscoverySettings::Defaults());
    discovery.ScanMachineLibraries(std::string(VELMORA_BIN_DIR) + "/PlugIns");
}

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        previous = SetUserDialogs(&dialogs);
        application = std::make_unique<CApplication>();
        ASSERT_TRUE(application->Initialize(setup));
    }
    void TearDown() override
    {
        application.reset();
        SetUserDialogs(previous);
    }

    CMainWindow& Window() { return *application->MainWindow(); }
    CStudioSession& Session() { return *application->Session(); }
    std::string Title() { return Window().Window()->windowTitle().toStdString(); }

    // The menu item of a command, found through the menu bar as a user would.
    QAction* MenuItem(int32_t id)
    {
        for (QAction* top : Window().MenuBar()->actions()) {
            for (QAction* item : top->menu()->actions()) {
                if (!item->isSeparator() && item->data().toInt() == id)
                    return item;
            }
        }
        return nullptr;
    }

    // Subclasses change it before calling SetUp.
    CApplicationSetup setup = [] {
        CApplicationSetup quiet;
        quiet.discoverMachines = false;
        quiet.startOutput = false;
        quiet.showSplash = false;
        quiet.maximize = false;
        return quiet;
    }();
    TempFolder config;
    TempFolder files;
    CScriptedDialogs dialogs;
    CUserDialogs* previous = nullptr;
    std::unique_ptr<CApplication> application;
};
