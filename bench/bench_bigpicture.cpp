// Big pictures in the document window, offscreen:
//
//   bench_bigpicture write SIDE FILE   writes a SIDE x SIDE photo-like picture with the
//                                      program's own writers (type by FILE's extension)
//   bench_bigpicture open FILE         opens FILE in a document window to its first paint:
//                                      time, peak memory while opening, and memory once settled
//   bench_bigpicture use FILE          reads FILE off the user-interface thread, then zooms out
//                                      to the whole picture, scrolls, zooms in, runs Negative,
//                                      Undo, Blur through its dialog, Undo and Save, and prints
//                                      each step's time, the longest stall of the event loop
//                                      during it and the peak memory so far, with the repaint
//                                      time at each zoom
//
// Memory figures are the process's own (VmHWM, VmRSS), so run each mode in a process of its
// own, as the commands above do.

#include "BenchSupport.h"
#include "document/PictureReadJob.h"
#include "document/uFRMDesigner.h"
#include "filters/BackgroundRun.h"
#include "filters/GraphicFilterTable.h"
#include "filters/uFRMFilterCommands.h"
#include "filters/uFRMFilterConfig.h"
#include "filters/uFRMFilterDialogs.h"
#include "formats/DibFile.h"
#include "raster/DibGraphics.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

using namespace kolvar;

