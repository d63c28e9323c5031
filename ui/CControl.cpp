#include "ui/CControl.h"
#include "framework/Errors.h"
#include "ui/CColorManager.h"
#include "ui/CControlWidget.h"
#include "ui/CDrawContext.h"
#include "ui/CPicture.h"
#include "ui/ControlEvents.h"
#include "ui/Fonts.h"
#include "ui/WindowClass.h"
#include <QCoreApplication>
#include <QFont>
#include <QImage>
#include <QThread>

namespace {

// The control holding the mouse capture; touched on the GUI thread only.
CControl* capturedControl = nullptr;

bool OnGuiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

CControl::CControl(CControl* parent, const char* className, int32_t x, int32_t y, int32_t width, int32_t height,
                   bool buffered)
    : CControl(parent, nullptr, className, x, y, width, height, buffered, WindowKind::Child)
{
}

CControl::CControl(QWidget* parentWindow, const char* className, int32_t x, int32_t y, int32_t width, int32_t height,
                   bool buffered)
    : CControl(nullptr, parentWindow, className, x, y, width, height, buffered, WindowKind::Child)
{
}

CControl::CControl(CControl* parent, QWidget* parentWindow, const char* className, int32_t x, int32_t y,
                   int32_t width, int32_t height, bool buffered, WindowKind kind)
    : x(x), y(y), width(width), height(height), parent(parent)
{
    if (parent) {
        parentWindow = parent->Window();
        colorManager = parent->colorManager;
        font = parent->font;
        backgroundPicture = parent->backgroundPicture;
    }
    if (kind == WindowKind::Child && !parentWindow)
        Raise("MakeWindow: IsWindow == False");
    if (!font) {
        font = CreateFont(nullptr, kDefaultFontFace, kDefaultFontPoints, false);
        ownsFont = true;
    }
    const bool topLevel = kind == WindowKind::TopLevel;
    const WindowClass& windowClass = topLevel ? TopLevelWindowClass() : ControlWindowClass();
    // A top-level window is owned through its transient parent, not as a
    // Qt child: a dialog disables its owner and must stay enabled itself.
    window = new CControlWidget(this, topLevel ? nullptr : parentWindow, windowClass, topLevel);
    if (topLevel)
        window->SetOwner(parentWindow);
    window->setObjectName(QString::fromUtf8(className));
    window->setWindowTitle(QString::fromUtf8(className));
    window->setFont(*font);
    window->setGeometry(x, y, width, height);
    window->hide(); // created hidden, even inside a parent that is showing
    if (buffered) {
        buffer = new QImage(width, height, QImage::Format_RGB32);
        if (!buffer->isNull()) {
            CDrawContext dc(buffer, colorManager, font);
            Render(dc);
        }
    }
    created.store(true, std::memory_order_release);
}

CControl::~CControl()
{
    if (capturedControl == this)
        capturedControl = nullptr;
    if (window) {
        window->Detach();
        delete window; // its native children go with it and tell their controls
    }
    delete buffer;
    if (ownsFont)
        delete font;
}

void CControl::WindowDestroyed()
{
    if (capturedControl == this)
        capturedControl = nullptr;
    window = nullptr;
    content = nullptr;
}

QWidget* CControl::Window() const
{
    return window;
}

bool CControl::IsVisible() const
{
    return window && window->isVisible();
}

void CControl::Show(int32_t command)
{
    if (!window)
        return;
    switch (command) {
    case kShowHide:
        window->hide();
        break;
    case kShowMinimized:
        window->showMinimized();
        break;
    case kShowMaximized:
        window->showMaximized();
        break;
    default:
        window->show();
        break;
    }
}

void CControl::Paint(CDrawContext& dc)
{
    if (buffer) {
        CLockGuard<CMutex> lock(bufferLock);
        dc.DrawImage(0, 0, *buffer);
        return;
    }
    dc.FillRect(0, 0, width, height, backgroundColor);
}

void CControl::Resized(int32_t newWidth, int32_t newHeight)
{
    {
        CLockGuard<CMutex> lock(bufferLock);
        width = newWidth;
        height = newHeight;
        if (buffer)
            *buffer = QImage(newWidth, newHeight, QImage::Format_RGB32);
    }
    if (content)
        content->setGeometry(0, 0, newWidth, newHeight);
    if (IsCreated())
        Redraw();
}

intptr_t CControl::HandleMessage(QWidget* nativeWindow, uint32_t message, uintptr_t p1, intptr_t p2)
{
    switch (message) {
    case kMessageSize:
        Resized(LowWord(p2), HighWord(p2));
        return 0;
    case kMessagePaint:
        Paint(*reinterpret_cast<CDrawContext*>(p1));
        return 0;
    case kMessageNcPaint:
        if (DrawFrame(*reinterpret_cast<CDrawContext*>(p1)))
            return 0;
        break;
    case kMessageCtlColorEdit:
    case kMessageCtlColorListBox:
        FillColors(reinterpret_cast<ControlColors*>(p1), 33, 32);
        return reinterpret_cast<intptr_t>(reinterpret_cast<ControlColors*>(p1)->brush);
    case kMessageCtlColorScrollBar:
        FillColors(reinterpret_cast<ControlColors*>(p1), 33, 2);
        return reinterpret_cast<intptr_t>(reinterpret_cast<ControlColors*>(p1)->brush);
    case kMessageMouseMove:
        MouseMove(PointX(p2), PointY(p2), static_cast<uint32_t>(p1));
        return 0;
    case kMessageLeftButtonDown:
        LeftButtonDown(PointX(p2), PointY(p2), static_cast<uint32_t>(p1));
        return 0;
    case kMessageLeftButtonUp:
        LeftButtonUp(PointX(p2), PointY(p2), static_cast<uint32_t>(p1));
        return 0;
    case kMessageLeftButtonDoubleClick:
        DoubleClick(PointX(p2), PointY(p2), static_cast<uint32_t>(p1));
        return 0;
    case kMessageRightButtonDown:
        RightButtonDown(PointX(p2), PointY(p2), static_cast<uint32_t>(p1));
        return 0;
    case kMessageRightButtonUp:
        RightButtonUp(PointX(p2), PointY(p2), static_cast<uint32_t>(p1));
        return 0;
    case kMessageCaptureChanged:
        CaptureLost();
        return 0;
    default:
        if (message >= kMessageApplicationFirst && message <= kMessageApplicationLast) {
            ApplicationMessage(message, p1, p2);
            return 0;
        }
        break;
    }
    return DefaultProcedure(message, p1, p2);
}

intptr_t CControl::DefaultProcedure(uint32_t, uintptr_t, intptr_t)
{
    // Qt has done its own default handling before the event reached us.
    return 0;
}

void CControl::FillColors(ControlColors* colors, int32_t text, int32_t background)
{
    if (!colorManager) {
        *colors = ControlColors{};
        return;
    }
    CLockGuard<CColorManager> lock(*colorManager);
    colors->text = colorManager->GetColor(text);
    colors->background = colorManager->GetColor(background);
    colors->brush = colorManager->GetBrush(background);
}

bool CControl::DrawFrame(CDrawContext& dc)
{
    if (!frame)
        return false;
    int32_t light = frameStyle == 0 ? 7 : frameStyle == 1 ? 6 : 7;
    int32_t dark = frameStyle == 0 ? 7 : frameStyle == 1 ? 7 : 6;
    int32_t right = width - 1;
    int32_t bottom = height - 1;
    dc.Line(0, 0, right, 0, light);
    dc.Line(0, 0, 0, bottom, light);
    dc.Line(0, bottom, right, bottom, dark);
    dc.Line(right, 0, right, bottom, dark);
    return true;
}

void CControl::RightButtonDown(int32_t, int32_t, uint32_t) {}
void CControl::RightButtonUp(int32_t, int32_t, uint32_t) {}
void CControl::LeftButtonDown(int32_t, int32_t, uint32_t) {}
void CControl::LeftButtonUp(int32_t, int32_t, uint32_t) {}
void CControl::MouseMove(int32_t, int32_t, uint32_t) {}
void CControl::HorizontalScroll(int32_t) {}
void CControl::VerticalScroll(int32_t) {}
void CControl::DoubleClick(int32_t, int32_t, uint32_t) {}
void CControl::ComboSelectionChanged(CComboBox*) {}
void CControl::ListSelectionChanged(CListBox*) {}
void CControl::EditTextChanged(CEditBox*) {}
void CControl::TabChanged(CTabControl*) {}
void CControl::SizeBarMoved(int32_t) {}
void CControl::ButtonCommand(CControl*) {}
void CControl::IconListSelectionChanged(CIconList*) {}
void CControl::ListDoubleClicked(CListBox*) {}
void CControl::UpDownChanged(CUpDown*) {}
void CControl::CaptureLost() {}
void CControl::DialogConfirmed(CDialog*) {}
void CControl::DialogCancelled(CDialog*) {}
void CControl::ApplicationMessage(uint32_t, uintptr_t, intptr_t) {}

void CControl::SetTipText(const char* text)
{
    if (window)
        window->setToolTip(QString::fromUtf8(text));
    if (content)
        content->setToolTip(QString::fromUtf8(text));
}

void CControl::Redraw()
{
    if (!IsCreated())
        return;
    if (buffer) {
        CLockGuard<CMutex> lock(bufferLock);
        if (!buffer->isNull()) {
            CDrawContext dc(buffer, colorManager, font);
            Render(dc);
        }
    }
    Present();
}

void CControl::Render(CDrawContext& dc)
{
    if (backgroundPicture && backgroundPicture->HasPixels())
        dc.TilePicture(0, 0, width, height, *backgroundPicture, x, y);
    else
        dc.FillRect(0, 0, width, height, backgroundColor);
}

void CControl::Move(int32_t newX, int32_t newY, int32_t newWidth, int32_t newHeight)
{
    {
        CLockGuard<CMutex> lock(bufferLock);
        x = newX;
        y = newY;
    }
    if (!window)
        return;
    bool moved = newX != window->x() || newY != window->y();
    window->setGeometry(newX, newY, newWidth, newHeight);
    if (newWidth != width || newHeight != height)
        SendMessage(kMessageSize, 0, PackPoint(newWidth, newHeight));
    else if (moved && buffer && backgroundPicture)
        Redraw(); // the picture behind is aligned to the position
}

intptr_t CControl::SendMessage(uint32_t message, uintptr_t p1, intptr_t p2)
{
    return HandleMessage(window, message, p1, p2);
}

void CControl::PostMessage(uint32_t message, uintptr_t p1, intptr_t p2)
{
    if (window)
        window->Post(new CMessageEvent(message, p1, p2));
}

void CControl::SetCapture()
{
    if (capturedControl == this || !window)
        return;
    CControl* previous = capturedControl;
    capturedControl = this;
    window->grabMouse();
    if (previous)
        previous->SendMessage(kMessageCaptureChanged, 0, 0);
}

void CControl::ReleaseCapture()
{
    if (capturedControl != this)
        return;
    capturedControl = nullptr;
    if (window)
        window->releaseMouse();
    SendMessage(kMessageCaptureChanged, 0, 0);
}

bool CControl::HasCapture() const
{
    return capturedControl == this;
}

void CControl::Present()
{
    Present(0, 0, 0, 0);
}

void CControl::Present(int32_t px, int32_t py, int32_t pw, int32_t ph)
{
    if (!window)
        return;
    QRect area(px, py, pw, ph);
    if (!OnGuiThread()) {
        window->Post(new CPresentEvent(area));
        return;
    }
    if (area.isEmpty())
        window->update();
    else
        window->update(area);
}

void CControl::SetFont(QFont* newFont, bool owns)
{
    if (ownsFont && font != newFont)
        delete font;
    font = newFont;
    ownsFont = owns;
    if (window && font)
        window->setFont(*font);
    if (content && font)
        content->setFont(*font);
}

void CControl::SetFrame(bool drawFrame, int32_t style)
{
    frame = drawFrame;
    frameStyle = style;
}

void CControl::Enable(bool enable)
{
    if (window)
        window->setEnabled(enable);
}

void CControl::SetContent(QWidget* widget)
{
    content = widget;
    widget->setParent(window);
    widget->setGeometry(0, 0, width, height);
    if (font)
        widget->setFont(*font);
    widget->show();
}
