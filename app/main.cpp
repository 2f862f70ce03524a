#include "app/uFRMMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kolvar"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kolvar"));
    kolvar::TfrmMain main;
    main.ShowCentredMaximised();
    return app.exec();
}
