#include "app/uFRMMain.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QScreen>

namespace kolvar {

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), mdiArea_(new QMdiArea(this)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kolvar"));
    mdiArea_->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdiArea_);
    resize(DesignWidth, DesignHeight);
}

void TfrmMain::ShowCentredMaximised() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(DesignWidth / 2, DesignHeight / 2));
    }
    showMaximized();
}

} // namespace kolvar
