#include "ui/CWindow.h"
#include <QWidget>

CWindow::CWindow(CControl* parent, const char* title, int32_t x, int32_t y, int32_t width, int32_t height,
                 bool buffered)
    : CControl(parent, parent ? parent->Window() : nullptr, title, x, y, width, height, buffered, WindowKind::TopLevel)
{
}

intptr_t CWindow::HandleMessage(QWidget* nativeWindow, uint32_t message, uintptr_t p1, intptr_t p2)
{
    if (message == kMessageClose) {
        Close();
        return 0;
    }
    return CControl::HandleMessage(nativeWindow, message, p1, p2);
}

void CWindow::Close()
{
    Show(kShowHide);
}

void CWindow::SetTitle(const char* title)
{
    if (Window())
        Window()->setWindowTitle(QString::fromUtf8(title));
}
