// The main window and the project commands on real widgets (offscreen),
// with the file dialogs and message boxes answered by the test.
#include "app/view/CBankExplorer.h"
#include "app/BuiltInMachineTypes.h"
#include "app/CAboutBox.h"
#include "app/CProjectInfo.h"
#include "app/WindowTestSupport.h"
#include "platform/OsShell.h"
#include "sequencer/CSequenceEditor.h"
#include "sequencer/view/CMainToolBar.h"
#include "studio/CMachineContainer.h"
#include "studio/CProjectFile.h"
#include "support/ProjectBytes.h"
#include "support/QtTestSupport.h"
#include "ui/CEditBox.h"
#include "ui/CTabControl.h"
#include "ui/CUpDown.h"
#include <QPlainTextEdit>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST(CommandLineProjectTest, SurroundingQuotesGoAndNothingElseChanges)
{
    EXPECT_EQ(CApplication::CommandLineProject("\"/home/a b/song.vmp\""), "/home/a b/song.vmp");
    EXPECT_EQ(CApplication::CommandLineProject("/home/a b/song.vmp"), "/home/a b/song.vmp");
    // Only a quote at both ends counts.
    EXPECT_EQ(CApplication::CommandLineProject("\"/home/song.vmp"), "\"/home/song.vmp");
    EXPECT_EQ(CApplication::CommandLineProject("/home/song.vmp\""), "/home/song.vmp\"");
    EXPECT_EQ(CApplication::CommandLineProject("\""), "\"");
    EXPECT_EQ(CApplication::CommandLineProject("\"\""), "");
    EXPECT_EQ(CApplication::CommandLineProject("\"a \"b\" c\""), "a \"b\" c");
}

TEST(TitleTest, NameAfterTheLastSlashAndAStarForUnsavedChanges)
{
    EXPECT_EQ(CApplication::TitleFor("", false), "Velmora Studio");
    EXPECT_EQ(CApplication::TitleFor("/a/b/song.vmp", false), "Velmora Studio - song.vmp");
    EXPECT_EQ(CApplication::TitleFor("song.vmp", true), "*Velmora Studio - song.vmp");
    EXPECT_EQ(CApplication::TitleFor("", true), "*Velmora Studio");
}

TEST(ProcessorCountTest, AtLeastOne)
{
    EXPECT_EQ(CApplication::ProcessorCountOf(0), 1);
    EXPECT_EQ(CApplication::ProcessorCountOf(-3), 1);
    EXPECT_EQ(CApplication::ProcessorCountOf(8), 8);
}

using MainWindowTest = WindowFixture;

TEST_F(MainWindowTest, StartsWithANewProjectOfOnlyTheMasterAndTheTabsInOrder)
{
    EXPECT_EQ(Title(), "Velmora Studio");
    CStudio& studio = Session().Studio();
    ASSERT_EQ(studio.GetContainerCount(), 1);
    CMachineContainer* master = studio.GetFirst();
    EXPECT_STREQ(master->GetName(), "Master");
    EXPECT_EQ(master->GetX(), 32);
    EXPECT_EQ(master->GetY(), 32);
    EXPECT_EQ(studio.GetMaster(), master);

    CTabControl* tabs = Window().Tabs();
    // The bank explorer has the last tab, after the five of the views.
    ASSERT_EQ(tabs->GetCount(), 6);
    EXPECT_EQ(tabs->GetCurrent(), 0);
    EXPECT_EQ(tabs->GetView(4), Window().ProjectInfo());
    EXPECT_NE(dynamic_cast<CBankExplorer*>(tabs->GetView(5)), nullptr);
    EXPECT_GT(application->ProcessorCount(), 0);
}

