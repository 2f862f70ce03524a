// Recovery copies of a 4096 x 4096 picture: the time the user-interface thread spends on one
// (taking the copy and queueing it; this is the pause the user could notice) and the time the
// worker thread then takes to write it.

#include "BenchSupport.h"
#include "app/RecoveryStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace kolvar;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int32_t side = 4096;
    TDibContainer picture(side, side);
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x)
            picture.SetPixel(x, y, TDibColor{uint8_t(x), uint8_t(y), uint8_t(x ^ y)});
    QTemporaryDir dir;
    TRecoveryStore store(dir.filePath(QStringLiteral("recovery")));
    double worstPause = 0, totalPause = 0, totalWrite = 0;
    constexpr int runs = 8;
    for (int i = 0; i < runs; ++i) {
        // As the program does: memory is readied when a change starts the timer, and the
        // copy is taken when it fires.
        store.Prepare(1, side, side);
        store.WaitForWrites();
        const double pause = bench::Seconds(
            1, [&](int) { store.Write(1, picture, QStringLiteral("Image1"), QString(), true); });
        const double write = bench::Seconds(1, [&](int) { store.WaitForWrites(); });
        worstPause = std::max(worstPause, pause);
        totalPause += pause;
        totalWrite += pause + write;
    }
    store.Close();
    std::printf("4096 x 4096 recovery copy: UI thread %.1f ms on average, %.1f ms at worst\n",
                totalPause / runs * 1e3, worstPause * 1e3);
    std::printf("                           written in %.1f ms on average (%.0f MB/s)\n",
                totalWrite / runs * 1e3, 48.0 * runs / totalWrite);
    return 0;
}
