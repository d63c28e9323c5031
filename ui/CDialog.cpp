#include "ui/CDialog.h"
#include "ui/CControlWidget.h"
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

QRect Desktop()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 0, 0);
}

} // namespace

CDialog::CDialog(CControl* owner, const char* caption, int32_t width, int32_t height, bool sizable)
    : CWindow(owner, caption ? caption : "", Desktop().left() + (Desktop().width() - width) / 2,
              Desktop().top() + (Desktop().height() - height) / 2, width, height)
{
    Qt::WindowFlags flags = Qt::Window;
    if (caption)
        flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    else
        flags |= Qt::FramelessWindowHint;
    Window()->setWindowFlags(flags); // makes a new platform window: link it again
    if (owner)
        static_cast<CControlWidget*>(Window())->SetOwner(owner->Window());
    if (!sizable)
        Window()->setFixedSize(width, height);
    Window()->setGeometry(X(), Y(), width, height);
}

void CDialog::Show(int32_t command)
{
    if (Owner() && Owner()->Window())
        Owner()->Window()->setEnabled(command == kShowHide);
    CWindow::Show(command);
}

void CDialog::Close()
{
    Cancel();
}

void CDialog::Confirm()
{
    Show(kShowHide);
    if (Owner())
        Owner()->DialogConfirmed(this);
}

void CDialog::Cancel()
{
    Show(kShowHide);
    if (Owner())
        Owner()->DialogCancelled(this);
}
