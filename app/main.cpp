#include "app/ErrorGuardWidget.h"
#include "app/uFRMAbout.h"
#include "app/uFRMMain.h"

#include "raster/DibContainer.h"
#include "raster/DibGraphics.h"
#include "shell/UserDialogsWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <cstdlib>
#include <stdexcept>

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

constexpr const char* kUsage =
    "Usage: kolvar [FILE]...\n"
    "       kolvar --help | --version\n"
    "\n"
    "Kolvar is a raster image editor. Each FILE opens as a document: BMP, JPEG, GIF, PCX,\n"
    "PNG, EMF or WMF pictures, recognised by their first bytes when the extension is wrong.\n"
    "\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "Qt's own options (for example -platform or -style) are accepted too.\n"
    "\n"
    "Environment:\n"
    "  KOLVAR_HOME       folder for kolvar.ini and the .psl and .ptl libraries, instead of\n"
    "                    the program's folder\n"
    "  XDG_CONFIG_HOME   kolvar.ini goes to $XDG_CONFIG_HOME/kolvar (default ~/.config/kolvar)\n"
    "                    when the program's folder is not writable\n"
    "\n"
    "Batch filtering: kolvar-filter --help.\n";

// --help and --version answer on standard output before anything needs a display. Returns
// -1 when the program should start its window.
int answerInformationOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kolvar %s\n", KOLVAR_VERSION);
            return 0;
        }
    }
    return -1;
}

// Lets a walk-through on the real program check that no error ends it: KOLVAR_INJECT_FAULT
// names the faults to inject, comma-separated. "alloc": picture memory above 256 MB is
// refused; "dialog": opening a modal dialog raises an error; "timer": a timer raises one two
// seconds after start.
class TFaultyDialogs : public kolvar::TQtUserDialogs {
public:
    int Run(kolvar::TfrmKolvarWnd&) override {
        throw std::runtime_error("Injected fault: the dialog could not be shown.");
    }
};

void* refuseLargeAllocations(size_t bytes) {
    return bytes > (size_t(256) << 20) ? nullptr : std::calloc(bytes, 1);
}

void InjectFaults(kolvar::TfrmKolvar& main) {
    const QStringList faults =
        qEnvironmentVariable("KOLVAR_INJECT_FAULT").split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (faults.contains(QLatin1String("alloc"))) kolvar::SetDibAllocator(refuseLargeAllocations);
    if (faults.contains(QLatin1String("dialog"))) {
        static TFaultyDialogs faulty;
        kolvar::SetUserDialogs(&faulty);
    }
    if (faults.contains(QLatin1String("timer")))
        QTimer::singleShot(2000, &main,
                           [] { throw std::runtime_error("Injected fault: a timer failed."); });
}

} // namespace

int main(int argc, char** argv) {
    if (const int answered = answerInformationOptions(argc, argv); answered >= 0) return answered;
    kolvar::TKolvarApplication app(argc, argv);
    kolvar::InitializeDibGraphics();
    // The lower-case name makes the X11 window class "kolvar", the desktop entry's StartupWMClass.
    QApplication::setApplicationName(QStringLiteral("kolvar"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.kolvar.Kolvar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kolvar"));
    QApplication::setWindowIcon(kolvar::KolvarIcon());
    try {
        kolvar::TfrmKolvar main;
        main.ShowCentredMaximised();
        const QStringList args = QApplication::arguments().mid(1);
        // Documents size themselves to the frame, which has its maximised size only once the
        // window manager has placed it.
        QElapsedTimer waited;
        waited.start();
        const int screenHeight = main.screen()->availableGeometry().height();
        while (!args.isEmpty() && waited.elapsed() < 1000 && main.height() < screenHeight * 4 / 5)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        main.StartRecovery();
        // Every file named on the command line opens as a document, as a desktop launcher
        // passes them.
        for (const QString& arg : args)
            if (!arg.startsWith(QLatin1Char('-')))
                kolvar::Guarded(&main, [&] {
                    main.OpenDocumentInBackground(QFileInfo(arg).absoluteFilePath());
                });
        InjectFaults(main);
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Kolvar"), QString::fromUtf8(e.what()));
        return 1;
    }
}
