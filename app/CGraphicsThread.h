#pragma once
#include "framework/CThread.h"
#include <functional>
#include <vector>

// The display refresh thread, below normal priority: refreshes every
// registered view (tool bar, editors, recorder, studio), then sleeps 10 ms.
// Views register before the thread runs and stay until it has ended.
class CGraphicsThread : public CThread {
public:
    static constexpr int kPeriodMilliseconds = 10;

    CGraphicsThread();
    ~CGraphicsThread() override;

    void AddView(std::function<void()> refresh);
    // Any view with a Refresh().
    template <typename View>
    void Add(View* view)
    {
        AddView([view] { view->Refresh(); });
    }
    // Refreshes every view once (what one pass of the thread does).
    void RefreshAll();
    uint64_t Passes() const { return passes.load(std::memory_order_relaxed); }

    void Process() override;

private:
    std::vector<std::function<void()>> views;
    std::atomic<uint64_t> passes{0};
    bool named = false;
};
