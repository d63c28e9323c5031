#include "studio/CWorkThread.h"
#include "studio/CWorkerPool.h"

CWorkThread::CWorkThread(CWorkerPool& pool) : pool(pool)
{
    SetPriority(1);
    Resume();
}

CWorkThread::~CWorkThread()
{
    Wait();
}

void CWorkThread::Run()
{
    while (pool.WorkRound()) {
    }
}

void CWorkThread::Process()
{
    pool.WorkRound();
}
