#pragma once
#include "framework/CThread.h"

// Gives every plug-in machine idle time: one round over the list of
// plug-in machines, then 10 ms of sleep. Runs below normal priority.
class CVSTIdleThread : public CThread {
public:
    CVSTIdleThread();
    ~CVSTIdleThread() override;

    void Process() override;
};
