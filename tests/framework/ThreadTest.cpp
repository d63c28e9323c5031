#include "framework/CAlertableThread.h"
#include "framework/CBoundedQueue.h"
#include "framework/CHostMutex.h"
#include "framework/CMutex.h"
#include "framework/CSemaphore.h"
#include "framework/CThread.h"
#include "framework/Errors.h"
#include "support/RaisedText.h"
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

class CCountingThread : public CThread {
public:
    ~CCountingThread() override { Terminate(); }
    void Process() override
    {
        inPass.store(true);
        passes.fetch_add(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        inPass.store(false);
    }
    std::atomic<int> passes{0};
    std::atomic<bool> inPass{false};
};

} // namespace

TEST(HostMutexTest, UnlockWithoutLockRaises)
{
    CHostMutex mutex;
    EXPECT_EQ(RaisedText([&] { mutex.Unlock(); }), "Mutex Not Locked, Can't Release");
    mutex.Lock();
    EXPECT_TRUE(mutex.IsLocked());
    mutex.Unlock();
    EXPECT_FALSE(mutex.IsLocked());
}

TEST(HostMutexTest, TheFlagIsOneBitNotADepth)
{
    CHostMutex mutex;
    mutex.Lock();
    mutex.Lock(); // the system mutex is recursive for its owner
    mutex.Unlock();
    EXPECT_EQ(RaisedText([&] { mutex.Unlock(); }), "Mutex Not Locked, Can't Release");
}

TEST(HostMutexTest, ReleaseByAnotherThreadFails)
{
    CHostMutex mutex;
    mutex.Lock();
    std::string text;
    std::thread other([&] { text = RaisedText([&] { mutex.Unlock(); }); });
    other.join();
    EXPECT_EQ(text, "Can't Release Mutex");
    mutex.Lock(); // still ours
    mutex.Unlock();
}

TEST(MachineMutexTest, DepthCountsNestedLocks)
{
    CMutex mutex;
    EXPECT_FALSE(mutex.IsLocked());
    mutex.Lock();
    mutex.Lock();
    mutex.Unlock();
    EXPECT_TRUE(mutex.IsLocked());
    mutex.Unlock();
    EXPECT_FALSE(mutex.IsLocked());
}

TEST(ThreadTest, TerminateOfANeverResumedThreadReturnsAtOnce)
{
    CCountingThread thread;
    auto start = std::chrono::steady_clock::now();
    thread.Terminate();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(thread.passes.load(), 0);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(ThreadTest, TerminateWaitsForTheCurrentPass)
{
    CCountingThread thread;
    thread.SetPriority(-1);
    thread.Resume();
    while (thread.passes.load() < 3)
        std::this_thread::yield();
    thread.Terminate();
    EXPECT_FALSE(thread.inPass.load());
    int passes = thread.passes.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(thread.passes.load(), passes) << "no pass after Terminate";
}

TEST(ThreadTest, LockingTheThreadHoldsItBetweenPasses)
{
    CCountingThread thread;
    thread.Resume();
    while (thread.passes.load() < 1)
        std::this_thread::yield();
    for (int round = 0; round < 5; ++round) {
        thread.Lock();
        EXPECT_FALSE(thread.inPass.load());
        int passes = thread.passes.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(thread.passes.load(), passes);
        thread.Unlock();
    }
    thread.Terminate();
}

TEST(SemaphoreTest, ThreeReleasesSatisfyExactlyThreeWaits)
{
    CSemaphore semaphore(0, 0x7fffffff);
    semaphore.Release();
    semaphore.Release();
    semaphore.Release();
    EXPECT_EQ(semaphore.Count(), 3);
    semaphore.Wait();
    EXPECT_TRUE(semaphore.TryWait());
    EXPECT_TRUE(semaphore.WaitFor(10));
    EXPECT_FALSE(semaphore.TryWait());
    EXPECT_FALSE(semaphore.WaitFor(5));
    EXPECT_EQ(semaphore.Count(), 0);
}

TEST(SemaphoreTest, FailuresRaiseWithTheirTexts)
{
    EXPECT_EQ(RaisedText([] { CSemaphore bad(2, 1); }).rfind("Can't Create Semaphore, Error Code 0x", 0), 0u);
    CSemaphore small(0, 2);
    small.Release(2);
    EXPECT_EQ(RaisedText([&] { small.Release(); }), "Can't Release Semaphore, Error Code 0x4b"); // EOVERFLOW
}

TEST(SemaphoreTest, ReleaseByNWakesWaitersOnOtherThreads)
{
    CSemaphore semaphore(0, 0x7fffffff);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            semaphore.Wait();
            woken.fetch_add(1);
        });
    semaphore.Release(4);
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(woken.load(), 4);
    EXPECT_EQ(semaphore.Count(), 0);
}

