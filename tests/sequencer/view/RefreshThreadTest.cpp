// The display thread refreshes both tabs while the GUI thread edits with
// the mouse and the render thread plays the pattern and the song: cursors,
// syncs and edits meet only under their locks.
#include "EditorViewFixture.h"
#include "sequencer/Pattern.h"
#include <atomic>
#include <thread>

TEST_F(EditorViewTest, DisplayRefreshRunsBesideEditsAndPlay)
{
    fx.SetClock(240, 4);
    CMachineContainer* synth = fx.Add("ZT Events", "Synth 1");
    Pattern* pattern = fx.NewPattern(synth, 4);
    CPatternEditorView& tab = PatternTab();
    CSequenceEditorView& song = SequenceTab();
    tab.Sync();
    song.Sync();
    fx.Song().SelectRow(fx.RowOf(synth));
    fx.Song().ChoosePattern(pattern);
    fx.Song().SetLoop(true);
    fx.Song().SetPlay(true);
    fx.Patterns().SetLoop(true);
    fx.Patterns().SetPlay(true);

    std::atomic<bool> done{false};
    std::atomic<int> refreshes{0};
    std::thread display([&] {
        while (!done.load()) {
            tab.Refresh();
            song.Refresh();
            refreshes.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::thread render([&] {
        while (!done.load()) {
            fx.RenderBlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (int round = 0; round < 12; ++round) {
        Click(&Notes(), Cell(round, 60 + round % 3));
        Drag(&Notes(), Cell(round, 60 + round % 3), Cell(round, 64));
        tab.HorizontalScroll(round % 2);
        Click(song.View(), QPoint(CSequenceView::kLabelWidth + (round * 4) * CSequenceView::kUnitWidth + 8,
                                  fx.RowOf(synth) * CSequenceView::kRowHeight + 8));
        QCoreApplication::processEvents();
    }
    ProcessEventsUntil([&] { return refreshes.load() > 50; });
    done.store(true);
    display.join();
    render.join();
    QCoreApplication::processEvents();

    EXPECT_GT(refreshes.load(), 50);
    EXPECT_GT(pattern->GetNoteCount(), 0);
    EXPECT_GT(fx.Song().GetSequence().GetTrack(fx.RowOf(synth))->GetEntryCount(), 0);
    EXPECT_GE(Notes().PlayCursor(), 0.0);
    EXPECT_GE(song.View()->SongCursor(), 0.0);
}
