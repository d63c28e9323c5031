#include "studio/view/CStudioView.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "framework/CPort.h"
#include "framework/Errors.h"
#include "studio/CConnection.h"
#include "studio/CConnector.h"
#include "studio/CMachineContainer.h"
#include "studio/CStudio.h"
#include "studio/CVelmHost.h"
#include "studio/view/CCableVolumeSlider.h"
#include "studio/view/CDefaultGUI.h"
#include "studio/view/CMachineBox.h"
#include "studio/view/CProgramToolBar.h"
#include "studio/view/CMachineRenameDialog.h"
#include "studio/view/GuardedCall.h"
#include "ui/CColorManager.h"
#include "ui/CDrawContext.h"
#include "ui/CScrollBar.h"
#include <QCoreApplication>
#include <QFont>
#include <QPainter>
#include <QPolygon>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

enum : uint32_t {
    kMessageRefreshParameters = kMessageApplicationFirst + 0x100,
    kMessageIdleEditors,
    kMessageSyncEditors,
};

constexpr int32_t kBackground = 8;
constexpr int32_t kAudioCable = 10;
constexpr int32_t kControlCable = 38;
constexpr int32_t kArrowFill = 28;
constexpr int32_t kArrowOutline = 0;
constexpr int32_t kLooseCable = 40;
constexpr int32_t kTargetMark = 1;
constexpr int32_t kArrowLength = 12;
constexpr int32_t kArrowHalfWidth = 6;
constexpr int32_t kArrowReach = 8;
constexpr int32_t kScrollMargin = 64;

bool OnGuiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

QColor ColorOf(CColorManager* colors, int32_t number)
{
    if (!colors)
        return Qt::black;
    ColorRef c = colors->GetColor(number);
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// A machine whose own code answers which kind it is; a throw counts as an
// effect, and is shown.
bool AsksGenerator(CMachineContainer* container)
{
    bool generator = false;
    GuardedCall(container->GetName(), "IsGenerator", [&] {
        CLockGuard lock(*container->GetMachine());
        generator = container->GetMachine()->IsGenerator();
    });
    return generator;
}

} // namespace

// The mouse wheel scrolls the studio (with Shift, or a sideways wheel,
// horizontally); the control toolkit does not pass wheel events on.
class CStudioView::CWheelScroller : public QObject {
public:
    explicit CWheelScroller(CStudioView* view) : view(view) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        auto* wheel = static_cast<QWheelEvent*>(event);
        QPoint delta = wheel->angleDelta();
        if (wheel->modifiers() & Qt::ShiftModifier)
            delta = QPoint(delta.y(), delta.x());
        // 40 pixels per notch of 120, within the boxes' extent.
        QPoint now = view->GetScrollOffset();
        QPoint limit = view->ScrollLimit();
        QPoint to = now - delta / 3;
        to.setX(std::min(to.x(), std::max(limit.x(), now.x())));
        to.setY(std::min(to.y(), std::max(limit.y(), now.y())));
        view->SetScroll(to);
        view->UpdateScrollRange();
        return true;
    }

private:
    CStudioView* view;
};

CStudioView::CStudioView(CControl* parent, CStudio* studio, int32_t x, int32_t y, int32_t width, int32_t height)
    : CControl(parent, "StudioView", x, y, width, height, true), studio(studio)
{
    SetBackgroundColor(kBackground);
    cableSlider = new CCableVolumeSlider(this, studio);
    renameDialog = new CMachineRenameDialog(this, "Rename Machine");
    horizontalBar = new CScrollBar(this, 0, 0, 10, kScrollBarSize, false);
    verticalBar = new CScrollBar(this, 0, 0, kScrollBarSize, 10, true);
    horizontalBar->Show(kShow);
    verticalBar->Show(kShow);
    wheelScroller = new CWheelScroller(this);
    Window()->installEventFilter(wheelScroller);
    {
        CLockGuard lock(*studio);
        for (CMachineContainer* container = studio->GetFirst(); container; container = container->GetNext())
            AddBox(container);
        RebuildCables(nullptr);
        studio->AddObserver(this);
    }
    PlaceScrollBars();
    UpdateScrollRange();
    PostMessage(kMessageSyncEditors, 0, 0);
    Redraw();
}