namespace {

double StatusMegabytes(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

int Write(int side, const QString& path) {
    TDibContainer image(side, side);
    for (int32_t y = 0; y < side; ++y) {
        uint8_t* row = image.ScanLine(y);
        for (int32_t x = 0; x < side; ++x, row += 3) {
            row[0] = uint8_t((x ^ y) & 255);
            row[1] = uint8_t(128 + 127 * std::sin(x * 0.01 + y * 0.02));
            row[2] = uint8_t((x * 7 + y) & 255);
        }
    }
    TDibSaveOptions options;
    options.Quality = 90;
    SaveDibFile(path, image, options);
    return 0;
}

// A document window in a 1280 x 1024 frame, which bounds its size as the main window's does.
struct TFrame {
    QMdiArea Area;
    TfrmDesigner* Doc = new TfrmDesigner(nullptr);
    TFrame() {
        Area.resize(1280, 1024);
        Area.addSubWindow(Doc);
        Area.show();
        Doc->parentWidget()->resize(1280, 1024);
        QApplication::processEvents();
    }
};

int Open(const QString& path) {
    const double before = StatusMegabytes("VmRSS:");
    TFrame frame;
    TfrmDesigner& doc = *frame.Doc;
    const double base = StatusMegabytes("VmHWM:");
    // The processor time too: on a busy machine the wall clock says more about the neighbours.
    const std::clock_t cpuStart = std::clock();
    const double seconds = bench::Seconds(1, [&](int) {
        doc.OpenImageFile(path);
        doc.Designer().repaint();
    });
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    QApplication::processEvents();
    const double peak = StatusMegabytes("VmHWM:");
    const double settled = StatusMegabytes("VmRSS:");
    const TDibContainer& image = doc.Image();
    std::printf("%s, %d x %d (%.0f MB as a document)\n", qPrintable(QFileInfo(path).fileName()),
                image.Width(), image.Height(), double(image.ByteSize()) / (1 << 20));
    std::printf("open to first paint:          %8.1f ms (processor time %.1f ms)\n", seconds * 1000,
                cpuSeconds * 1000);
    std::printf("memory before the document:   %8.0f MB (peak %0.f MB)\n", before, base);
    std::printf("peak memory while opening:    %8.0f MB\n", peak);
    std::printf("memory once settled:          %8.0f MB\n", settled);
    std::printf("peak / settled:               %8.3f\n", peak / settled);
    doc.SetModified(false);
    return 0;
}

// Runs the event loop, with work started by start() on the first turn, until done() holds;
// returns the longest gap between heartbeats in ms.
double LongestStall(const std::function<void()>& start, const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0;
    QTimer beat;
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    beat.start();
    if (start) QTimer::singleShot(0, start);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    // The last turn may have been the long one.
    worst = std::max(worst, clock.elapsed() - last);
    return double(worst);
}

// Times work started on the event loop's first turn, until done holds when given.
void Step(const char* what, const std::function<void()>& work,
          const std::function<bool()>& done = {}) {
    bool finished = false;
    QElapsedTimer clock;
    clock.start();
    const double stall = LongestStall(
        [&] {
            work();
            QCoreApplication::processEvents();
            finished = true;
        },
        [&] { return finished && (!done || done()); });
    std::printf("%-28s %8lld ms, longest stall %6.0f ms, peak memory %5.0f MB\n", what,
                clock.elapsed(), stall, StatusMegabytes("VmHWM:"));
}

double RepaintMs(TfrmDesigner& doc) {
    return bench::Seconds(10, [&](int) { doc.Designer().repaint(); }) / 10 * 1000;
}

int Use(const QString& path) {
    TFrame frame;
    TfrmDesigner& doc = *frame.Doc;

    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<TPictureReadJob> job;
    int lastPercent = -1, reports = 0;
    const double readStall = LongestStall([&] { job = std::make_unique<TPictureReadJob>(path); },
                                          [&] {
                                              if (!job) return false;
                                              if (job->Percent() != lastPercent)
                                                  lastPercent = job->Percent(), ++reports;
                                              return job->Finished();
                                          });
    std::printf("read off the UI thread        %8lld ms, longest stall %6.0f ms, %d progress "
                "figures seen\n",
                clock.elapsed(), readStall, reports);
    Step("show the document", [&] {
        doc.TakePicture(path, job->TakePicture());
        doc.Designer().repaint();
    });
    const TDibContainer& image = doc.Image();
    std::printf("%d x %d, %.0f MB as a document, view %d x %d\n", image.Width(), image.Height(),
                double(image.ByteSize()) / (1 << 20), doc.Designer().width(),
                doc.Designer().height());
    std::printf("repaint at zoom 1:            %8.2f ms\n", RepaintMs(doc));

    const QSize view = doc.Designer().size();
    const double whole =
        std::min(double(view.width()) / image.Width(), double(view.height()) / image.Height());
    Step("zoom out to the whole", [&] {
        doc.ViewProjector().SetScale({whole, whole});
        doc.ViewChanged();
        doc.Designer().repaint();
    });
    std::printf("repaint at zoom %.4f:       %8.2f ms\n", whole, RepaintMs(doc));
    Step("zoom in to 1", [&] { doc.ActualSize(), doc.Designer().repaint(); });
    Step("scroll to the far corner", [&] {
        doc.ScrollHrz()->setValue(doc.ScrollHrz()->maximum());
        doc.ScrollVrt()->setValue(doc.ScrollVrt()->maximum());
        doc.Designer().repaint();
    });
    Step("zoom in to 4", [&] {
        doc.ViewProjector().SetScale({4, 4});
        doc.ViewChanged();
        doc.Designer().repaint();
    });
    std::printf("repaint at zoom 4:            %8.2f ms\n", RepaintMs(doc));
    Step("Negative",
         [&] { ApplyFilterDirectCommand(*FindFilter(QStringLiteral("Negative")), doc); });
    Step("Undo", [&] { doc.RestoreUndo(), doc.Designer().repaint(); });
    const QString saved = path + QStringLiteral(".saved.bmp");
    // Blur through its dialog over the whole picture, where the preview has the most to show:
    // the live preview, then Ok.
    Step("zoom out to the whole again", [&] {
        doc.ViewProjector().SetScale({whole, whole});
        doc.ViewChanged();
        doc.Designer().repaint();
    });
    std::unique_ptr<TfrmFilterConfig> blur =
        CreateFilterDialog(*FindFilter(QStringLiteral("Blur")), doc, nullptr);
    blur->EnsureCreated();
    blur->SetupFilter();
    Step(
        "Blur: the preview", [&] { blur->RunPreview(); }, [&] { return blur->PreviewCurrent(); });
    Step("Blur: Ok", [&] { blur->findChild<QAbstractButton*>(QStringLiteral("sbOK"))->click(); });
    blur.reset();
    Step("Undo", [&] { doc.RestoreUndo(), doc.Designer().repaint(); });
    // What Save writes, the way Save runs it, without its file dialog.
    Step("Save", [&] {
        RunKeepingWindowsLive([&](const TWorkReport&) { SaveDibBmp24(saved, doc.Image()); });
    });
    QFile::remove(saved);
    std::printf("peak memory:                  %8.0f MB (picture + undo copy: %.0f MB)\n",
                StatusMegabytes("VmHWM:"), 2 * double(image.ByteSize()) / (1 << 20));
    doc.SetModified(false);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitializeDibGraphics();
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == u"write") return Write(args[1].toInt(), args[2]);
    if (args.size() == 2 && args[0] == u"open") return Open(args[1]);
    if (args.size() == 2 && args[0] == u"use") return Use(args[1]);
    std::fprintf(stderr, "usage: bench_bigpicture write SIDE FILE | open FILE | use FILE\n");
    return 2;
}
