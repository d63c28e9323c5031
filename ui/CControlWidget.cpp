#include "ui/CControlWidget.h"
#include "ui/CControl.h"
#include "ui/CDrawContext.h"
#include "ui/ControlEvents.h"
#include "ui/WindowClass.h"
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QWindow>
#include <atomic>

namespace {

// Qt's event queue hands posted events over under its own futex-based lock,
// which ThreadSanitizer cannot see. Passing every post through this atomic
// makes the hand-over of the event's contents visible to it as well.
std::atomic<uint64_t> postedEvents{0};

uint32_t KeyStateOf(const QMouseEvent* event)
{
    uint32_t keys = 0;
    Qt::MouseButtons buttons = event->buttons();
    if (buttons & Qt::LeftButton)
        keys |= kKeyLeftButton;
    if (buttons & Qt::RightButton)
        keys |= kKeyRightButton;
    if (buttons & Qt::MiddleButton)
        keys |= kKeyMiddleButton;
    Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers & Qt::ShiftModifier)
        keys |= kKeyShift;
    if (modifiers & Qt::ControlModifier)
        keys |= kKeyControl;
    return keys;
}

} // namespace

CControlWidget::CControlWidget(CControl* control, QWidget* parentWindow, const WindowClass& windowClass, bool topLevel)
    : QWidget(parentWindow, topLevel ? Qt::Window : Qt::Widget), control(control), windowClass(windowClass),
      focusStep(!topLevel)
{
    setProperty("windowClass", QString::fromStdString(windowClass.name));
    if (windowClass.arrowCursor)
        setCursor(Qt::ArrowCursor);
    // Mouse moves arrive without a button held, as window messages do.
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    // Controls paint every pixel themselves (background included).
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CControlWidget::~CControlWidget()
{
    if (control)
        control->WindowDestroyed();
}

const char* CControlWidget::ClassName() const
{
    return windowClass.name.c_str();
}

void CControlWidget::SetOwner(QWidget* owner)
{
    if (!owner)
        return;
    QWidget* ownerWindow = owner->window();
    ownerWindow->winId(); // both need their platform windows for the link
    winId();
    windowHandle()->setTransientParent(ownerWindow->windowHandle());
}

int CControlWidget::PresentEventType()
{
    static const int type = QEvent::registerEventType();
    return type;
}

int CControlWidget::MessageEventType()
{
    static const int type = QEvent::registerEventType();
    return type;
}

void CControlWidget::Post(QEvent* event)
{
    postedEvents.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(this, event);
}

bool CControlWidget::event(QEvent* event)
{
    postedEvents.load(std::memory_order_acquire);
    if (event->type() == PresentEventType()) {
        QRect area = static_cast<CPresentEvent*>(event)->area;
        if (area.isEmpty())
            update();
        else
            update(area);
        return true;
    }
    if (event->type() == MessageEventType()) {
        auto* message = static_cast<CMessageEvent*>(event);
        if (control)
            control->HandleMessage(this, message->message, message->p1, message->p2);
        return true;
    }
    return QWidget::event(event);
}

void CControlWidget::paintEvent(QPaintEvent* event)
{
    if (!control) {
        QWidget::paintEvent(event);
        return;
    }
    CDrawContext dc(this, control->Colors(), control->Font());
    control->HandleMessage(this, kMessagePaint, reinterpret_cast<uintptr_t>(&dc), 0);
    // No non-client area in Qt: the frame is painted over the edge pixels
    // after the contents, as the non-client paint would.
    control->HandleMessage(this, kMessageNcPaint, reinterpret_cast<uintptr_t>(&dc), 0);
}

void CControlWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Move reports a new size at once; this catches sizes set by Qt itself
    // (layouts, the user dragging a top-level frame).
    if (control && (event->size().width() != control->Width() || event->size().height() != control->Height()))
        control->HandleMessage(this, kMessageSize, 0, PackPoint(event->size().width(), event->size().height()));
}

void CControlWidget::Forward(uint32_t message, QMouseEvent* event)
{
    if (!control) {
        event->ignore();
        return;
    }
    QPoint p = event->position().toPoint();
    control->HandleMessage(this, message, KeyStateOf(event), PackPoint(p.x(), p.y()));
}

void CControlWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (focusStep && !hasFocus())
            setFocus(Qt::MouseFocusReason);
        Forward(kMessageLeftButtonDown, event);
    } else if (event->button() == Qt::RightButton) {
        Forward(kMessageRightButtonDown, event);
    }
}

void CControlWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Forward(kMessageLeftButtonUp, event);
    else if (event->button() == Qt::RightButton)
        Forward(kMessageRightButtonUp, event);
}

void CControlWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Forward(kMessageLeftButtonDoubleClick, event);
    else
        mousePressEvent(event);
}

void CControlWidget::mouseMoveEvent(QMouseEvent* event)
{
    Forward(kMessageMouseMove, event);
}

void CControlWidget::closeEvent(QCloseEvent* event)
{
    // The control decides what closing means (a top-level window hides or
    // ends the program); Qt's default would only hide the widget.
    event->ignore();
    if (control)
        control->HandleMessage(this, kMessageClose, 0, 0);
}