CStudioView::~CStudioView()
{
    studio->RemoveObserver(this);
    machineMenu.Close();
    boxMenu.Close();
    cableMenu.Close();
    for (CMachineBox* box : boxes) {
        if (box->shownState == CMachineContainer::GUI_CUSTOM) {
            CMachine* machine = box->GetContainer()->GetMachine();
            GuardedCall(box->GetName().c_str(), "HideGUI", [&] {
                CLockGuard lock(*machine);
                machine->HideGUI();
            });
        }
        DeleteBoxControls(box);
        delete box;
    }
    delete renameDialog;
    delete cableSlider;
    delete horizontalBar;
    delete verticalBar;
    if (Window())
        Window()->removeEventFilter(wheelScroller);
    delete wheelScroller;
}

// ---- The view's picture of the graph --------------------------------------

CMachineBox* CStudioView::FindBox(const CMachineContainer* container) const
{
    auto found = boxOf.find(container);
    return found == boxOf.end() ? nullptr : found->second;
}

bool CStudioView::Contains(const CMachineBox* box) const
{
    return box && std::find(boxes.begin(), boxes.end(), box) != boxes.end();
}

void CStudioView::AddBox(CMachineContainer* container)
{
    auto* box = new CMachineBox(container, AsksGenerator(container));
    box->Layout(*Font(), QSize());
    box->RenderFace(Colors(), *Font());
    CLockGuard lock(bufferLock);
    boxes.push_back(box);
    boxOf[container] = box;
}

void CStudioView::RebuildCables(const CMachineContainer* leaving)
{
    std::vector<Cable> fresh;
    for (CMachineBox* to : boxes) {
        CMachineContainer* container = to->GetContainer();
        if (container == leaving)
            continue;
        for (int32_t port = 0; port < container->GetConnectorCount(); ++port) {
            CConnector* input = container->GetConnector(port);
            for (int32_t i = 0; i < input->GetConnectionCount(); ++i) {
                CConnection* connection = input->GetConnection(i);
                CMachineContainer* source = connection->source->GetContainer();
                CMachineBox* from = FindBox(source);
                if (!from || source == leaving)
                    continue;
                int32_t fromPort = -1;
                for (int32_t k = 0; k < source->GetConnectorCount(); ++k) {
                    if (source->GetConnector(k) == connection->source)
                        fromPort = k;
                }
                if (fromPort < 0 || fromPort >= from->GetConnectorCount() || port >= to->GetConnectorCount())
                    continue;
                fresh.push_back({from, fromPort, to, port, connection, input->GetPort()->IsAudio()});
            }
        }
    }
    CLockGuard lock(bufferLock);
    cables.swap(fresh);
}

void CStudioView::MachineAdded(CMachineContainer* container)
{
    AddBox(container);
    UpdateScrollRange();
    // A project being loaded sets the editor state after adding the machine.
    PostMessage(kMessageSyncEditors, 0, 0);
    Redraw();
}

void CStudioView::MachineRemoved(CMachineContainer* container)
{
    CMachineBox* box = FindBox(container);
    if (!box)
        return;
    if (renameTarget == container) {
        renameTarget = nullptr;
        renameDialog->Cancel();
    }
    // Its cables are gone already: the slider may hold one of them.
    HideCableSlider();
    machineMenu.Close();
    boxMenu.Close();
    cableMenu.Close();
    RebuildCables(container);
    {
        CLockGuard lock(bufferLock);
        if (dragBox == box || targetBox == box) {
            drag = kDragNone;
            dragBox = targetBox = nullptr;
        }
        boxes.erase(std::find(boxes.begin(), boxes.end(), box));
        boxOf.erase(container);
    }
    if (box->shownState == CMachineContainer::GUI_CUSTOM)
        customEditorsShown.fetch_sub(1);
    DeleteBoxControls(box);
    delete box;
    UpdateScrollRange();
    Redraw();
}

void CStudioView::DeleteBoxControls(CMachineBox* box)
{
    delete box->programBar;
    delete box->defaultGUI;
    box->programBar = nullptr;
    box->defaultGUI = nullptr;
    if (CControl* frame = box->editorFrame) {
        // The machine's own editor lives in this frame until the machine is
        // released (right after this call): the frame goes a moment later.
        frame->Show(kShowHide);
        box->editorFrame = nullptr;
        QTimer::singleShot(0, [frame] { delete frame; });
    }
}

