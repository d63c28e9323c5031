#include "app/CAboutBox.h"
#include "platform/OsShell.h"
#include "ui/CColorManager.h"
#include "ui/CDrawContext.h"
#include "ui/CLabel.h"
#include "ui/CPicture.h"
#include "ui/Fonts.h"
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QWidget>
#include <cstdio>

namespace {
constexpr int32_t kLinkColor = 13;
}

CAboutBox::CAboutBox(CControl* owner, CPicture* picture, CColorManager* colors)
    : CDialog(owner, nullptr, picture->width, picture->height), ownColors(std::make_unique<CColorManager>(colors))
{
    Window()->setObjectName("AboutBox");
    // Without a title the window system would show the program's name,
    // which belongs to the main window.
    Window()->setWindowTitle(owner ? "About Velmora Studio" : "Starting Velmora Studio");
    ownColors->SetColor(2, 0x000000);
    ownColors->SetColor(4, 0xAAAAAA);
    SetColorManager(ownColors.get());
    SetBackgroundPicture(picture);
    SetFont(CreateFont(Window(), "Verdana", 11, false), true);
    label = new CLabel(this, "", 24, 216, 444, 72, true);
    label->SetBackgroundPicture(picture);
    label->Show(kShow);
    Window()->setMouseTracking(true);
}

CAboutBox::~CAboutBox()
{
    delete label;
}

void CAboutBox::SetText(const char* text)
{
    label->SetText(text);
    if (Window() && Window()->isVisible())
        Window()->repaint();
}

const std::string& CAboutBox::Text() const
{
    return label->Text();
}

void CAboutBox::Show(int32_t command)
{
    CDialog::Show(command);
    if (command != kShowHide && Window())
        Window()->repaint();
}

void CAboutBox::Paint(CDrawContext& dc)
{
    if (CPicture* picture = BackgroundPicture(); picture && picture->HasPixels())
        dc.DrawPicture(0, 0, *picture);
    else
        CDialog::Paint(dc);
    // The link shows where it goes.
    dc.Text(160, 120, 260, 16, "velmora-studio.org", kLinkColor, Qt::AlignCenter);
}

void CAboutBox::MouseMove(int32_t x, int32_t y, uint32_t)
{
    const bool inside = InLink(x, y);
    if (inside && !overLink) {
        overLink = true;
        Window()->setCursor(Qt::PointingHandCursor);
        SetCapture();
    } else if (!inside && overLink) {
        LeaveLink();
    }
}

void CAboutBox::LeaveLink()
{
    overLink = false;
    if (Window())
        Window()->setCursor(Qt::ArrowCursor);
    if (HasCapture())
        ReleaseCapture();
}

void CAboutBox::CaptureLost()
{
    if (overLink) {
        overLink = false;
        if (Window())
            Window()->setCursor(Qt::ArrowCursor);
    }
}

void CAboutBox::LeftButtonDown(int32_t x, int32_t y, uint32_t)
{
    if (InLink(x, y)) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        platform::OpenWithDesktop(kHomePage);
        QGuiApplication::restoreOverrideCursor();
        return;
    }
    LeaveLink();
    Show(kShowHide);
}

std::string CAboutBox::AboutText()
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "Version: %s\nPlatform: %s (GCC-%i.%i.%i)\nVST PlugIn Technology by Steinberg\n"
                  "ASIO Technology by Steinberg",
                  "3.6.8", "x86-64", __GNUC__, __GNUC_MINOR__, __GNUC_PATCHLEVEL__);
    return text;
}