TEST_F(MainWindowTest, MenuHoldsEveryItemWithItsIdentifierMnemonicAndSeparators)
{
    struct Item {
        const char* text; // null: a separator
        int32_t id;
    };
    const std::vector<std::pair<std::string, std::vector<Item>>> expected = {
        {"&File",
         {{"&New Project", 40017},
          {"&Open Project...", 40018},
          {"&Save Project", 40019},
          {"Save Project &As...", 40022},
          {nullptr, 0},
          {"E&xit", 40001}}},
        {"&View",
         {{"&Studio", 40007},
          {"&Pattern Editor", 40008},
          {"S&equence Editor", 40015},
          {"&HD Recorder", 40012},
          {"Project &Info", 40010},
          {"Sample &Analyzer...", 40003},
          {nullptr, 0},
          {"&Options...", 40009}}},
        {"&Help", {{"&Contents...", 40021}, {nullptr, 0}, {"&About...", 40006}}},
    };
    const QList<QAction*> menus = Window().MenuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (size_t m = 0; m < expected.size(); ++m) {
        EXPECT_EQ(menus[m]->text().toStdString(), expected[m].first);
        const QList<QAction*> items = menus[m]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[m].second.size())) << expected[m].first;
        for (size_t i = 0; i < expected[m].second.size(); ++i) {
            const Item& item = expected[m].second[i];
            if (!item.text) {
                EXPECT_TRUE(items[i]->isSeparator()) << expected[m].first << " " << i;
                continue;
            }
            EXPECT_EQ(items[i]->text().toStdString(), item.text);
            EXPECT_EQ(items[i]->data().toInt(), item.id) << item.text;
        }
    }
}

TEST_F(MainWindowTest, ViewItemsSelectTheirTabWhateverTabWasShown)
{
    const std::vector<std::pair<int32_t, int32_t>> items = {
        {CMainWindow::kCommandViewStudio, 0},         {CMainWindow::kCommandViewPatternEditor, 1},
        {CMainWindow::kCommandViewSequenceEditor, 2}, {CMainWindow::kCommandViewHDRecorder, 3},
        {CMainWindow::kCommandViewProjectInfo, 4},
    };
    for (int32_t before = 0; before < 5; ++before) {
        for (const auto& [id, tab] : items) {
            Window().Tabs()->SetCurrent(before);
            MenuItem(id)->trigger();
            EXPECT_EQ(Window().Tabs()->GetCurrent(), tab) << "from tab " << before;
            EXPECT_TRUE(Window().TabView(tab)->IsVisible());
            for (int32_t other = 0; other < 5; ++other) {
                if (other != tab) {
                    EXPECT_FALSE(Window().TabView(other)->IsVisible()) << other;
                }
            }
        }
    }
}

TEST_F(MainWindowTest, ResizingKeepsTheToolBarAndTheTabsFitted)
{
    Window().Move(0, 0, 1000, 700);
    const int32_t w = Window().Client()->Width();
    const int32_t h = Window().Client()->Height();
    EXPECT_EQ(w, 1000);
    EXPECT_LT(h, 700); // the menu bar is above
    EXPECT_EQ(Window().ToolBar()->Width(), w);
    EXPECT_EQ(Window().ToolBar()->Height(), 30);
    EXPECT_EQ(Window().Tabs()->X(), 8);
    EXPECT_EQ(Window().Tabs()->Y(), 36);
    EXPECT_EQ(Window().Tabs()->Width(), w - 16);
    EXPECT_EQ(Window().Tabs()->Height(), h - 46);
}

TEST_F(MainWindowTest, OpeningPathsWithSpacesQuotesAndNonAsciiShowsTheirNames)
{
    for (const std::string name : {"my song.vmp", "the \"best\" one.vmp", "Lied für Ödön – 2.vmp"}) {
        const std::string folder = files.MakeFolder("a b/ç");
        const std::string path = folder + "/" + name;
        Session().SaveProject(path);
        ASSERT_TRUE(application->OpenProjectFile(path)) << name;
        EXPECT_EQ(Title(), "Velmora Studio - " + name);
        EXPECT_EQ(application->ProjectPath(), path);
        // Saving goes back to the same file.
        fs::remove(path);
        Window().Command(CMainWindow::kCommandSaveProject);
        EXPECT_TRUE(fs::exists(path)) << name;
    }
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxes.front();
}

