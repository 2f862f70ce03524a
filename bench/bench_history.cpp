// The history of a 4096 x 4096 document with 20 undo levels: the memory 20 freehand pen
// strokes hold (raw, then compressed when idle), against the 48 MB a full copy per step
// would take; and the time of Undo and Redo of a full-picture filter step (target: under
// 100 ms), both while it is the latest step and after idle compression.
#include "document/uFRMDesigner.h"
#include "filters/GraphicFilterTable.h"
#include "filters/uFRMFilterCommands.h"
#include "raster/DibGraphics.h"
#include "raster/DibGraphicsBrush.h"
#include "raster/DibGraphicsPen.h"
#include "shell/uKolvarGeneric.h"
#include "shell/uPreferences.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include "bench/BenchSupport.h"

#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <ctime>

using namespace kolvar;
using kolvar::bench::Seconds;

namespace {

constexpr int32_t Side = 4096;
constexpr double MB = 1024.0 * 1024.0;

void mouse(TfrmDesigner& doc, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), QPointF(doc.Designer().mapToGlobal(p)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(&doc.Designer(), &e);
}

// A wavy freehand stroke of 300 moves across part of the view.
void penStroke(TfrmDesigner& doc, int i) {
    const QPoint start(30 + (i * 37) % 600, 40 + (i * 53) % 500);
    mouse(doc, QEvent::MouseButtonPress, start, Qt::LeftButton);
    QPoint p = start;
    for (int k = 0; k < 300; ++k) {
        p = start + QPoint(k, int(60 * std::sin(k * 0.04 + i)));
        mouse(doc, QEvent::MouseMove, p, Qt::LeftButton);
    }
    mouse(doc, QEvent::MouseButtonRelease, p, Qt::NoButton);
    QApplication::processEvents();
}

// Lets the idle compression run until the history stops shrinking.
void settle(TfrmDesigner& doc) {
    size_t last = doc.History()->Bytes();
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 2000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (doc.History()->Bytes() != last) {
            last = doc.History()->Bytes();
            quiet.restart();
        }
    }
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

double peakRssMB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitializeDibGraphics();
    TToolState state;
    state.ToolCanvas = std::make_unique<TDibCanvas>(8, 8);
    state.ToolCanvas->Pen().SetColor(0x2040A0);
    state.ToolCanvas->Pen().SetWidth(5);
    SetToolState(&state);
    Preferences().UndoLevels = 20;
    TfrmDesigner doc(nullptr);
    doc.NewImage(Side, Side, 0x00FFFFFF);
    doc.resize(1024, 768);
    doc.show();
    QApplication::processEvents();
    doc.ActualSize();
    // A photograph-like picture: smooth gradients with a little grain.
    TDibContainer& image = doc.Image();
    uint32_t seed = 1;
    for (int32_t y = 0; y < Side; ++y)
        for (int32_t x = 0; x < Side; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int grain = int((seed >> 16) & 7);
            image.SetPixel(x, y,
                           TDibColor{uint8_t(x / 16 + grain), uint8_t(y / 16 + grain),
                                     uint8_t((x + y) / 32 + grain)});
        }
    doc.SaveUndo();
    std::printf("image %d x %d (%.0f MB), 20 undo levels, peak RSS before %.0f MB\n", Side, Side,
                image.ByteSize() / MB, peakRssMB());

    doc.Designer().Actions().SetActiveAction(7); // the freehand pen
    const double strokes = Seconds(20, [&](int i) { penStroke(doc, i); });
    mouse(doc, QEvent::MouseButtonPress, QPoint(1, 1), Qt::LeftButton); // ends the last step
    mouse(doc, QEvent::MouseButtonRelease, QPoint(1, 1), Qt::NoButton);
    QApplication::processEvents();
    const size_t raw = doc.History()->Bytes();
    settle(doc);
    std::printf("%-44s %8.1f ms\n", "pen stroke (300 moves) incl. step", strokes * 1000 / 20);
    std::printf("%-44s %8.1f MB (%zu steps)\n", "history of 20 pen strokes, raw", raw / MB,
                doc.History()->UndoCount());
    std::printf("%-44s %8.1f MB\n", "  after idle compression", doc.History()->Bytes() / MB);
    std::printf("%-44s %8.1f MB\n", "  full copies would take", 20 * image.ByteSize() / MB);
    std::printf("%-44s %8.0f MB\n", "peak RSS", peakRssMB());

    const TFilterInfo* negative = FindFilter(QStringLiteral("Negative"));
    if (!negative) return 1;
    ApplyFilterDirectCommand(*negative, doc);
    const int repeats = 5;
    double undo = 0, redo = 0, undoCpu = 0, redoCpu = 0;
    for (int i = 0; i < repeats; ++i) {
        const double c0 = cpuSeconds();
        undo += Seconds(1, [&](int) { doc.RestoreUndo(); });
        const double c1 = cpuSeconds();
        redo += Seconds(1, [&](int) { doc.Redo(); });
        undoCpu += c1 - c0;
        redoCpu += cpuSeconds() - c1;
    }
    // Processor time too: on a busy machine the wall clock also counts other programs.
    std::printf("%-44s %8.1f ms (%.1f ms processor)\n", "undo of a full-picture filter step",
                undo * 1000 / repeats, undoCpu * 1000 / repeats);
    std::printf("%-44s %8.1f ms (%.1f ms processor)\n", "redo of it", redo * 1000 / repeats,
                redoCpu * 1000 / repeats);
    // The filter step three changes back, compressed meanwhile.
    penStroke(doc, 98);
    penStroke(doc, 99);
    mouse(doc, QEvent::MouseButtonPress, QPoint(1, 1), Qt::LeftButton);
    mouse(doc, QEvent::MouseButtonRelease, QPoint(1, 1), Qt::NoButton);
    settle(doc);
    std::printf("%-44s %8.1f MB\n", "history with the filter step compressed",
                doc.History()->Bytes() / MB);
    doc.RestoreUndo();
    doc.RestoreUndo();
    // At once, before idle time makes it ready: the step is expanded by Undo itself.
    const double c0 = cpuSeconds();
    const double compressed = Seconds(1, [&](int) { doc.RestoreUndo(); });
    const double compressedCpu = cpuSeconds() - c0;
    std::printf("%-44s %8.1f ms (%.1f ms processor)\n", "undo of it, still compressed",
                compressed * 1000, compressedCpu * 1000);
    doc.Redo();
    doc.Redo();
    doc.Redo();
    doc.RestoreUndo();
    doc.RestoreUndo();
    settle(doc);
    const double prepared = Seconds(1, [&](int) { doc.RestoreUndo(); });
    std::printf("%-44s %8.1f ms\n", "undo of it after a pause", prepared * 1000);
    std::printf("%-44s %8.1f MB\n", "history now", doc.History()->Bytes() / MB);
    std::printf("%-44s %8.0f MB\n", "peak RSS", peakRssMB());
    SetToolState(nullptr);
    return 0;
}
