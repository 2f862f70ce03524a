#include "app/uFRMMain.h"

#include "raster/DibGraphics.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kolvar::InitializeDibGraphics();
    QApplication::setApplicationName(QStringLiteral("Kolvar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kolvar"));
    try {
        kolvar::TfrmKolvar main;
        main.ShowCentredMaximised();
        return app.exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Kolvar"), QString::fromUtf8(e.what()));
        return 1;
    }
}
