// SPDX-License-Identifier: Apache-2.0
// Entry point of the benchmark suite.
//
// Before anything is timed the process gets a second, idle thread: glibc's lock and atomic paths
// skip the bus lock while a process has only one thread, which would flatter every rival built on
// them and hide the cost that real, threaded callers pay.
#include <benchmark/benchmark.h>

#include <clocale>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "suite.h"

namespace {

class CIdleThread {
  public:
    CIdleThread()
        : m_thread([this] {
              std::unique_lock<std::mutex> hold(m_mutex);
              m_wake.wait(hold, [this] { return m_done; });
          }) {}
    ~CIdleThread() {
        {
            std::lock_guard<std::mutex> hold(m_mutex);
            m_done = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    CIdleThread(const CIdleThread&) = delete;
    CIdleThread& operator=(const CIdleThread&) = delete;

  private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};

}  // namespace

int main(int argc, char** argv) {
    // iconv's transliteration follows LC_CTYPE; the C locale would turn every letter into '?'.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    CIdleThread idle;
    vesk_bench::RegisterSuite();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
