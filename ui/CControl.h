#pragma once
#include "framework/CMutex.h"
#include "ui/ControlMessages.h"
#include <atomic>
#include <cstdint>

class CColorManager;
class CComboBox;
class CControlWidget;
class CDialog;
class CDrawContext;
class CEditBox;
class CIconList;
class CListBox;
class CPicture;
class CTabControl;
class CUpDown;
class QFont;
class QImage;
class QWidget;
struct WindowClass;

// Every visible element: an object bound to one native window (a QWidget)
// whose events arrive as messages through HandleMessage and from there as
// calls of the virtual operations below. Child controls report to their
// parent control through the notification operations.
//
// Threads: controls are made and get their messages on the GUI thread. A
// buffered control's contents may be re-rendered from another thread with
// Redraw: the buffer, and the size and position it is rendered for, are
// guarded by the buffer lock, and the result is presented on the GUI thread.
class CControl {
public:
    // A child control of `parent` (whose colour manager, font and background
    // picture it takes). Raises "MakeWindow: IsWindow == False" when the
    // parent has no window.
    CControl(CControl* parent, const char* className, int32_t x, int32_t y, int32_t width, int32_t height,
             bool buffered = false);
    // A child of a native window that belongs to no control (a host's
    // editor frame): no colour manager, the default font, no picture.
    CControl(QWidget* parentWindow, const char* className, int32_t x, int32_t y, int32_t width, int32_t height,
             bool buffered = false);

    // Operations in slot order.
    virtual ~CControl();
    virtual void Show(int32_t command);
    virtual void Paint(CDrawContext& dc);
    virtual void Resized(int32_t newWidth, int32_t newHeight);
    virtual intptr_t HandleMessage(QWidget* nativeWindow, uint32_t message, uintptr_t p1, intptr_t p2);
    virtual bool DrawFrame(CDrawContext& dc);
    virtual void RightButtonDown(int32_t x, int32_t y, uint32_t keys);
    virtual void RightButtonUp(int32_t x, int32_t y, uint32_t keys);
    virtual void LeftButtonDown(int32_t x, int32_t y, uint32_t keys);
    virtual void LeftButtonUp(int32_t x, int32_t y, uint32_t keys);
    virtual void MouseMove(int32_t x, int32_t y, uint32_t keys);
    virtual void HorizontalScroll(int32_t position);
    virtual void VerticalScroll(int32_t position);
    virtual void DoubleClick(int32_t x, int32_t y, uint32_t keys);
    virtual void ComboSelectionChanged(CComboBox* combo);
    virtual void ListSelectionChanged(CListBox* list);
    virtual void EditTextChanged(CEditBox* edit);
    virtual void TabChanged(CTabControl* tabs);
    virtual void SizeBarMoved(int32_t offset);
    virtual void ButtonCommand(CControl* button);
    virtual void IconListSelectionChanged(CIconList* list);
    virtual void ListDoubleClicked(CListBox* list);
    virtual void UpDownChanged(CUpDown* upDown);
    virtual void CaptureLost();
    virtual void DialogConfirmed(CDialog* dialog);
    virtual void DialogCancelled(CDialog* dialog);
    virtual void ApplicationMessage(uint32_t message, uintptr_t p1, intptr_t p2);
    virtual void SetTipText(const char* text);
    // Renders into the buffer (when buffered) and shows the result; callable
    // from any thread.
    virtual void Redraw();
    // Draws the control's contents into the buffer; called with the buffer
    // lock held. The base fills with the background picture or colour.
    virtual void Render(CDrawContext& dc);

    // Moves and sizes the native window; a new size reaches Resized at once.
    void Move(int32_t newX, int32_t newY, int32_t newWidth, int32_t newHeight);
    intptr_t SendMessage(uint32_t message, uintptr_t p1, intptr_t p2);
    // Queues a message for the GUI thread; callable from any thread.
    void PostMessage(uint32_t message, uintptr_t p1, intptr_t p2);
    // The captured control receives the mouse until it releases it; the one
    // that loses the capture is told through CaptureLost.
    void SetCapture();
    void ReleaseCapture();
    bool HasCapture() const;
    // Repaints the window (or a part) from the GUI thread; callable from any
    // thread.
    void Present();
    void Present(int32_t px, int32_t py, int32_t pw, int32_t ph);

    int32_t X() const { return x; }
    int32_t Y() const { return y; }
    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    QWidget* Window() const;
    CControl* Parent() const { return parent; }
    CColorManager* Colors() const { return colorManager; }
    QFont* Font() const { return font; }
    CPicture* BackgroundPicture() const { return backgroundPicture; }
    int32_t BackgroundColor() const { return backgroundColor; }
    bool IsCreated() const { return created.load(std::memory_order_acquire); }
    bool IsBuffered() const { return buffer != nullptr; }
    bool IsVisible() const;

    // Replaces the colour manager (not owned; children made later take it).
    void SetColorManager(CColorManager* colors) { colorManager = colors; }
    // Replaces the font; with `owns` the control deletes it.
    void SetFont(QFont* newFont, bool owns);
    void SetBackgroundColor(int32_t number) { backgroundColor = number; }
    void SetBackgroundPicture(CPicture* picture) { backgroundPicture = picture; }
    void SetFrame(bool drawFrame, int32_t style);
    void Enable(bool enable);

    // The off-screen buffer (null unless buffered) and its lock.
    void LockBuffer() { bufferLock.Lock(); }
    void UnlockBuffer() { bufferLock.Unlock(); }
    QImage* Buffer() const { return buffer; }

protected:
    enum class WindowKind { Child, TopLevel };
    CControl(CControl* parent, QWidget* parentWindow, const char* className, int32_t x, int32_t y, int32_t width,
             int32_t height, bool buffered, WindowKind kind);

    // A native widget of Qt's own (button, list, edit) filling the control.
    void SetContent(QWidget* widget);
    QWidget* Content() const { return content; }
    intptr_t DefaultProcedure(uint32_t message, uintptr_t p1, intptr_t p2);

    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    CControlWidget* window = nullptr;
    CControl* parent;
    CColorManager* colorManager = nullptr;
    QFont* font = nullptr;
    bool ownsFont = false;
    int32_t backgroundColor = 2;
    std::atomic<bool> created{false};
    bool frame = false;
    CPicture* backgroundPicture = nullptr;
    int32_t frameStyle = 1;
    QImage* buffer = nullptr;
    CMutex bufferLock;

private:
    friend class CControlWidget;
    void WindowDestroyed();
    void FillColors(ControlColors* colors, int32_t text, int32_t background);

    QWidget* content = nullptr;
};
