#pragma once
#include "support/RaisedText.h"
#include "ui/CColorManager.h"
#include "ui/CWindow.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QRgb>
#include <memory>
#include <string>

// Runs the GUI thread's queued events and posted work until the condition
// holds or the time is up; true when it held.
template <typename Condition>
bool ProcessEventsUntil(Condition condition, int milliseconds = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// A colour as PixelAt gives it.
inline QRgb Rgb(int r, int g, int b)
{
    return qRgb(r, g, b) & 0x00FFFFFF;
}

// The pixel's colour without alpha, for comparing grabbed images.
inline QRgb PixelAt(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0x00FFFFFF;
}

// A shown top-level window in the given colours that holds a test's controls.
inline std::unique_ptr<CWindow> MakeHostWindow(const char* title, int32_t width, int32_t height, CColorManager* colors)
{
    auto window = std::make_unique<CWindow>(nullptr, title, 0, 0, width, height);
    window->SetColorManager(colors);
    window->Show(kShow);
    return window;
}
