#include "filters/BackgroundRun.h"

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace kolvar {

namespace {

constexpr int kPollMs = 50;
// Work over within this long keeps the event loop out, as a plain call would.
constexpr auto kQuickWork = std::chrono::milliseconds(30);

int gWaiting = 0;

// The nested event loop: painting and timers go on, user input waits.
void SpinUntil(const std::function<bool()>& done, const std::function<void()>& poll) {
    ++gWaiting;
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(kPollMs);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (poll) poll();
        if (done()) loop.quit();
    });
    timer.start();
    if (!done()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    --gWaiting;
}

} // namespace

void RunKeepingWindowsLive(const std::function<void(const TWorkReport& Report)>& Work,
                           const std::function<void(int Percent)>& Show) {
    std::atomic<int> percent{-1};
    std::mutex lock;
    std::condition_variable ended;
    bool finished = false;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            Work([&](int p) { percent.store(p, std::memory_order_relaxed); });
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard guard(lock);
        finished = true;
        ended.notify_all();
    });
    bool quick = false;
    {
        std::unique_lock guard(lock);
        quick = ended.wait_for(guard, kQuickWork, [&] { return finished; });
    }
    if (!quick) {
        const auto over = [&] {
            std::lock_guard guard(lock);
            return finished;
        };
        SpinUntil(over, [&] {
            if (Show) Show(percent.load(std::memory_order_relaxed));
        });
    }
    worker.join();
    if (error) std::rethrow_exception(error);
}

void WaitKeepingWindowsLive(const std::function<bool()>& Done) {
    const auto start = std::chrono::steady_clock::now();
    while (!Done() && std::chrono::steady_clock::now() - start < kQuickWork)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SpinUntil(Done, {});
}

bool BackgroundWorkRunning() {
    return gWaiting > 0;
}

} // namespace kolvar
