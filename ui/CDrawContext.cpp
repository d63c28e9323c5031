#include "ui/CDrawContext.h"
#include "framework/CMutex.h"
#include "ui/CColorManager.h"
#include "ui/CPicture.h"
#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPen>

CDrawContext::CDrawContext(QPaintDevice* device, CColorManager* colors, const QFont* font)
    : painter(device), colors(colors)
{
    if (font)
        painter.setFont(*font);
}

void CDrawContext::FillRect(int32_t x, int32_t y, int32_t w, int32_t h, int32_t colorNumber)
{
    if (!colors) {
        painter.fillRect(x, y, w, h, Qt::black);
        return;
    }
    CLockGuard<CColorManager> lock(*colors);
    painter.fillRect(x, y, w, h, *colors->GetBrush(colorNumber));
}

void CDrawContext::FillRectColor(int32_t x, int32_t y, int32_t w, int32_t h, ColorRef color)
{
    painter.fillRect(x, y, w, h, QColor(RedOf(color), GreenOf(color), BlueOf(color)));
}

void CDrawContext::Line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t colorNumber)
{
    if (!colors) {
        painter.setPen(Qt::black);
        painter.drawLine(x0, y0, x1, y1);
        return;
    }
    CLockGuard<CColorManager> lock(*colors);
    painter.setPen(*colors->GetPen(colorNumber));
    painter.drawLine(x0, y0, x1, y1);
}

void CDrawContext::Text(int32_t x, int32_t y, int32_t w, int32_t h, const char* text, int32_t colorNumber, int flags)
{
    if (colors) {
        CLockGuard<CColorManager> lock(*colors);
        painter.setPen(*colors->GetPen(colorNumber));
    } else {
        painter.setPen(Qt::black);
    }
    painter.drawText(QRect(x, y, w, h), flags, QString::fromUtf8(text));
}

void CDrawContext::DrawImage(int32_t x, int32_t y, const QImage& image)
{
    painter.drawImage(x, y, image);
}

void CDrawContext::DrawPicture(int32_t x, int32_t y, const CPicture& picture)
{
    if (picture.HasPixels())
        painter.drawImage(x, y, PictureImage(picture));
}

void CDrawContext::TilePicture(int32_t x, int32_t y, int32_t w, int32_t h, const CPicture& picture, int32_t originX,
                               int32_t originY)
{
    if (!picture.HasPixels())
        return;
    // A texture brush, not a pixmap: this also runs on the graphics thread.
    QBrush brush(PictureImage(picture));
    brush.setTransform(QTransform::fromTranslate(x - originX, y - originY));
    painter.fillRect(x, y, w, h, brush);
}

QImage PictureImage(const CPicture& picture)
{
    return QImage(picture.pixels, picture.width, picture.height, static_cast<qsizetype>(picture.RowBytes()),
                  picture.alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
}
