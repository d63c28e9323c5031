#pragma once
// The pattern and sequence editor tabs on a session of the sequencer test
// machines, in a shown window of the offscreen platform, driven by real
// mouse events.
#include "sequencer/view/CControlView.h"
#include "sequencer/view/CNoteView.h"
#include "sequencer/view/CPatternEditorView.h"
#include "sequencer/view/CSequenceEditorView.h"
#include "sequencer/view/CSequenceView.h"
#include "support/QtTestSupport.h"
#include "support/SequencerFixture.h"
#include "ui/CComboBox.h"
#include "ui/CToolBarButton.h"
#include "ui/CUpDown.h"
#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <map>
#include <memory>
#include <string>

class EditorViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = MakeHostWindow("Editors", 1000, 700, &colors);
    }
    void TearDown() override
    {
        sequenceTab.reset();
        patternTab.reset();
        window.reset();
    }

    CPatternEditorView& PatternTab()
    {
        if (!patternTab) {
            patternTab = std::make_unique<CPatternEditorView>(window.get(), &fx.Patterns(), 0, 0, 1000, 700);
            patternTab->Show(kShow);
        }
        return *patternTab;
    }
    CSequenceEditorView& SequenceTab()
    {
        if (!sequenceTab) {
            sequenceTab = std::make_unique<CSequenceEditorView>(window.get(), &fx.Song(), 0, 0, 1000, 700);
            sequenceTab->Show(kShow);
        }
        return *sequenceTab;
    }
    CNoteView& Notes() { return *PatternTab().NoteView(); }

    // The centre of a tick's cell in the row of a key.
    QPoint Cell(int32_t tick, int32_t key)
    {
        CNoteView& view = Notes();
        const int32_t row = fx.Patterns().HasNamedKeys() ? key : 127 - key;
        return {CNoteView::kLabelWidth + (tick - view.GetFirstColumn() * 4) * CNoteView::kTickWidth + 8,
                (row - view.GetFirstRow()) * CNoteView::kRowHeight + 8};
    }
    // Without a button held, QTest moves the pointer itself, and a move to
    // where it already is sends nothing: step beside the target first.
    void Hover(CControl* control, QPoint at)
    {
        QTest::mouseMove(control->Window(), at + QPoint(1, 1));
        QTest::mouseMove(control->Window(), at);
    }
    void Click(CControl* control, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        Hover(control, at);
        QTest::mouseClick(control->Window(), button, {}, at);
    }
    void Drag(CControl* control, QPoint from, QPoint to)
    {
        Hover(control, from);
        QTest::mousePress(control->Window(), Qt::LeftButton, {}, from);
        QTest::mouseMove(control->Window(), to);
        QTest::mouseRelease(control->Window(), Qt::LeftButton, {}, to);
    }
    void Press(CToolBarButton* button)
    {
        QTest::mouseClick(button->Window()->findChild<QAbstractButton*>(), Qt::LeftButton);
    }
    // Chooses an entry of a combo as the user would: the selection, then
    // the notification the combo sends.
    void Choose(CComboBox* combo, int32_t index)
    {
        combo->SetCurSel(index);
        combo->Parent()->ComboSelectionChanged(combo);
    }
    // Answers the next context menu with its item `text`; records which
    // items were enabled.
    void AnswerMenu(const char* text)
    {
        menuEnabled.clear();
        auto* timer = new QTimer;
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [this, text, timer] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || !menu->isVisible())
                return;
            timer->stop();
            timer->deleteLater();
            QAction* pick = nullptr;
            for (QAction* action : menu->actions()) {
                menuEnabled[action->text().toStdString()] = action->isEnabled();
                if (action->text() == text)
                    pick = action;
            }
            if (pick && pick->isEnabled())
                menu->setActiveAction(pick);
            QTest::keyClick(menu, pick && pick->isEnabled() ? Qt::Key_Return : Qt::Key_Escape);
        });
        timer->start();
    }
    // The grid as drawn in the note view's buffer.
    QImage Grid()
    {
        CNoteView& view = Notes();
        view.LockBuffer();
        QImage copy = view.Buffer()->copy();
        view.UnlockBuffer();
        return copy;
    }

    CSequencerFixture fx;
    CColorManager colors;
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CPatternEditorView> patternTab;
    std::unique_ptr<CSequenceEditorView> sequenceTab;
    std::map<std::string, bool> menuEnabled;
};
