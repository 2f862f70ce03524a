// Long work off the user-interface thread while the windows keep painting.
#include "filters/BackgroundRun.h"
#include "raster/Exceptions.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace kolvar;

TEST(BackgroundRun, LongWorkKeepsTimersRunningAndQuickWorkStaysOutOfTheEventLoop) {
    int ticks = 0;
    QTimer beat;
    beat.setInterval(5);
    QObject::connect(&beat, &QTimer::timeout, [&] { ++ticks; });
    beat.start();

    std::vector<int> shown;
    bool busyWhileShown = false;
    RunKeepingWindowsLive(
        [](const TWorkReport& report) {
            report(40);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        },
        [&](int percent) {
            shown.push_back(percent);
            busyWhileShown = BackgroundWorkRunning();
        });
    EXPECT_GE(ticks, 10);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), 40);
    EXPECT_TRUE(busyWhileShown);
    EXPECT_FALSE(BackgroundWorkRunning());

    // Quick work returns as a plain call would, with nothing else run meanwhile.
    ticks = 0;
    bool ran = false;
    RunKeepingWindowsLive([&](const TWorkReport&) { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(ticks, 0);

    // The work's error reaches the caller, long or quick.
    EXPECT_THROW(RunKeepingWindowsLive([](const TWorkReport&) { throw EInOutError("disk full"); }),
                 EInOutError);
    EXPECT_THROW(RunKeepingWindowsLive([](const TWorkReport&) {
                     std::this_thread::sleep_for(std::chrono::milliseconds(100));
                     throw EInOutError("disk full");
                 }),
                 EInOutError);

    // Waiting for something another thread finishes.
    std::atomic<bool> done{false};
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        done = true;
    });
    ticks = 0;
    WaitKeepingWindowsLive([&] { return done.load(); });
    other.join();
    EXPECT_GE(ticks, 5);
}