TEST_F(MainWindowTest, SaveWithoutAPathAsksForOneAndCancellingChangesNothing)
{
    Session().Studio().MarkChanged();
    application->UpdateTitle();
    dialogs.files = {""}; // cancel
    MenuItem(CMainWindow::kCommandSaveProject)->trigger();
    ASSERT_EQ(dialogs.fileTitles.size(), 1u);
    EXPECT_EQ(dialogs.filters[0], "Velmora Project (*.vmp)");
    EXPECT_EQ(application->ProjectPath(), "");
    EXPECT_EQ(Title(), "*Velmora Studio");

    // A name without the extension gets it.
    dialogs.files = {files / "tune"};
    MenuItem(CMainWindow::kCommandSaveProject)->trigger();
    EXPECT_EQ(application->ProjectPath(), files / "tune.vmp");
    EXPECT_TRUE(fs::exists(files / "tune.vmp"));
    EXPECT_EQ(Title(), "Velmora Studio - tune.vmp");
    EXPECT_FALSE(Session().Studio().IsChanged());

    // Save As with a cancelled dialog keeps the path and the title.
    dialogs.files = {""};
    MenuItem(CMainWindow::kCommandSaveProjectAs)->trigger();
    EXPECT_EQ(application->ProjectPath(), files / "tune.vmp");
    EXPECT_EQ(Title(), "Velmora Studio - tune.vmp");
}

TEST_F(MainWindowTest, AFailedSaveAsKeepsThePathOfTheProject)
{
    dialogs.files = {files / "first.vmp"};
    application->SaveProjectAs();
    ASSERT_EQ(application->ProjectPath(), files / "first.vmp");
    dialogs.files = {files / "no such folder/second.vmp"};
    application->SaveProjectAs();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].find("Velmora: Failed To Open File"), std::string::npos) << dialogs.boxes[0];
    EXPECT_EQ(dialogs.styles[0] & 0xF0, kMessageBoxIconError);
    EXPECT_EQ(application->ProjectPath(), files / "first.vmp");
    EXPECT_EQ(Title(), "Velmora Studio - first.vmp");
}

TEST_F(MainWindowTest, ADamagedFileLeavesANewProjectWithoutItsPath)
{
    // A project with a path and changes, then a damaged file over another.
    Session().Studio().GetHost()->SetTempo(99);
    dialogs.files = {files / "good.vmp"};
    application->SaveProjectAs();
    const std::string damaged = files.WriteFile("damaged.vmp", std::string("VMP ") + std::string(40, '\x04'));
    std::vector<uint8_t> bytes;
    {
        std::ifstream in(files / "good.vmp", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bytes.resize(bytes.size() - 7); // cut inside the sequence block
    WriteBytes(files / "cut.vmp", bytes);

    for (const std::string& path : {damaged, files / "cut.vmp", files / "missing.vmp"}) {
        dialogs.boxes.clear();
        dialogs.files = {path};
        MenuItem(CMainWindow::kCommandOpenProject)->trigger();
        ASSERT_EQ(dialogs.boxes.size(), 1u) << path;
        const bool unreadable = path.find("missing") != std::string::npos;
        EXPECT_EQ(dialogs.boxes[0], "Velmora: " + (unreadable ? "Failed To Open File '" + path + "' For Reading"
                                                              : "File '" + path + "' Is Corrupt"));
        EXPECT_EQ(application->ProjectPath(), "");
        EXPECT_EQ(Title(), "Velmora Studio");
        ASSERT_EQ(Session().Studio().GetContainerCount(), 1);
        EXPECT_STREQ(Session().Studio().GetMaster()->GetName(), "Master");
        EXPECT_FALSE(Session().Studio().IsChanged());
    }
    // The file that failed was not touched.
    EXPECT_EQ(ReadText(damaged), std::string("VMP ") + std::string(40, '\x04'));
}

TEST_F(MainWindowTest, AMissingMachineIsNamedAndTheRestOfTheProjectLoads)
{
    WriteBytes(files / "steps.vmp", StepsProject(4, 0, 2));
    dialogs.files = {files / "steps.vmp"};
    MenuItem(CMainWindow::kCommandOpenProject)->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].find("Machine of name \"Steps 1\" could not be loaded."), std::string::npos)
        << dialogs.boxes[0];
    EXPECT_EQ(Title(), "Velmora Studio - steps.vmp");
    EXPECT_EQ(Session().Studio().GetContainerCount(), 1);
    EXPECT_EQ(Window().ToolBar()->TempoControl()->GetValue(), 120);
    EXPECT_EQ(Window().ToolBar()->TicksControl()->GetValue(), 4);
}

