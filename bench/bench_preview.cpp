// The filter dialogs' live preview on a 4096 x 4096 picture: the time from the last control
// change to the preview shown (the 700 ms pause included), and the longest the event loop was
// held up meanwhile, measured by a 1 ms heartbeat timer. A second change made while the first
// run is under way shows what abandoning a run costs the event loop.
#include "filters/GraphicFilterTable.h"
#include "filters/uFRMFilterDialogs.h"
#include "tests/filters/FakeFilterDocument.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <random>

using namespace kolvar;

namespace {

constexpr int32_t Side = 4096;

TDibContainer NoisePicture() {
    TDibContainer d(Side, Side);
    std::mt19937 rng(1);
    for (int32_t y = 0; y < Side; ++y) {
        uint8_t* row = d.Bits() + size_t(y) * d.Stride();
        for (int32_t i = 0; i < 3 * Side; ++i) row[i] = uint8_t(rng());
    }
    return d;
}

// Runs the event loop until done() holds; returns the longest gap between heartbeats in ms,
// and where it ended (ms after the start) in at.
template <class F> double LongestStall(F&& done, double* at = nullptr) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0;
    QTimer beat;
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (now - last > worst) {
            worst = now - last;
            if (at) *at = double(now);
        }
        last = now;
    });
    beat.start();
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return double(worst);
}

struct TCase {
    const char* What;
    int Tag;
    std::vector<std::pair<const char*, int>> Positions;
};

void Measure(const TCase& c, const TDibContainer& picture) {
    test::TFakeFilterDocument doc(picture);
    TfrmFilterParams d(*FindFilter(c.Tag), doc);
    d.EnsureCreated();
    d.SetupFilter();
    // A first setting, changed again while its run is under way.
    d.SetPosition(QString::fromLatin1(c.Positions.front().first), 1);
    LongestStall([&] { return d.PreviewRunning(); });
    QElapsedTimer busy;
    busy.start();
    LongestStall([&] { return busy.elapsed() > 300; });

    QElapsedTimer change;
    change.start();
    for (const auto& [name, value] : c.Positions) d.SetPosition(QString::fromLatin1(name), value);
    const double changeMs = change.nsecsElapsed() / 1e6;
    QElapsedTimer shown;
    shown.start();
    double at = 0;
    const double stall = LongestStall([&] { return d.PreviewCurrent(); }, &at);
    const double total = shown.nsecsElapsed() / 1e6;
    std::printf(
        "%-16s change %4.1f ms, shown after %6.0f ms (run %6.0f ms), longest stall %5.1f ms "
        "(ending %.0f ms after the change)\n",
        c.What, changeMs, total, total - TfrmFilterConfig::PreviewDelay, stall, at);
}

} // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const TDibContainer picture = NoisePicture();
    const TCase cases[] = {
        {"Blur radius 15", 24, {{"sbAmount", 15}}},
        {"Median 11 x 11", 25, {{"sbAmount", 15}}},
        {"HSL", 0, {{"SlideBarH", 30}, {"SlideBarS", 20}, {"SlideBarL", -10}}},
    };
    for (const TCase& c : cases) Measure(c, picture);
    return 0;
}
