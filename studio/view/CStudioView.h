#pragma once
#include "studio/CStudioObserver.h"
#include "studio/view/CPopupMenu.h"
#include "ui/CControl.h"
#include <QPoint>
#include <atomic>
#include <unordered_map>
#include <vector>

class CCableVolumeSlider;
class CConnection;
class CMachineBox;
class CMachineRenameDialog;
class CScrollBar;
class CStudio;

// The studio tab: machine boxes with their connectors, cables with arrow
// heads, the machine, box and cable menus, the cable volume slider, the
// rename dialog and the editors shown inside boxes.
//
// Design note: the view keeps its own picture of the graph (one CMachineBox
// per container, a list of cables), updated from CStudioObserver calls on
// the GUI thread under the buffer lock. Rendering reads only that picture,
// so the graphics thread may render (Refresh) without the studio lock and
// never makes the render cycle wait. Edits go through CStudio, which takes
// the studio lock and tells the view back; parameter edits take the
// machine's lock. ParameterChanged from a render thread is only noted and
// turned into a GUI-thread refresh by Refresh.
class CStudioView : public CControl, public CStudioObserver {
public:
    static constexpr int32_t kScrollBarSize = 16;

    enum BoxCommand : int32_t {
        kHideGUI = 1,
        kShowDefaultGUI,
        kShowCustomGUI,
        kRename,
        kRandomize,
        kDeleteMachine,
    };
    enum CableCommand : int32_t { kDisconnect = 1 };

    struct Cable {
        CMachineBox* from;
        int32_t fromPort;
        CMachineBox* to;
        int32_t toPort;
        CConnection* connection;
        bool audio;
    };

    CStudioView(CControl* parent, CStudio* studio, int32_t x, int32_t y, int32_t width, int32_t height);
    ~CStudioView() override;

    // From the graphics thread about every 10 ms: applies what was noted
    // off the GUI thread (parameter changes, editor idle time) and renders
    // when something asked for it.
    void Refresh();
    // Renders again on the next Refresh (any thread).
    void Invalidate() { dirty.store(true, std::memory_order_release); }

    CStudio* GetStudio() const { return studio; }
    // GUI thread.
    int32_t GetBoxCount() const { return static_cast<int32_t>(boxes.size()); }
    CMachineBox* GetBox(int32_t index) const { return boxes[static_cast<size_t>(index)]; }
    CMachineBox* FindBox(const CMachineContainer* container) const;
    const std::vector<Cable>& GetCables() const { return cables; }
    QPoint GetScrollOffset() const { return scroll; }
    QPoint ToView(QPoint studioPoint) const { return studioPoint - scroll; }
    QPoint ToStudio(QPoint viewPoint) const { return viewPoint + scroll; }
    // The arrow head's centre in studio coordinates.
    static QPoint ArrowHeadCentre(const Cable& cable);
    CPopupMenu& GetMachineMenu() { return machineMenu; }
    CPopupMenu& GetBoxMenu() { return boxMenu; }
    CPopupMenu& GetCableMenu() { return cableMenu; }
    CCableVolumeSlider* GetCableSlider() const { return cableSlider; }
    CMachineRenameDialog* GetRenameDialog() const { return renameDialog; }
    CScrollBar* GetScrollBar(bool vertical) const { return vertical ? verticalBar : horizontalBar; }

    // What the box menu does; also callable directly.
    void ShowEditor(CMachineBox* box, int32_t state);
    void OpenRenameDialog(CMachineBox* box);
    void RandomizeMachine(CMachineBox* box);
    void DeleteMachine(CMachineBox* box);
    // Whether the machine offers an editor of its own here.
    bool HasCustomEditor(CMachineBox* box);

    // CStudioObserver.
    void MachineAdded(CMachineContainer* container) override;
    void MachineRemoved(CMachineContainer* container) override;
    void MachineRenamed(CMachineContainer* container) override;
    void ConnectionsChanged() override;
    void StudioCleared() override;
    void ParameterChanged(CMachineContainer* container, int32_t index, double value) override;

    // CControl.
    void Render(CDrawContext& dc) override;
    void Resized(int32_t newWidth, int32_t newHeight) override;
    void LeftButtonDown(int32_t x, int32_t y, uint32_t keys) override;
    void LeftButtonUp(int32_t x, int32_t y, uint32_t keys) override;
    void MouseMove(int32_t x, int32_t y, uint32_t keys) override;
    void RightButtonUp(int32_t x, int32_t y, uint32_t keys) override;
    // On a box: opens its editor (its own when it has one), or hides it.
    void DoubleClick(int32_t x, int32_t y, uint32_t keys) override;
    void HorizontalScroll(int32_t position) override;
    void VerticalScroll(int32_t position) override;
    void ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2) override;
    void DialogConfirmed(CDialog* dialog) override;

private:
    class CWheelScroller;
    enum DragState { kDragNone, kDragCable, kDragBox, kDragScroll };

    // The topmost box under the studio point (its connectors included).
    CMachineBox* BoxAt(QPoint studioPoint) const;
    // The first cable whose arrow head holds the point; audio only when asked.
    const Cable* CableAt(QPoint studioPoint, bool audioOnly) const;
    void AddBox(CMachineContainer* container);
    void DeleteBoxControls(CMachineBox* box);
    void RebuildCables(const CMachineContainer* leaving);
    // Lays the box out for its shown editor, redraws its face and places
    // its editor controls.
    void LayoutBox(CMachineBox* box);
    void PlaceEditorControls(CMachineBox* box);
    void UpdateScrollRange();
    // The scroll offset that brings the farthest box into sight.
    QPoint ScrollLimit() const;
    void PlaceScrollBars();
    void SetScroll(QPoint offset);
    void HideCableSlider();
    void OpenMachineMenu(QPoint viewPoint);
    void OpenBoxMenu(CMachineBox* box, QPoint viewPoint);
    void OpenCableMenu(CConnection* connection, QPoint viewPoint);
    bool Contains(const CMachineBox* box) const;
    void RefreshParameters();
    void IdleEditors();
    void SyncEditorStates();
    int32_t ViewportWidth() const { return Width() - kScrollBarSize; }
    int32_t ViewportHeight() const { return Height() - kScrollBarSize; }

    CStudio* studio;
    std::vector<CMachineBox*> boxes;
    std::unordered_map<const CMachineContainer*, CMachineBox*> boxOf;
    std::vector<Cable> cables;
    QPoint scroll{0, 0};

    DragState drag = kDragNone;
    CMachineBox* dragBox = nullptr;
    int32_t dragPort = -1;
    QPoint dragPoint;  // studio coordinates: the cable's loose end, or the grab offset
    CMachineBox* targetBox = nullptr;
    int32_t targetPort = -1;
    QPoint scrollGrab;
    std::string hoverTip;

    CPopupMenu machineMenu;
    CPopupMenu boxMenu;
    CPopupMenu cableMenu;
    CCableVolumeSlider* cableSlider;
    CMachineRenameDialog* renameDialog;
    CMachineContainer* renameTarget = nullptr;
    CScrollBar* horizontalBar;
    CScrollBar* verticalBar;
    CWheelScroller* wheelScroller;

    std::atomic<bool> dirty{false};
    std::atomic<bool> parameterNotes{false};
    std::atomic<bool> idlePosted{false};
    std::atomic<int32_t> customEditorsShown{0};
};
