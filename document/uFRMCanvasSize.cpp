#include "document/uFRMCanvasSize.h"

#include "document/uFRMResizeImage.h"
#include "document/uFRMSizeControls.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uLanguagesSuport.h"

#include <QGridLayout>

#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>

namespace kolvar {

TfrmCanvasSize::TfrmCanvasSize(QWidget* Parent) : TfrmDialog(Parent) {
    setObjectName(QStringLiteral("frmCanvasSize"));
    setWindowTitle(QStringLiteral("Canvas Size"));
    SetHelpContext(HelpContextNumber);
    QWidget* c = Client();
    FWidth = SizeEdit(c, "seWidth", 1, TfrmResizeImage::MaxSide);
    FHeight = SizeEdit(c, "seHeight", 1, TfrmResizeImage::MaxSide);
    auto* anchorBox = new QGroupBox(QStringLiteral(" Anchor "), c);
    anchorBox->setObjectName(QStringLiteral("gbAnchor"));
    auto* anchors = new QGridLayout(anchorBox);
    anchors->setSpacing(1);
    anchors->setSizeConstraint(QLayout::SetFixedSize);
    for (int32_t i = 0; i < 9; ++i) {
        auto* b = new QToolButton(anchorBox);
        b->setObjectName(QStringLiteral("sbAnchor") + QString::number(i));
        b->setCheckable(true);
        b->setFixedSize(22, 22);
        connect(b, &QToolButton::clicked, this, [this, i] { SetAnchor(i); });
        anchors->addWidget(b, i / 3, i % 3);
        FAnchors[size_t(i)] = b;
    }

    auto* grid = new QGridLayout(c);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->addWidget(SizeLabel(c, "lblWidth", QStringLiteral("Width")), 0, 0);
    grid->addWidget(FWidth, 0, 1);
    grid->addWidget(SizeLabel(c, "lblPixelsW", QStringLiteral("pixels")), 0, 2);
    grid->addWidget(SizeLabel(c, "lblHeight", QStringLiteral("Height")), 1, 0);
    grid->addWidget(FHeight, 1, 1);
    grid->addWidget(SizeLabel(c, "lblPixelsH", QStringLiteral("pixels")), 1, 2);
    grid->addWidget(anchorBox, 2, 0, 1, 3, Qt::AlignHCenter);
    SetClientSize(240, 215);
    setTabOrder(FWidth, FHeight);
    setTabOrder(FHeight, FAnchors[0]);
    for (size_t i = 1; i < FAnchors.size(); ++i) setTabOrder(FAnchors[i - 1], FAnchors[i]);
    SetAnchor(caCenter);
}

void TfrmCanvasSize::SetOriginal(int32_t Width, int32_t Height) {
    FWidth->setValue(Width);
    FHeight->setValue(Height);
}

void TfrmCanvasSize::SetAnchor(int32_t Anchor) {
    FAnchor = std::clamp(Anchor, 0, 8);
    for (int32_t i = 0; i < 9; ++i) {
        FAnchors[size_t(i)]->setChecked(i == FAnchor);
        // The picture's place is marked.
        FAnchors[size_t(i)]->setText(i == FAnchor ? QStringLiteral("\u25A0") : QString());
    }
}

void TfrmCanvasSize::showEvent(QShowEvent* Event) {
    TfrmDialog::showEvent(Event);
    FWidth->setFocus();
    FWidth->selectAll();
}

void TfrmCanvasSize::sbOKClick() {
    if (!PictureSizeAccepted(this, "frmCanvasSize_TooLarge", FWidth->value(), FHeight->value()))
        return;
    FAccepted = true;
    TfrmDialog::sbOKClick();
}

bool ShowCanvasSizeDialog(QWidget* Parent, int32_t Width, int32_t Height, int32_t& NewWidth,
                          int32_t& NewHeight, int32_t& Anchor) {
    TfrmCanvasSize dialog(Parent);
    dialog.EnsureCreated();
    dialog.SetOriginal(Width, Height);
    UserDialogs().Run(dialog);
    if (!dialog.Accepted()) return false;
    NewWidth = dialog.seWidth()->value();
    NewHeight = dialog.seHeight()->value();
    Anchor = dialog.Anchor();
    return true;
}

} // namespace kolvar
