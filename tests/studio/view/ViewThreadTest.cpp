// The graphics thread renders the studio view while the GUI thread edits
// the graph and a render thread automates parameters: run under
// ThreadSanitizer too.
#include "StudioViewFixture.h"
#include "studio/view/CDefaultGUI.h"
#include <atomic>
#include <thread>

TEST_F(StudioViewTest, RefreshOnTheGraphicsThreadWhileTheGraphChanges)
{
    CMachineContainer* automated = Add("ZT Own Editor", 40, 300);
    view->ShowEditor(Box(automated), CMachineContainer::GUI_DEFAULT);
    CMachine* machine = automated->GetMachine();
    std::atomic<bool> stop{false};
    std::atomic<int> refreshes{0};
    std::thread graphics([&] {
        while (!stop.load()) {
            view->Invalidate();
            view->Refresh();
            refreshes.fetch_add(1);
            std::this_thread::yield();
        }
    });
    std::atomic<bool> stopRender{false};
    std::thread render([&] {
        for (int i = 0; !stopRender.load(); ++i) {
            CLockGuard lock(*machine);
            machine->host->ParameterChanged(machine, i % 3, (i % 100) / 100.0);
            std::this_thread::yield();
        }
    });
    CMachineContainer* master = studio().GetMaster();
    for (int round = 0; round < 20; ++round) {
        CMachineContainer* synth = Add("ZT DudeRivi", 200 + round * 5, 60);
        CMachineContainer* echo = Add("ZT ZezaRazad", 400, 60 + round * 5);
        Drag(ConnectorPoint(synth, 1), ConnectorPoint(echo, 0));
        Drag(ConnectorPoint(echo, echo->GetConnectorCount() - 1), ConnectorPoint(master, 0));
        Drag(TitlePoint(synth), TitlePoint(synth) + QPoint(30, 200));
        view->ShowEditor(Box(echo), CMachineContainer::GUI_DEFAULT);
        QCoreApplication::processEvents();
        view->DeleteMachine(Box(synth));
        if (round % 2)
            view->DeleteMachine(Box(echo));
    }
    // The automated machine goes with the project: its thread stops first.
    stopRender.store(true);
    render.join();
    studio().NewProject();
    ProcessEventsUntil([&] { return refreshes.load() > 50; });
    stop.store(true);
    graphics.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(view->GetBoxCount(), 1);
    EXPECT_TRUE(view->GetCables().empty());
}