void CStudioView::MachineRenamed(CMachineContainer* container)
{
    if (CMachineBox* box = FindBox(container))
        LayoutBox(box);
    Redraw();
}

void CStudioView::ConnectionsChanged()
{
    // The slider's cable may be gone (and its memory reused): let go of it.
    HideCableSlider();
    // Ports may have been rebuilt: lay every box out again.
    for (CMachineBox* box : boxes) {
        if (box->GetConnectorCount() != box->GetContainer()->GetConnectorCount())
            LayoutBox(box);
    }
    RebuildCables(nullptr);
    Redraw();
}

void CStudioView::StudioCleared()
{
    SetScroll(QPoint(0, 0));
    UpdateScrollRange();
    Redraw();
}

void CStudioView::ParameterChanged(CMachineContainer* container, int32_t index, double)
{
    if (!OnGuiThread()) {
        // A render thread: note it, the GUI thread reads the values later.
        parameterNotes.store(true, std::memory_order_release);
        return;
    }
    CMachineBox* box = FindBox(container);
    if (box && box->defaultGUI && box->shownState == CMachineContainer::GUI_DEFAULT)
        box->defaultGUI->RefreshRow(index);
}

void CStudioView::Refresh()
{
    if (parameterNotes.exchange(false, std::memory_order_acq_rel))
        PostMessage(kMessageRefreshParameters, 0, 0);
    if (customEditorsShown.load(std::memory_order_acquire) > 0 && !idlePosted.exchange(true))
        PostMessage(kMessageIdleEditors, 0, 0);
    if (dirty.exchange(false, std::memory_order_acq_rel))
        Redraw();
}

void CStudioView::ApplicationMessage(uint32_t message, uintptr_t, intptr_t)
{
    switch (message) {
    case kMessageRefreshParameters:
        RefreshParameters();
        break;
    case kMessageIdleEditors:
        idlePosted.store(false);
        IdleEditors();
        break;
    case kMessageSyncEditors:
        SyncEditorStates();
        break;
    default:
        break;
    }
}

void CStudioView::RefreshParameters()
{
    for (CMachineBox* box : boxes) {
        if (box->defaultGUI && box->shownState == CMachineContainer::GUI_DEFAULT)
            box->defaultGUI->RefreshChanged();
    }
}

void CStudioView::IdleEditors()
{
    for (CMachineBox* box : boxes) {
        if (box->shownState != CMachineContainer::GUI_CUSTOM)
            continue;
        CMachine* machine = box->GetContainer()->GetMachine();
        GuardedCall(box->GetName().c_str(), "IdleGUI", [&] {
            CLockGuard lock(*machine);
            machine->IdleGUI();
        });
    }
}

void CStudioView::SyncEditorStates()
{
    std::vector<CMachineBox*> pending;
    for (CMachineBox* box : boxes) {
        if (box->GetContainer()->guiState != box->shownState)
            pending.push_back(box);
    }
    for (CMachineBox* box : pending) {
        if (Contains(box))
            ShowEditor(box, box->GetContainer()->guiState);
    }
}

// ---- Layout and scrolling ---------------------------------------------------

void CStudioView::LayoutBox(CMachineBox* box)
{
    QSize editor;
    if (box->shownState == CMachineContainer::GUI_DEFAULT && box->defaultGUI)
        editor = QSize(std::max(box->defaultGUI->Width(), CProgramToolBar::kWidth + 4),
                       CProgramToolBar::kHeight + 4 + box->defaultGUI->Height());
    else if (box->shownState == CMachineContainer::GUI_CUSTOM && box->editorFrame)
        editor = QSize(box->editorFrame->Width(), box->editorFrame->Height());
    {
        CLockGuard lock(bufferLock);
        QPoint keep = box->Position();
        box->Layout(*Font(), editor);
        box->SetPosition(keep);
        box->RenderFace(Colors(), *Font());
    }
    PlaceEditorControls(box);
    UpdateScrollRange();
}

