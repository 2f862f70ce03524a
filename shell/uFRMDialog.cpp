#include "shell/uFRMDialog.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace kolvar {

namespace {

QToolButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setAutoRaise(true);
    b->setFixedSize(TfrmDialog::kButtonWidth, TfrmDialog::kButtonHeight);
    return b;
}

} // namespace

TfrmDialog::TfrmDialog(QWidget* parent) : TfrmKolvarWnd(parent, Qt::Dialog) {
    setWindowTitle(QStringLiteral("frmDialog"));
    setFont(QFont(QStringLiteral("Arial"), 8));
    SetRollUp(false);
    SetGripLines(true);

    auto* body = new QWidget(Frame());
    bvBottomLine_ = new QFrame(Frame());
    bvBottomLine_->setObjectName(QStringLiteral("bvBottomLine"));
    bvBottomLine_->setFrameShape(QFrame::HLine);
    bvBottomLine_->setFrameShadow(QFrame::Sunken);
    sbOK_ = makeButton(Frame(), "sbOK", QStringLiteral("Ok"));
    sbCancel_ = makeButton(Frame(), "sbCancel", QStringLiteral("Cancel"));

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 4, 4, 4);
    buttons->addStretch(1);
    buttons->addWidget(sbOK_);
    buttons->addWidget(sbCancel_);
    auto* column = new QVBoxLayout(Frame());
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(body, 1);
    column->addWidget(bvBottomLine_);
    column->addLayout(buttons);
    SetClient(body);

    connect(sbOK_, &QToolButton::clicked, this, [this] { sbOKClick(); });
    connect(sbCancel_, &QToolButton::clicked, this, [this] { sbCancelClick(); });
}

void TfrmDialog::sbOKClick() {
    SetModalResult(mrOk);
    close();
}

void TfrmDialog::sbCancelClick() {
    SetModalResult(mrCancel);
    close();
}

void TfrmDialog::showEvent(QShowEvent* e) {
    TfrmKolvarWnd::showEvent(e);
    if (placed_) return;
    placed_ = true;
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) move(screen->availableGeometry().center() - rect().center());
}

void TfrmDialog::keyPressEvent(QKeyEvent* e) {
    // With no caption buttons of its own, Escape is the keyboard's way to cancel.
    if (e->key() == Qt::Key_Escape && sbCancel_->isVisible() && sbCancel_->isEnabled()) {
        sbCancel_->click();
        return;
    }
    // Enter confirms, as in any desktop dialog (a control that uses Enter itself keeps it).
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && sbOK_->isVisible() &&
        sbOK_->isEnabled()) {
        sbOK_->click();
        return;
    }
    TfrmKolvarWnd::keyPressEvent(e);
}

} // namespace kolvar