namespace {

struct Tally {
    std::vector<int> lastSeen;     // per producer, written only on the worker
    std::vector<int> outOfOrder;   // per producer
    std::vector<int> counts;
};

struct Job {
    Tally* tally;
    int producer;
    int sequence;
};

void RunJob(void* argument)
{
    auto* job = static_cast<Job*>(argument);
    Tally& tally = *job->tally;
    auto p = static_cast<size_t>(job->producer);
    if (job->sequence != tally.lastSeen[p] + 1)
        ++tally.outOfOrder[p];
    tally.lastSeen[p] = job->sequence;
    ++tally.counts[p];
}

class CWorker : public CAlertableThread {
public:
    explicit CWorker(size_t capacity) : CAlertableThread(capacity) {}
};

} // namespace

TEST(AlertableThreadTest, JobsFromManyThreadsRunOnceEachInQueueOrder)
{
    constexpr int kProducers = 4;
    constexpr int kJobs = 5000;
    Tally tally{std::vector<int>(kProducers, -1), std::vector<int>(kProducers, 0), std::vector<int>(kProducers, 0)};
    std::vector<std::vector<Job>> jobs(kProducers);
    for (int p = 0; p < kProducers; ++p)
        for (int s = 0; s < kJobs; ++s)
            jobs[static_cast<size_t>(p)].push_back(Job{&tally, p, s});

    // A small queue so that producers also meet a full queue.
    CWorker worker(64);
    worker.SetPriority(1);
    worker.Resume();
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back([&, p] {
            for (Job& job : jobs[static_cast<size_t>(p)])
                worker.QueueJob(RunJob, &job);
        });
    for (auto& t : producers)
        t.join();

    // A final job tells us that everything before it has run.
    CSemaphore done(0, 1);
    worker.QueueJob([](void* s) { static_cast<CSemaphore*>(s)->Release(); }, &done);
    ASSERT_TRUE(done.WaitFor(30000));
    worker.Terminate();

    for (int p = 0; p < kProducers; ++p) {
        EXPECT_EQ(tally.counts[static_cast<size_t>(p)], kJobs);
        EXPECT_EQ(tally.outOfOrder[static_cast<size_t>(p)], 0);
    }
}

TEST(AlertableThreadTest, SleepReportsWhetherAJobRan)
{
    CWorker worker(8); // never resumed: the test thread does the waiting
    EXPECT_FALSE(worker.AlertableSleep(5));
    int ran = 0;
    worker.QueueJob([](void* n) { ++*static_cast<int*>(n); }, &ran);
    worker.QueueJob([](void* n) { ++*static_cast<int*>(n); }, &ran);
    EXPECT_TRUE(worker.AlertableSleep(5));
    EXPECT_EQ(ran, 2);
}

// The queue behind the alertable thread and the render workers: values from
// several producers reach several consumers each exactly once, a full queue
// refuses rather than overwrites, and an emptied one reports so.
TEST(BoundedQueueTest, EveryValueArrivesOnceAndAFullQueueRefuses)
{
    CBoundedQueue<int> small(3); // rounded up to 4
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(small.TryPush(i));
    EXPECT_FALSE(small.TryPush(99));
    int value = -1;
    ASSERT_TRUE(small.TryPop(value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(small.TryPush(4)); // the freed cell, behind the others
    for (int expected = 1; expected <= 4; ++expected) {
        ASSERT_TRUE(small.TryPop(value));
        EXPECT_EQ(value, expected);
    }
    EXPECT_FALSE(small.HasValues());
    EXPECT_FALSE(small.TryPop(value));

    constexpr int kProducers = 3;
    constexpr int kEach = 20000;
    CBoundedQueue<int> queue(64);
    std::vector<std::atomic<int>> seen(kProducers * kEach);
    std::atomic<int> taken{0};
    std::vector<std::thread> threads;
    for (int p = 0; p < kProducers; ++p) {
        threads.emplace_back([&queue, p] {
            for (int i = 0; i < kEach; ++i) {
                while (!queue.TryPush(p * kEach + i))
                    std::this_thread::yield();
            }
        });
    }
    for (int c = 0; c < 2; ++c) {
        threads.emplace_back([&] {
            int got = 0;
            while (taken.load() < kProducers * kEach) {
                if (queue.TryPop(got)) {
                    seen[static_cast<size_t>(got)].fetch_add(1);
                    taken.fetch_add(1);
                } else {
                    std::this_thread::yield();
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (size_t i = 0; i < seen.size(); ++i)
        ASSERT_EQ(seen[i].load(), 1) << i;
}
