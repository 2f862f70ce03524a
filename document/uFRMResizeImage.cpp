#include "document/uFRMResizeImage.h"

#include "document/uFRMSizeControls.h"
#include "formats/DecodeBudget.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uLanguagesSuport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace kolvar {

namespace {

int32_t roundTo(double v) {
    return int32_t(std::nearbyint(v));
}

} // namespace

bool PictureSizeAllowed(int32_t Width, int32_t Height) {
    constexpr int32_t max = TfrmResizeImage::MaxSide;
    return Width >= 1 && Height >= 1 && Width <= max && Height <= max &&
           int64_t(Width) * Height <= PicturePixelLimit();
}

TfrmResizeImage::TfrmResizeImage(QWidget* Parent) : TfrmDialog(Parent) {
    setObjectName(QStringLiteral("frmResizeImage"));
    setWindowTitle(QStringLiteral("Resize Image"));
    SetHelpContext(HelpContextNumber);
    QWidget* c = Client();
    FWidth = SizeEdit(c, "seWidth", 1, TfrmResizeImage::MaxSide);
    FHeight = SizeEdit(c, "seHeight", 1, TfrmResizeImage::MaxSide);
    FPixels = new QRadioButton(QStringLiteral("Pixels"), c);
    FPixels->setObjectName(QStringLiteral("rbPixels"));
    FPixels->setChecked(true);
    FPercent = new QRadioButton(QStringLiteral("Per cent"), c);
    FPercent->setObjectName(QStringLiteral("rbPercent"));
    FKeep = new QCheckBox(QStringLiteral("Keep proportions"), c);
    FKeep->setObjectName(QStringLiteral("chkKeepProportions"));
    FKeep->setChecked(true);
    FResample = new QComboBox(c);
    FResample->setObjectName(QStringLiteral("cmbResample"));
    FResample->addItems({QStringLiteral("Nearest"), QStringLiteral("Smooth")});
    FResample->setCurrentIndex(1);

    auto* grid = new QGridLayout(c);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->addWidget(FPixels, 0, 0);
    grid->addWidget(FPercent, 0, 1);
    grid->addWidget(SizeLabel(c, "lblWidth", QStringLiteral("Width")), 1, 0);
    grid->addWidget(FWidth, 1, 1);
    grid->addWidget(SizeLabel(c, "lblHeight", QStringLiteral("Height")), 2, 0);
    grid->addWidget(FHeight, 2, 1);
    grid->addWidget(FKeep, 3, 0, 1, 2);
    grid->addWidget(SizeLabel(c, "lblResample", QStringLiteral("Resampling")), 4, 0);
    grid->addWidget(FResample, 4, 1);
    SetClientSize(240, 150);
    setTabOrder(FWidth, FHeight);
    setTabOrder(FHeight, FKeep);
    setTabOrder(FKeep, FResample);
    setTabOrder(FResample, FPixels);
    setTabOrder(FPixels, FPercent);

    connect(FPixels, &QRadioButton::toggled, this, [this] { UnitsChanged(); });
    connect(FWidth, &QSpinBox::valueChanged, this, [this] { WidthChanged(); });
    connect(FHeight, &QSpinBox::valueChanged, this, [this] { HeightChanged(); });
}

void TfrmResizeImage::SetOriginal(int32_t Width, int32_t Height) {
    FOriginalW = std::max(1, Width);
    FOriginalH = std::max(1, Height);
    FSyncing = true;
    FPixels->setChecked(true);
    FPercentShown = false;
    FWidth->setRange(1, MaxSide);
    FHeight->setRange(1, MaxSide);
    FWidth->setValue(FOriginalW);
    FHeight->setValue(FOriginalH);
    FSyncing = false;
}

int32_t TfrmResizeImage::ToPixels(int32_t Value, int32_t Original) const {
    if (!FPercentShown) return Value;
    return std::clamp(roundTo(double(Value) * Original / 100.0), 1, MaxSide);
}

int32_t TfrmResizeImage::NewWidth() const {
    return ToPixels(FWidth->value(), FOriginalW);
}

int32_t TfrmResizeImage::NewHeight() const {
    return ToPixels(FHeight->value(), FOriginalH);
}

TResample TfrmResizeImage::Resample() const {
    return FResample->currentIndex() == 0 ? TResample::Nearest : TResample::Smooth;
}

void TfrmResizeImage::UnitsChanged() {
    const bool percent = FPercent->isChecked();
    if (percent == FPercentShown) return;
    const int32_t w = NewWidth(), h = NewHeight();
    FPercentShown = percent;
    FSyncing = true;
    if (percent) {
        // Per cent that keeps each side within the largest picture.
        FWidth->setRange(1, std::max(1, MaxSide * 100 / FOriginalW));
        FHeight->setRange(1, std::max(1, MaxSide * 100 / FOriginalH));
        FWidth->setValue(std::max(1, roundTo(w * 100.0 / FOriginalW)));
        FHeight->setValue(std::max(1, roundTo(h * 100.0 / FOriginalH)));
    } else {
        FWidth->setRange(1, MaxSide);
        FHeight->setRange(1, MaxSide);
        FWidth->setValue(w);
        FHeight->setValue(h);
    }
    FSyncing = false;
}

void TfrmResizeImage::WidthChanged() {
    if (FSyncing || !FKeep->isChecked()) return;
    FSyncing = true;
    if (FPercentShown)
        FHeight->setValue(FWidth->value());
    else
        FHeight->setValue(std::max(1, roundTo(double(FWidth->value()) * FOriginalH / FOriginalW)));
    FSyncing = false;
}

void TfrmResizeImage::HeightChanged() {
    if (FSyncing || !FKeep->isChecked()) return;
    FSyncing = true;
    if (FPercentShown)
        FWidth->setValue(FHeight->value());
    else
        FWidth->setValue(std::max(1, roundTo(double(FHeight->value()) * FOriginalW / FOriginalH)));
    FSyncing = false;
}

void TfrmResizeImage::showEvent(QShowEvent* Event) {
    TfrmDialog::showEvent(Event);
    FWidth->setFocus();
    FWidth->selectAll();
}

void TfrmResizeImage::sbOKClick() {
    if (!PictureSizeAccepted(this, "frmResizeImage_TooLarge", NewWidth(), NewHeight())) return;
    FAccepted = true;
    TfrmDialog::sbOKClick();
}

bool ShowResizeImageDialog(QWidget* Parent, int32_t Width, int32_t Height, int32_t& NewWidth,
                           int32_t& NewHeight, TResample& Mode) {
    TfrmResizeImage dialog(Parent);
    dialog.EnsureCreated();
    dialog.SetOriginal(Width, Height);
    UserDialogs().Run(dialog);
    if (!dialog.Accepted()) return false;
    NewWidth = dialog.NewWidth();
    NewHeight = dialog.NewHeight();
    Mode = dialog.Resample();
    return true;
}

} // namespace kolvar