void CStudioView::PlaceEditorControls(CMachineBox* box)
{
    QPoint origin = ToView(box->Position() + box->EditorOrigin());
    if (box->programBar)
        box->programBar->Move(origin.x(), origin.y(), CProgramToolBar::kWidth, CProgramToolBar::kHeight);
    if (box->defaultGUI)
        box->defaultGUI->Move(origin.x(), origin.y() + CProgramToolBar::kHeight + 4, box->defaultGUI->Width(),
                              box->defaultGUI->Height());
    if (box->editorFrame)
        box->editorFrame->Move(origin.x(), origin.y(), box->editorFrame->Width(), box->editorFrame->Height());
}

void CStudioView::PlaceScrollBars()
{
    horizontalBar->Move(0, Height() - kScrollBarSize, std::max(1, ViewportWidth()), kScrollBarSize);
    verticalBar->Move(Width() - kScrollBarSize, 0, kScrollBarSize, std::max(1, ViewportHeight()));
}

QPoint CStudioView::ScrollLimit() const
{
    int32_t right = 0;
    int32_t bottom = 0;
    for (CMachineBox* box : boxes) {
        QRect bounds = box->OuterBounds();
        right = std::max(right, bounds.right() + kScrollMargin);
        bottom = std::max(bottom, bounds.bottom() + kScrollMargin);
    }
    return QPoint(std::max(0, right - ViewportWidth()), std::max(0, bottom - ViewportHeight()));
}

void CStudioView::UpdateScrollRange()
{
    QPoint limit = ScrollLimit();
    int32_t maxX = std::max(scroll.x(), limit.x());
    int32_t maxY = std::max(scroll.y(), limit.y());
    horizontalBar->SetRange(0, maxX, std::max(1, ViewportWidth()));
    verticalBar->SetRange(0, maxY, std::max(1, ViewportHeight()));
    horizontalBar->SetPosition(scroll.x());
    verticalBar->SetPosition(scroll.y());
}

void CStudioView::SetScroll(QPoint offset)
{
    offset.setX(std::max(0, offset.x()));
    offset.setY(std::max(0, offset.y()));
    if (offset == scroll)
        return;
    {
        CLockGuard lock(bufferLock);
        scroll = offset;
    }
    HideCableSlider();
    for (CMachineBox* box : boxes)
        PlaceEditorControls(box);
    horizontalBar->SetPosition(scroll.x());
    verticalBar->SetPosition(scroll.y());
    Redraw();
}

void CStudioView::HorizontalScroll(int32_t position)
{
    SetScroll(QPoint(position, scroll.y()));
}

void CStudioView::VerticalScroll(int32_t position)
{
    SetScroll(QPoint(scroll.x(), position));
}

void CStudioView::Resized(int32_t newWidth, int32_t newHeight)
{
    CControl::Resized(newWidth, newHeight);
    if (!horizontalBar)
        return;
    PlaceScrollBars();
    UpdateScrollRange();
}

// ---- Drawing ---------------------------------------------------------------

QPoint CStudioView::ArrowHeadCentre(const Cable& cable)
{
    QPoint a = cable.from->ConnectorCentre(cable.fromPort);
    QPoint b = cable.to->ConnectorCentre(cable.toPort);
    return (a + b) / 2;
}

