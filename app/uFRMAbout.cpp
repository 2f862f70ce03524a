#include "app/uFRMAbout.h"
#include "shell/uLanguagesSuport.h"

#include "app/KolvarIconArt.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uFRMHelp.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QUrl>

#ifndef KOLVAR_VERSION
#error "KOLVAR_VERSION comes from the build: the project's version"
#endif

namespace kolvar {

namespace {

constexpr int kLogoSize = 64;

// The English terms; the language text replaces them (component mmTerms).
const char* const kTerms = "Kolvar is free to use, to copy and to give away.\n"
                           "It comes without a warranty of any kind.\n"
                           "You use it at your own risk.";

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

QString KolvarTitle() {
    return QStringLiteral("Kolvar %1").arg(QStringLiteral(KOLVAR_VERSION));
}

QIcon KolvarIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(RenderKolvarIcon(size)));
    return icon;
}

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Link));
    setPalette(pal);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(e);
}

void TLinkLabel::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(e);
}

TfrmAbout::TfrmAbout(QWidget* parent) : TfrmDialog(parent) {
    setWindowTitle(QStringLiteral("About Kolvar"));
    SetHelpContext(hc::About);
    SetClientSize(kWidth, kHeight);
    sbCancel()->hide();

    imgLogo_ = label(Client(), "imgLogo", {});
    imgLogo_->setPixmap(QPixmap::fromImage(RenderKolvarIcon(kLogoSize)));
    imgLogo_->setFixedSize(kLogoSize, kLogoSize);
    lblTitle_ = label(Client(), "lblTitle", KolvarTitle());
    QFont big = lblTitle_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle_->setFont(big);
    lblTitle_->setWordWrap(true);

    mmTerms_ = new QPlainTextEdit(Client());
    mmTerms_->setObjectName(QStringLiteral("mmTerms"));
    mmTerms_->setReadOnly(true);
    mmTerms_->setPlainText(QString::fromLatin1(kTerms));

    // A colon cannot stand in a language text entry, so the label comes from the messages.
    lblMoreInfo_ =
        label(Client(), "lblMoreInfo", LanguageMessage(QStringLiteral("More information:")));
    lblLink_ = new TLinkLabel(Client());
    lblLink_->setObjectName(QStringLiteral("lblLink"));
    lblLink_->setText(QUrl(QString::fromLatin1(kKolvarWebPage)).host());
    lblLink_->setToolTip(QString::fromLatin1(kKolvarWebPage));

    auto* grid = new QGridLayout(Client());
    grid->setContentsMargins(10, 10, 10, 6);
    grid->setHorizontalSpacing(12);
    grid->addWidget(imgLogo_, 0, 0);
    grid->addWidget(lblTitle_, 0, 1, 1, 2);
    grid->addWidget(mmTerms_, 1, 0, 1, 3);
    grid->addWidget(lblMoreInfo_, 2, 0, 1, 2);
    grid->addWidget(lblLink_, 2, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);

    connect(lblLink_, &TLinkLabel::clicked, this, [this] { lblLinkClick(); });
}

void TfrmAbout::lblLinkClick() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kKolvarWebPage)));
}

void ShowAboutDialog(QWidget* Parent) {
    TfrmAbout dialog(Parent);
    UserDialogs().Run(dialog);
}

} // namespace kolvar
