#include "sequencer/view/WheelScroll.h"
#include <QWheelEvent>
#include <QWidget>

namespace {
constexpr int32_t kNotch = 120;
}

CWheelScroll::CWheelScroll(QWidget* window, std::function<void(int32_t)> step) : window(window), step(std::move(step))
{
    if (window)
        window->installEventFilter(this);
}

CWheelScroll::~CWheelScroll()
{
    if (window)
        window->removeEventFilter(this);
}

bool CWheelScroll::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return QObject::eventFilter(watched, event);
    // Fine-grained wheels send parts of a notch: keep what is left over.
    remainder += static_cast<QWheelEvent*>(event)->angleDelta().y();
    const int32_t notches = remainder / kNotch;
    remainder -= notches * kNotch;
    if (notches != 0)
        step(-notches);
    return true;
}
