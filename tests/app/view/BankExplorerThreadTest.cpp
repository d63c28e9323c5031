// Banks added by another thread reach the explorer's lists on the GUI
// thread; built and run under ThreadSanitizer too.
#include "app/view/CBankExplorer.h"
#include "studio/CVelmHost.h"
#include "support/QtTestSupport.h"
#include "ui/CColorManager.h"
#include "ui/CListBox.h"
#include <gtest/gtest.h>
#include <thread>

TEST(BankExplorerThreadTest, BanksAddedOnAnotherThreadAreListedOnTheGuiThread)
{
    CVelmHost host(44100, 256, 0);
    CColorManager colors;
    auto window = MakeHostWindow("Banks", 400, 300, &colors);
    CBankExplorer explorer(window.get(), &host, 0, 0, 400, 300);
    std::thread adder([&] {
        CHostBankServer& server = host.BankServer();
        for (int i = 0; i < 3; ++i) {
            CLockGuard lock(server);
            int32_t index = -1;
            int32_t preset = -1;
            server.AddBank(i == 0 ? "From Elsewhere" : "Another", &index);
            server.AddPreset(index, "Piano", &preset);
        }
    });
    // The GUI thread keeps working while the banks come.
    ASSERT_TRUE(ProcessEventsUntil([&] { return explorer.Banks()->GetCount() == 3; }));
    adder.join();
    EXPECT_EQ(explorer.Banks()->GetText(0), "From Elsewhere");
    EXPECT_EQ(explorer.Banks()->GetItemData(2), 2);
    explorer.SelectBank(2);
    ASSERT_EQ(explorer.Presets()->GetCount(), 1);
    EXPECT_EQ(explorer.Presets()->GetText(0), "Piano");
}
