#pragma once
#include <QWidget>

class CControl;
struct WindowClass;

// The native window of a control: turns Qt's events into the control's
// messages. It holds the control as its "user data"; without one, events
// take Qt's default handling.
class CControlWidget : public QWidget {
public:
    CControlWidget(CControl* control, QWidget* parentWindow, const WindowClass& windowClass, bool topLevel);
    ~CControlWidget() override;

    CControl* Control() const { return control; }
    void Detach() { control = nullptr; }
    const char* ClassName() const;
    // Keeps a top-level window above the window that holds `owner`.
    void SetOwner(QWidget* owner);

    // Event types posted from other threads.
    static int PresentEventType();
    static int MessageEventType();
    // Queues an event made on any thread for this window's GUI thread.
    void Post(QEvent* event);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Forward(uint32_t message, QMouseEvent* event);

    CControl* control;
    const WindowClass& windowClass;
    bool focusStep;
};
