// SPDX-License-Identifier: Apache-2.0
// A worker thread that takes jobs from a shared counter and stops when asked: the main thread hands
// out jobs under a mutex, wakes the worker with an auto-reset event, and finally stops it through
// its stop event. A performance counter times every job, and the profiling report is printed at
// the end.
#include <vesk/vesk.h>

#include <cstdio>

namespace {

class JobWorker : public Vesk::CThread {
  public:
    JobWorker() : m_jobReady(false) {}
    // The body uses this object's members: stop it before they are destroyed.
    ~JobWorker() override { StopThread(-1); }

    void Post(int job) {
        m_jobLock.Lock();
        m_pending = job;
        m_jobLock.Unlock();
        m_jobReady.SignalEvent();
    }
    int Done() {
        m_jobLock.Lock();
        const int done = m_done;
        m_jobLock.Unlock();
        return done;
    }

  protected:
    int ThreadBody() override {
        std::printf("worker: started\n");
        // Wake at least every 100 ms to look at the stop request.
        while (m_stopEvent.WaitForObject(0) != eWaitSignaled) {
            if (m_jobReady.WaitForObject(100) != eWaitSignaled) {
                continue;
            }
            m_jobLock.Lock();
            const int job = m_pending;
            m_jobLock.Unlock();
            {
                // One measured pass per job.
                Vesk::CPerformanceCounter::CScopeTimer timer(*m_jobTime);
                Sleep(50);  // the work
            }
            std::printf("worker: finished job %d\n", job);
            m_jobLock.Lock();
            ++m_done;
            m_jobLock.Unlock();
        }
        std::printf("worker: stop requested, leaving\n");
        return 0;
    }

  private:
    Vesk::CEvent m_jobReady;  // auto-reset: one signal, one job
    Vesk::CMutex m_jobLock;   // guards m_pending and m_done
    Vesk::CRefCountPtr<Vesk::CPerformanceCounter> m_jobTime =
        Vesk::CPerformanceCounter::GetCounter("worker.job");
    int m_pending = 0;
    int m_done = 0;
};

}  // namespace

int main() {
    JobWorker worker;
    if (worker.StartThread() != 1) {
        std::printf("main: could not start the worker\n");
        return 1;
    }
    for (int job = 1; job <= 3; ++job) {
        std::printf("main: posting job %d\n", job);
        worker.Post(job);
        Vesk::CThread::Sleep(200);
    }
    std::printf("main: stopping the worker\n");
    const int stopped = worker.StopThread(1000);
    const int waited = worker.WaitForObject(0);
    std::printf("main: StopThread gave %d, WaitForObject(0) gives %d, %d jobs done\n", stopped,
                waited, worker.Done());
    // The profiling report: one line per counter, name, seconds and passes.
    Vesk::CPerformanceCounter::SaveReport(stdout);
    return stopped == 1 && waited == Vesk::CSynchronizationObject::eWaitSignaled ? 0 : 1;
}
