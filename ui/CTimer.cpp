#include "ui/CTimer.h"
#include <QTimer>

CTimer::CTimer(CTimerCallback* callback, int32_t id) : timer(std::make_unique<QTimer>())
{
    QObject::connect(timer.get(), &QTimer::timeout, [callback, id] { callback->TimerElapsed(id); });
}

CTimer::~CTimer() = default;

void CTimer::Start(int32_t milliseconds)
{
    timer->start(milliseconds);
}

void CTimer::Stop()
{
    timer->stop();
}

bool CTimer::IsRunning() const
{
    return timer->isActive();
}
