#include "ui/CScrollBar.h"
#include "ui/NativeColors.h"
#include <QScrollBar>
#include <QSignalBlocker>

CScrollBar::CScrollBar(CControl* parent, int32_t x, int32_t y, int32_t width, int32_t height, bool vertical)
    : CControl(parent, "ScrollBar", x, y, width, height), bar(new QScrollBar(vertical ? Qt::Vertical : Qt::Horizontal)),
      vertical(vertical)
{
    SetContent(bar);
    ApplyControlColors(this, bar, kMessageCtlColorScrollBar);
    QObject::connect(bar, &QScrollBar::valueChanged, [this](int position) {
        if (!Parent())
            return;
        if (this->vertical)
            Parent()->VerticalScroll(position);
        else
            Parent()->HorizontalScroll(position);
    });
}

void CScrollBar::SetRange(int32_t minimum, int32_t maximum, int32_t page)
{
    QSignalBlocker quiet(bar);
    bar->setRange(minimum, maximum);
    bar->setPageStep(page);
}

int32_t CScrollBar::GetPosition() const
{
    return bar->value();
}

void CScrollBar::SetPosition(int32_t position)
{
    QSignalBlocker quiet(bar);
    bar->setValue(position);
}