TEST_F(MainWindowTest, UnsavedChangesAskBeforeNewOpenAndClose)
{
    dialogs.files = {files / "kept.vmp"};
    application->SaveProjectAs();
    Session().Studio().GetHost()->SetTempo(133);
    Session().Studio().MarkChanged();
    ASSERT_TRUE(ProcessEventsUntil([&] { return Title() == "*Velmora Studio - kept.vmp"; })) << Title();

    // Cancel: nothing happens.
    dialogs.answers = {kAnswerCancel};
    MenuItem(CMainWindow::kCommandNewProject)->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0], "Velmora: Save changes to 'kept.vmp'?");
    EXPECT_EQ(dialogs.styles[0] & 0x0F, kMessageBoxSaveDiscardCancel);
    EXPECT_EQ(application->ProjectPath(), files / "kept.vmp");
    EXPECT_TRUE(Session().Studio().IsChanged());

    // Cancel before Open: no file dialog.
    dialogs.answers = {kAnswerCancel};
    MenuItem(CMainWindow::kCommandOpenProject)->trigger();
    EXPECT_TRUE(dialogs.fileTitles.size() == 1u); // only the Save As above

    // Close with Cancel keeps the window.
    dialogs.answers = {kAnswerCancel};
    Window().Close();
    EXPECT_TRUE(Window().IsVisible());

    // Save: the file gets the change, then the new project comes.
    dialogs.answers = {kAnswerYes};
    MenuItem(CMainWindow::kCommandNewProject)->trigger();
    EXPECT_EQ(application->ProjectPath(), "");
    EXPECT_EQ(Title(), "Velmora Studio");
    {
        CStudioSession other(44100, 256, [](CVelmHost& host) { RegisterBuiltInMachineTypes(host); });
        other.LoadProject(files / "kept.vmp");
        EXPECT_EQ(other.Host().GetTempo(), 133);
    }

    // Discard: the change is dropped without a save.
    Session().Studio().MarkChanged();
    dialogs.answers = {kAnswerNo};
    dialogs.files = {files / "kept.vmp"};
    MenuItem(CMainWindow::kCommandOpenProject)->trigger();
    EXPECT_EQ(Title(), "Velmora Studio - kept.vmp");
    EXPECT_EQ(Window().ToolBar()->TempoControl()->GetValue(), 133);

    // An unnamed project whose save is cancelled stays, changes and all.
    dialogs.answers = {kAnswerYes};
    dialogs.files = {""};
    MenuItem(CMainWindow::kCommandNewProject)->trigger(); // no changes: no question
    Session().Studio().MarkChanged();
    dialogs.boxes.clear();
    dialogs.answers = {kAnswerYes};
    dialogs.files = {""};
    MenuItem(CMainWindow::kCommandNewProject)->trigger();
    EXPECT_EQ(dialogs.boxes, std::vector<std::string>{"Velmora: Save changes to 'Untitled'?"});
    EXPECT_TRUE(Session().Studio().IsChanged());
}

