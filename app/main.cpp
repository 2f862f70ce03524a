#include "app/uFRMAbout.h"
#include "app/uFRMMain.h"

#include "raster/DibGraphics.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>

#include <exception>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kolvar::InitializeDibGraphics();
    QApplication::setApplicationName(QStringLiteral("Kolvar"));
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
        // Every file named on the command line opens as a document, as a desktop launcher
        // passes them.
        for (const QString& arg : args)
            if (!arg.startsWith(QLatin1Char('-')))
                main.OpenDocumentInBackground(QFileInfo(arg).absoluteFilePath());
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Kolvar"), QString::fromUtf8(e.what()));
        return 1;
    }
}
