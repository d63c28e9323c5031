#pragma once
#include <cstdint>
#include <memory>

class QTimer;

// Receives the ticks of a CTimer.
class CTimerCallback {
public:
    virtual void TimerElapsed(int32_t timerId) = 0;

protected:
    ~CTimerCallback() = default;
};

// A repeating timer of the GUI thread: every interval it calls its callback
// with its id until stopped.
class CTimer {
public:
    CTimer(CTimerCallback* callback, int32_t id);
    ~CTimer();
    CTimer(const CTimer&) = delete;
    CTimer& operator=(const CTimer&) = delete;

    void Start(int32_t milliseconds);
    void Stop();
    bool IsRunning() const;

private:
    std::unique_ptr<QTimer> timer;
};
