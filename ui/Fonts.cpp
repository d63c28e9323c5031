#include "ui/Fonts.h"
#include "framework/Errors.h"
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>
#include <cmath>

QFont* CreateFont(const QPaintDevice* device, const char* face, int32_t points, bool bold)
{
    // Fonts need the GUI application's font database.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        Raise("Can't Create Font <%s>", face);
    double dpi = 96.0;
    if (device)
        dpi = device->logicalDpiY();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        dpi = screen->logicalDotsPerInchY();
    QFont* font = new QFont(QString::fromUtf8(face));
    font->setPixelSize(std::max(1, static_cast<int>(std::lround(dpi / 72.0 * points))));
    font->setWeight(bold ? QFont::Bold : QFont::Normal);
    if (QFontInfo(*font).family().isEmpty()) {
        delete font;
        Raise("Can't Create Font <%s>", face);
    }
    return font;
}
