// A library that cancels the thread it runs a callback on (libjack does on
// deactivation) must not cut the callback off while it holds locks.
#include "platform/OsThread.h"
#include <atomic>
#include <gtest/gtest.h>
#include <pthread.h>
#include <semaphore.h>
#include <unistd.h>

namespace {

struct Callback {
    sem_t go;
    std::atomic<bool> waiting{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> afterScope{false};
};

void* RunCallback(void* argument)
{
    auto* callback = static_cast<Callback*>(argument);
    const int held = platform::HoldCancel();
    callback->waiting.store(true);
    // A cancellation point, as a block's wait for a worker is.
    sem_wait(&callback->go);
    callback->finished.store(true);
    // The pending cancel ends the thread here.
    platform::ReleaseCancel(held);
    for (int i = 0; i < 1000; ++i)
        usleep(1000);
    callback->afterScope.store(true);
    return nullptr;
}

TEST(HeldCancelTest, ACancelWaitsUntilReleasedThenTakesEffect)
{
    Callback callback;
    sem_init(&callback.go, 0, 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, nullptr, RunCallback, &callback), 0);
    while (!callback.waiting.load())
        usleep(1000);
    ASSERT_EQ(pthread_cancel(thread), 0);
    usleep(20000);
    EXPECT_FALSE(callback.finished.load()); // still waiting, not cancelled
    sem_post(&callback.go);
    void* result = nullptr;
    ASSERT_EQ(pthread_join(thread, &result), 0);
    EXPECT_EQ(result, PTHREAD_CANCELED);
    EXPECT_TRUE(callback.finished.load());
    EXPECT_FALSE(callback.afterScope.load());
    sem_destroy(&callback.go);
}

} // namespace
