#include "ui/CLiteLCDText.h"
#include "ui/CLiteContainer.h"
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>

CLiteLCDText::CLiteLCDText(CLiteContainer* container, int32_t x, int32_t y, int32_t width, int32_t height,
                           ColorRef color, double intensity)
    : CLiteControl(container, x, y, width, height), color(color), intensity(std::clamp(intensity, 0.0, 1.0)),
      timer(this, 0)
{
    SetText("");
}

void CLiteLCDText::SetText(const char* newText)
{
    QFont font = container && container->Font() ? *container->Font() : QFont();
    QString qtext = QString::fromUtf8(newText ? newText : "");
    // A gap of one strip height between the end of the text and its repeat.
    int32_t stripWidth = std::max(width, QFontMetrics(font).horizontalAdvance(qtext) + height);
    QImage mask(stripWidth, std::max(height, 1), QImage::Format_RGB32);
    mask.fill(Qt::white);
    {
        QPainter painter(&mask);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, 0, stripWidth, height), Qt::AlignLeft | Qt::AlignVCenter, qtext);
    }
    CPicture rendered;
    rendered.Create(stripWidth, std::max(height, 1), true);
    for (int32_t row = 0; row < rendered.height; ++row) {
        const QRgb* source = reinterpret_cast<const QRgb*>(mask.constScanLine(row));
        uint8_t* target = rendered.Row(row);
        for (int32_t col = 0; col < rendered.width; ++col, target += 4) {
            int mean = (qRed(source[col]) + qGreen(source[col]) + qBlue(source[col])) / 3;
            target[0] = RedOf(color);
            target[1] = GreenOf(color);
            target[2] = BlueOf(color);
            target[3] = static_cast<uint8_t>((255 - mean) * intensity);
        }
    }
    {
        ContainerLock lock(*this);
        text = newText ? newText : "";
        strip.Swap(rendered);
        offset = 0;
    }
    Redraw();
}

void CLiteLCDText::StartScrolling()
{
    {
        ContainerLock lock(*this);
        offset = 0;
    }
    timer.Start(kScrollInterval);
}

void CLiteLCDText::StopScrolling()
{
    timer.Stop();
    {
        ContainerLock lock(*this);
        offset = 0;
    }
    Redraw();
}

void CLiteLCDText::TimerElapsed(int32_t)
{
    {
        ContainerLock lock(*this);
        if (++offset >= strip.width) {
            offset = 0;
            timer.Stop();
        }
    }
    Redraw();
}

void CLiteLCDText::Draw(CPicture& target)
{
    if (!strip.HasPixels())
        return;
    // Only inside the strip's own rectangle, within the region being drawn.
    int32_t left = target.clipLeft, top = target.clipTop, right = target.clipRight, bottom = target.clipBottom;
    target.SetClip(std::max(left, x), std::max(top, y), std::min(right, x + width), std::min(bottom, y + height));
    target.Blit(strip, 0, 0, strip.width, strip.height, x - offset, y);
    target.Blit(strip, 0, 0, strip.width, strip.height, x - offset + strip.width, y);
    target.SetClip(left, top, right, bottom);
}