void CStudioView::Render(CDrawContext& dc)
{
    CColorManager* colors = Colors();
    QColor background, audio, control, arrowFill, arrowOutline, loose, mark;
    if (colors) {
        CLockGuard lock(*colors);
        background = ColorOf(colors, kBackground);
        audio = ColorOf(colors, kAudioCable);
        control = ColorOf(colors, kControlCable);
        arrowFill = ColorOf(colors, kArrowFill);
        arrowOutline = ColorOf(colors, kArrowOutline);
        loose = ColorOf(colors, kLooseCable);
        mark = ColorOf(colors, kTargetMark);
    }
    QPainter& painter = dc.Painter();
    painter.fillRect(0, 0, Width(), Height(), background);
    const QRect visible(scroll, QSize(Width(), Height()));

    QPen audioPen(audio, 1.0);
    QPen controlPen(control, 1.0);
    for (const Cable& cable : cables) {
        QPoint a = cable.from->ConnectorCentre(cable.fromPort);
        QPoint b = cable.to->ConnectorCentre(cable.toPort);
        if (!visible.intersects(QRect(a, b).normalized().adjusted(-kArrowLength, -kArrowLength, kArrowLength, kArrowLength)))
            continue;
        painter.setPen(cable.audio ? audioPen : controlPen);
        painter.drawLine(a - scroll, b - scroll);
        // The arrow head points along the signal, at the middle.
        double dx = b.x() - a.x();
        double dy = b.y() - a.y();
        double length = std::max(1.0, std::sqrt(dx * dx + dy * dy));
        dx /= length;
        dy /= length;
        QPointF mid = QPointF((a + b) / 2 - scroll);
        QPointF tip = mid + QPointF(dx, dy) * (kArrowLength / 2.0);
        QPointF back = mid - QPointF(dx, dy) * (kArrowLength / 2.0);
        QPointF side = QPointF(-dy, dx) * double(kArrowHalfWidth);
        const QPoint head[3] = {tip.toPoint(), (back + side).toPoint(), (back - side).toPoint()};
        painter.setPen(QPen(arrowOutline, 1.0));
        painter.setBrush(arrowFill);
        painter.drawPolygon(head, 3);
    }
    painter.setBrush(Qt::NoBrush);

    for (CMachineBox* box : boxes) {
        QRect outer = box->OuterBounds();
        if (visible.intersects(outer))
            painter.drawImage(outer.topLeft() - scroll, box->Face());
    }

    if (drag == kDragCable && dragBox) {
        QPoint from = dragBox->ConnectorCentre(dragPort) - scroll;
        QPoint to = dragPoint - scroll;
        if (targetBox) {
            to = targetBox->ConnectorCentre(targetPort) - scroll;
            painter.setPen(QPen(mark, 1.0));
            int32_t half = CMachineBox::kConnectorSize / 2 + 2;
            painter.drawRect(to.x() - half, to.y() - half, 2 * half, 2 * half);
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(loose, 1.5));
        painter.drawLine(from, to);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    // The corner between the scroll bars.
    painter.fillRect(Width() - kScrollBarSize, Height() - kScrollBarSize, kScrollBarSize, kScrollBarSize, background);
}

// ---- Hit tests -------------------------------------------------------------

CMachineBox* CStudioView::BoxAt(QPoint studioPoint) const
{
    for (auto it = boxes.rbegin(); it != boxes.rend(); ++it) {
        if ((*it)->OuterBounds().contains(studioPoint) &&
            ((*it)->Bounds().contains(studioPoint) || (*it)->ConnectorAt(studioPoint) >= 0))
            return *it;
    }
    return nullptr;
}

const CStudioView::Cable* CStudioView::CableAt(QPoint studioPoint, bool audioOnly) const
{
    // Cables are listed in container order, then port order, then
    // connection order: the first hit wins.
    for (const Cable& cable : cables) {
        if (audioOnly && !cable.audio)
            continue;
        QPoint d = studioPoint - ArrowHeadCentre(cable);
        if (d.x() * d.x() + d.y() * d.y() <= kArrowReach * kArrowReach)
            return &cable;
    }
    return nullptr;
}

// ---- Mouse -----------------------------------------------------------------

void CStudioView::LeftButtonDown(int32_t x, int32_t y, uint32_t)
{
    QPoint at = ToStudio(QPoint(x, y));
    HideCableSlider();
    if (CMachineBox* box = BoxAt(at)) {
        int32_t port = box->ConnectorAt(at);
        CLockGuard lock(bufferLock);
        if (port >= 0) {
            drag = kDragCable;
            dragBox = box;
            dragPort = port;
            dragPoint = at;
            targetBox = nullptr;
            targetPort = -1;
        } else {
            drag = kDragBox;
            dragBox = box;
            dragPoint = at - box->Position();
        }
        Redraw();
        return;
    }
    if (const Cable* cable = CableAt(at, true)) {
        cableSlider->Bind(cable->connection);
        QPoint centre = ToView(ArrowHeadCentre(*cable));
        cableSlider->Move(centre.x() - CCableVolumeSlider::kWidth / 2, centre.y() - CCableVolumeSlider::kHeight / 2,
                          CCableVolumeSlider::kWidth, CCableVolumeSlider::kHeight);
        cableSlider->Show(kShow);
        return;
    }
    CLockGuard lock(bufferLock);
    drag = kDragScroll;
    scrollGrab = QPoint(x, y) + scroll;
}

void CStudioView::MouseMove(int32_t x, int32_t y, uint32_t keys)
{
    QPoint at = ToStudio(QPoint(x, y));
    if (drag == kDragCable && (keys & kKeyLeftButton)) {
        CMachineBox* over = BoxAt(at);
        int32_t port = over ? over->ConnectorAt(at) : -1;
        CLockGuard lock(bufferLock);
        dragPoint = at;
        targetBox = port >= 0 ? over : nullptr;
        targetPort = port;
    } else if (drag == kDragBox && (keys & kKeyLeftButton)) {
        // Boxes stay in the positive quadrant of the studio.
        QPoint to = at - dragPoint;
        to = QPoint(std::max(0, to.x()), std::max(0, to.y()));
        if (to == dragBox->Position())
            return;
        {
            CLockGuard lock(bufferLock);
            dragBox->SetPosition(to);
        }
        PlaceEditorControls(dragBox);
    } else if (drag == kDragScroll && (keys & kKeyLeftButton)) {
        SetScroll(scrollGrab - QPoint(x, y));
        return;
    } else {
        // Port names on hover.
        std::string tip;
        if (CMachineBox* over = BoxAt(at)) {
            int32_t port = over->ConnectorAt(at);
            // The type on the box, the port's name on a connector.
            tip = port >= 0 ? over->GetConnector(port).name : over->GetTypeName();
        }
        if (tip != hoverTip) {
            hoverTip = tip;
            SetTipText(tip.c_str());
        }
        return;
    }
    Redraw();
}

void CStudioView::LeftButtonUp(int32_t x, int32_t y, uint32_t)
{
    QPoint at = ToStudio(QPoint(x, y));
    DragState was = drag;
    CMachineBox* box = dragBox;
    {
        CLockGuard lock(bufferLock);
        drag = kDragNone;
        dragBox = nullptr;
        targetBox = nullptr;
    }
    if (was == kDragCable && box) {
        CMachineBox* over = BoxAt(at);
        int32_t port = over ? over->ConnectorAt(at) : -1;
        if (port >= 0) {
            CConnector* a = box->GetContainer()->GetConnector(dragPort);
            CConnector* b = over->GetContainer()->GetConnector(port);
            if (studio->Connect(a, b, 1.0))
                studio->MarkChanged();
        }
    } else if (was == kDragBox && box) {
        CMachineContainer* container = box->GetContainer();
        QPoint to = box->Position();
        if (to != QPoint(container->GetX(), container->GetY())) {
            {
                CLockGuard lock(*studio);
                container->SetPosition(to.x(), to.y());
            }
            studio->MarkChanged();
        }
        UpdateScrollRange();
    }
    Redraw();
}

void CStudioView::RightButtonUp(int32_t x, int32_t y, uint32_t)
{
    if (drag != kDragNone)
        return;
    QPoint at = ToStudio(QPoint(x, y));
    if (CMachineBox* box = BoxAt(at)) {
        OpenBoxMenu(box, QPoint(x, y));
        return;
    }
    if (const Cable* cable = CableAt(at, false)) {
        OpenCableMenu(cable->connection, QPoint(x, y));
        return;
    }
    OpenMachineMenu(QPoint(x, y));
}

void CStudioView::DoubleClick(int32_t x, int32_t y, uint32_t)
{
    CMachineBox* box = BoxAt(ToStudio(QPoint(x, y)));
    if (!box || box->ConnectorAt(ToStudio(QPoint(x, y))) >= 0)
        return;
    {
        CLockGuard lock(bufferLock);
        drag = kDragNone;
        dragBox = nullptr;
    }
    if (box->shownState != CMachineContainer::GUI_BOX)
        ShowEditor(box, CMachineContainer::GUI_BOX);
    else if (HasCustomEditor(box))
        ShowEditor(box, CMachineContainer::GUI_CUSTOM);
    else
        ShowEditor(box, CMachineContainer::GUI_DEFAULT);
}

// ---- Menus -----------------------------------------------------------------

void CStudioView::OpenMachineMenu(QPoint viewPoint)
{
    machineMenu.Clear();
    CVelmHost* host = studio->GetHost();
    for (int32_t n = 0; n < host->GetMachineTypeCount(); ++n) {
        CMachineInfo* type = host->GetMachineType(n);
        if (type && std::strcmp(type->name, "Master") != 0)
            machineMenu.AddItem(n + 1, type->name);
    }
    QPoint at = ToStudio(viewPoint);
    machineMenu.Open(this, viewPoint.x(), viewPoint.y(), [this, at](int32_t command) {
        CMachineInfo* type = studio->GetHost()->GetMachineType(command - 1);
        if (!type)
            return;
        try {
            if (studio->AddMachineOfType(type, at.x(), at.y()))
                studio->MarkChanged();
        } catch (const CError& error) {
            ::Show("%s", error.Text());
        } catch (const std::exception& error) {
            ::Show("Machine <%s> Failed: %s", type->name, error.what());
        }
    });
}

bool CStudioView::HasCustomEditor(CMachineBox* box)
{
    if (box->customCreated)
        return true;
    if (box->customRefused)
        return false;
    bool has = false;
    CMachine* machine = box->GetContainer()->GetMachine();
    GuardedCall(box->GetName().c_str(), "GetGUIRect", [&] {
        int32_t top = 0, left = 0, right = 0, bottom = 0;
        CLockGuard lock(*machine);
        has = machine->GetGUIRect(&top, &left, &right, &bottom);
    });
    return has;
}

void CStudioView::OpenBoxMenu(CMachineBox* box, QPoint viewPoint)
{
    CMachineContainer* container = box->GetContainer();
    const bool hasParameters = container->GetMachine()->parameterCount > 0;
    boxMenu.Clear();
    boxMenu.AddItem(kHideGUI, "Hide GUI", box->shownState != CMachineContainer::GUI_BOX);
    boxMenu.AddItem(kShowDefaultGUI, "Show Default GUI", hasParameters);
    boxMenu.AddItem(kShowCustomGUI, "Show Custom GUI", HasCustomEditor(box));
    boxMenu.AddSeparator();
    boxMenu.AddItem(kRename, "Rename", !box->IsMaster());
    boxMenu.AddItem(kRandomize, "Randomize", hasParameters);
    boxMenu.AddItem(kDeleteMachine, "Delete Machine", !box->IsMaster());
    boxMenu.Open(this, viewPoint.x(), viewPoint.y(), [this, container](int32_t command) {
        // The box may have gone while the menu was open.
        CMachineBox* target = FindBox(container);
        if (!target)
            return;
        switch (command) {
        case kHideGUI:
            ShowEditor(target, CMachineContainer::GUI_BOX);
            break;
        case kShowDefaultGUI:
            ShowEditor(target, CMachineContainer::GUI_DEFAULT);
            break;
        case kShowCustomGUI:
            ShowEditor(target, CMachineContainer::GUI_CUSTOM);
            break;
        case kRename:
            OpenRenameDialog(target);
            break;
        case kRandomize:
            RandomizeMachine(target);
            break;
        case kDeleteMachine:
            DeleteMachine(target);
            break;
        default:
            break;
        }
    });
}

void CStudioView::OpenCableMenu(CConnection* connection, QPoint viewPoint)
{
    cableMenu.Clear();
    cableMenu.AddItem(kDisconnect, "Disconnect");
    cableMenu.Open(this, viewPoint.x(), viewPoint.y(), [this, connection](int32_t command) {
        if (command != kDisconnect)
            return;
        // Only a cable that still exists.
        bool alive = std::any_of(cables.begin(), cables.end(), [&](const Cable& c) { return c.connection == connection; });
        if (!alive)
            return;
        if (cableSlider->GetConnection() == connection)
            HideCableSlider();
        studio->Disconnect(connection);
        studio->MarkChanged();
    });
}

void CStudioView::HideCableSlider()
{
    cableSlider->Bind(nullptr);
    cableSlider->Show(kShowHide);
}

// ---- Box commands ----------------------------------------------------------

void CStudioView::ShowEditor(CMachineBox* box, int32_t state)
{
    if (state < CMachineContainer::GUI_BOX || state > CMachineContainer::GUI_CUSTOM || state == box->shownState)
        return;
    CMachineContainer* container = box->GetContainer();
    CMachine* machine = container->GetMachine();
    const char* name = container->GetName();

    if (state == CMachineContainer::GUI_DEFAULT && machine->parameterCount <= 0)
        state = CMachineContainer::GUI_BOX;
    if (state == CMachineContainer::GUI_CUSTOM && !box->customCreated) {
        // The machine's own editor is made once, in a frame of the box.
        if (!box->editorFrame)
            box->editorFrame = new CControl(this, "EditorFrame", 0, 0, 1, 1);
        CControl* editor = nullptr;
        int32_t top = 0, left = 0, right = 0, bottom = 0;
        bool rect = false;
        GuardedCall(name, "CreateGUI", [&] {
            CLockGuard lock(*machine);
            editor = machine->CreateGUI(box->editorFrame);
            if (editor)
                rect = machine->GetGUIRect(&top, &left, &right, &bottom);
        });
        if (!editor) {
            box->customRefused = true;
            container->guiState = box->shownState;
            return;
        }
        box->customCreated = true;
        int32_t w = rect ? right - left : editor->Width();
        int32_t h = rect ? bottom - top : editor->Height();
        box->editorFrame->Move(0, 0, std::max(1, w), std::max(1, h));
    }
    if (state == CMachineContainer::GUI_CUSTOM && box->customRefused) {
        container->guiState = box->shownState;
        return;
    }

    // Leave the state shown.
    if (box->shownState == CMachineContainer::GUI_CUSTOM) {
        GuardedCall(name, "HideGUI", [&] {
            CLockGuard lock(*machine);
            machine->HideGUI();
        });
        if (box->editorFrame)
            box->editorFrame->Show(kShowHide);
        customEditorsShown.fetch_sub(1);
    } else if (box->shownState == CMachineContainer::GUI_DEFAULT) {
        if (box->defaultGUI)
            box->defaultGUI->Show(kShowHide);
        if (box->programBar)
            box->programBar->Show(kShowHide);
    }

    if (state == CMachineContainer::GUI_DEFAULT) {
        if (!box->defaultGUI) {
            box->defaultGUI = new CDefaultGUI(this, studio, container, 0, 0);
            box->programBar = new CProgramToolBar(this, studio, container, box->defaultGUI, 0, 0);
        } else {
            box->programBar->Fill();
            box->defaultGUI->RefreshAll();
        }
        box->defaultGUI->Show(kShow);
        box->programBar->Show(kShow);
    } else if (state == CMachineContainer::GUI_CUSTOM) {
        box->editorFrame->Show(kShow);
        GuardedCall(name, "ShowGUI", [&] {
            CLockGuard lock(*machine);
            machine->ShowGUI();
        });
        customEditorsShown.fetch_add(1);
    }
    box->shownState = state;
    container->guiState = state;
    LayoutBox(box);
    Redraw();
}

void CStudioView::OpenRenameDialog(CMachineBox* box)
{
    if (box->IsMaster())
        return;
    renameTarget = box->GetContainer();
    renameDialog->Open(box->GetName().c_str());
}

void CStudioView::DialogConfirmed(CDialog* dialog)
{
    if (dialog != renameDialog || !renameTarget)
        return;
    CMachineContainer* container = renameTarget;
    renameTarget = nullptr;
    std::string name = renameDialog->GetName();
    // An empty name cannot be told apart in the lists, and a second
    // "Master" would take over the master's part when the project is loaded.
    if (name.empty() || name == "Master" || name == container->GetName())
        return;
    studio->RenameMachine(container, name.c_str());
    studio->MarkChanged();
}

void CStudioView::RandomizeMachine(CMachineBox* box)
{
    CMachineContainer* container = box->GetContainer();
    if (container->GetMachine()->parameterCount <= 0)
        return;
    GuardedCall(container->GetName(), "Randomize", [&] { studio->Randomize(container); });
    studio->MarkChanged();
}

void CStudioView::DeleteMachine(CMachineBox* box)
{
    if (box->IsMaster())
        return;
    CMachineContainer* container = box->GetContainer();
    {
        CLockGuard lock(*studio);
        studio->RemoveMachine(container);
    }
    studio->MarkChanged();
}