TEST_F(MainWindowTest, ProjectInfoEditsMarkTheProjectAndAreSavedAndLoaded)
{
    Window().Command(CMainWindow::kCommandViewProjectInfo);
    auto* edit = Window().ProjectInfo()->Edit()->Window()->findChild<QPlainTextEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClicks(edit, "Take 3, no drums");
    EXPECT_EQ(Session().Information(), "Take 3, no drums");
    EXPECT_TRUE(Session().Studio().IsChanged());
    // A space typed into the text stays in the text: the song did not start.
    EXPECT_FALSE(Session().Sequencer().Song().IsPlayDown());

    dialogs.files = {files / "info.vmp"};
    application->SaveProject();
    application->NewProject();
    EXPECT_EQ(edit->toPlainText().toStdString(), "");
    EXPECT_FALSE(Session().Studio().IsChanged()); // reloading the box is no edit
    application->OpenProjectFile(files / "info.vmp");
    EXPECT_EQ(edit->toPlainText().toStdString(), "Take 3, no drums");
    EXPECT_FALSE(Session().Studio().IsChanged());
}

TEST_F(MainWindowTest, HelpAndTheAboutLinkGoToTheDesktopsOpener)
{
    const std::string record = files / "opened.txt";
    const std::string opener = files.WriteFile("opener.sh", "#!/bin/sh\necho \"$1\" >> '" + record + "'\n");
    fs::permissions(opener, fs::perms::owner_all);
    setenv("VELMORA_OPENER", opener.c_str(), 1);

    MenuItem(CMainWindow::kCommandHelpContents)->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return ReadText(record).find("Velmora.html") != std::string::npos; }))
        << ReadText(record);
    EXPECT_EQ(ReadText(record), CApplication::HelpFile() + "\n");

    CAboutBox* about = application->AboutBox();
    MenuItem(CMainWindow::kCommandAbout)->trigger();
    ASSERT_TRUE(about->IsVisible());
    EXPECT_EQ(about->Text().rfind("Version: 3.6.8\nPlatform: x86-64 (GCC-", 0), 0u) << about->Text();
    // Over the link the hand, off it the arrow.
    QWidget* box = about->Window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
    // Moves without a button, as the window system delivers them.
    auto move = [box](int x, int y) {
        QMouseEvent event(QEvent::MouseMove, QPointF(x, y), box->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(box, &event);
    };
    move(200, 128);
    EXPECT_TRUE(about->IsOverLink());
    EXPECT_EQ(box->cursor().shape(), Qt::PointingHandCursor);
    move(200, 160);
    EXPECT_FALSE(about->IsOverLink());
    EXPECT_EQ(box->cursor().shape(), Qt::ArrowCursor);
    // A click on the link opens the home page and keeps the box.
    move(419, 135);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(419, 135));
    ASSERT_TRUE(ProcessEventsUntil([&] { return ReadText(record).find(CAboutBox::kHomePage) != std::string::npos; }));
    EXPECT_TRUE(about->IsVisible());
    // Elsewhere it hides.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(100, 50));
    EXPECT_FALSE(about->IsVisible());
    unsetenv("VELMORA_OPENER");
}

TEST(DisplayTest, AWindowNeedsADisplayThatAnswers)
{
    const char* saved = std::getenv("DISPLAY");
    const std::string previous = saved ? saved : "";
    std::string why;
    unsetenv("DISPLAY");
    EXPECT_FALSE(platform::HasDisplay(&why));
    EXPECT_NE(why.find("DISPLAY is not set"), std::string::npos) << why;
    // A stale local display (no server behind its socket) is no display.
    setenv("DISPLAY", ":987", 1);
    EXPECT_FALSE(platform::HasDisplay(&why));
    EXPECT_EQ(why, "the display ':987' does not answer");
    setenv("DISPLAY", "unix:987.0", 1);
    EXPECT_FALSE(platform::HasDisplay(&why));
    // One on another host is left to the toolkit.
    setenv("DISPLAY", "elsewhere:0", 1);
    EXPECT_TRUE(platform::HasDisplay(&why));
    if (saved)
        setenv("DISPLAY", previous.c_str(), 1);
    else
        unsetenv("DISPLAY");
}
