#include "app/uFRMPrint.h"
#include "shell/uLanguagesSuport.h"

#include "raster/DibContainer.h"
#include "shell/UserDialogsWidget.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTemporaryFile>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kolvar {

namespace {

constexpr int kLargestEdit = 9999;
// The longest side of the preview's page, in screen pixels.
constexpr int kPreviewSide = 480;

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    return named(new QLabel(text, parent), name);
}

QSpinBox* spin(QWidget* parent, const char* name, int low, int high, int value) {
    auto* s = named(new QSpinBox(parent), name);
    s->setRange(low, high);
    s->setValue(value);
    return s;
}

QToolButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = named(new QToolButton(parent), name);
    b->setText(text);
    b->setAutoRaise(true);
    b->setFixedSize(TfrmDialog::kButtonWidth, TfrmDialog::kButtonHeight);
    return b;
}

int percentOf(int percent, int side) {
    return int(std::nearbyint(double(percent) * side / 100.0));
}

} // namespace

TfrmPrint::TfrmPrint(const QImage& Picture, QWidget* Parent)
    : TfrmDialog(Parent), FPicture(Picture.convertToFormat(QImage::Format_RGB32)),
      FPrinter(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    if (QPrinterInfo::availablePrinters().isEmpty()) ConfigurePdf();
    setObjectName(QStringLiteral("frmPrint"));
    SetHelpContext(HelpContextNumber);
    setWindowTitle(QStringLiteral("Print Dialog"));
    sbOK()->setText(QStringLiteral("Print"));
    QWidget* c = Client();
    auto* row = new QHBoxLayout(c);
    row->setContentsMargins(6, 6, 6, 6);
    row->addWidget(BuildSettings(c));
    row->addWidget(BuildSketch(c), 1);
    c->setFixedWidth(372);
}

TfrmPrint::~TfrmPrint() = default;

QWidget* TfrmPrint::BuildSettings(QWidget* Parent) {
    auto* w = new QWidget(Parent);
    FPrinterName = named(new QLabel(w), "lblPrinter");
    FSetup = button(w, "sbSetup", QStringLiteral("Setup"));
    FSetup->setToolTip(QStringLiteral("Printer setup"));
    FCopies = spin(w, "seCopias", 1, 99, 1);
    FTop = spin(w, "seTop", 0, kLargestEdit, 0);
    FLeft = spin(w, "seLeft", 0, kLargestEdit, 0);
    FCenter = button(w, "sbCenter", QStringLiteral("Center"));
    // A picture or page larger than the edits' usual range widens it rather than being cut.
    FHeight = spin(w, "seHeight", 1, std::max(kLargestEdit, FPicture.height()), FPicture.height());
    FWidth = spin(w, "seWidth", 1, std::max(kLargestEdit, FPicture.width()), FPicture.width());
    FHeightPercent = spin(w, "seHeightPercentual", 1, 1000, 100);
    FWidthPercent = spin(w, "seWidthPercentual", 1, 1000, 100);
    FProportions =
        named(new QCheckBox(QStringLiteral("Constrain proportions"), w), "chkProportions");
    FProportions->setChecked(true);
    FAdjust = named(new QCheckBox(QStringLiteral("Adjust to the page"), w), "chkAjust");
    FPageH = label(w, "lblPageSizeH", QStringLiteral("..."));
    FPageW = label(w, "lblPageSizeW", QStringLiteral("..."));

    auto* g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    g->setVerticalSpacing(3);
    g->addWidget(label(w, "lblPrinterName", QStringLiteral("Printer")), 0, 0);
    g->addWidget(FPrinterName, 0, 1, 1, 3);
    g->addWidget(label(w, "lblCopies", QStringLiteral("Copies")), 1, 0);
    g->addWidget(FCopies, 1, 1);
    g->addWidget(FSetup, 1, 3);
    g->addWidget(label(w, "lblPosition", QStringLiteral("  Position  ")), 2, 0, 1, 4);
    g->addWidget(label(w, "lblTop", QStringLiteral("Top")), 3, 0);
    g->addWidget(FTop, 3, 1);
    g->addWidget(new QLabel(QStringLiteral("px"), w), 3, 2);
    g->addWidget(FCenter, 3, 3);
    g->addWidget(label(w, "lblLeft", QStringLiteral("Left")), 4, 0);
    g->addWidget(FLeft, 4, 1);
    g->addWidget(new QLabel(QStringLiteral("px"), w), 4, 2);
    g->addWidget(label(w, "lblSize", QStringLiteral("  Size  ")), 5, 0, 1, 4);
    g->addWidget(label(w, "lblHeight", QStringLiteral("Height")), 6, 0);
    g->addWidget(FHeight, 6, 1);
    g->addWidget(new QLabel(QStringLiteral("px"), w), 6, 2);
    g->addWidget(FHeightPercent, 6, 3);
    g->addWidget(new QLabel(QStringLiteral("%"), w), 6, 4);
    g->addWidget(label(w, "lblWidth", QStringLiteral("Width")), 7, 0);
    g->addWidget(FWidth, 7, 1);
    g->addWidget(new QLabel(QStringLiteral("px"), w), 7, 2);
    g->addWidget(FWidthPercent, 7, 3);
    g->addWidget(new QLabel(QStringLiteral("%"), w), 7, 4);
    g->addWidget(FProportions, 8, 0, 1, 5);
    g->addWidget(FAdjust, 9, 0, 1, 5);
    g->addWidget(label(w, "lblPageSize", QStringLiteral("  Page ")), 10, 0, 1, 4);
    g->addWidget(label(w, "lblHeightSize", QStringLiteral("Height")), 11, 0);
    g->addWidget(FPageH, 11, 1);
    g->addWidget(label(w, "lblWidthSize", QStringLiteral("Width")), 12, 0);
    g->addWidget(FPageW, 12, 1);
    g->setRowStretch(13, 1);

    connect(FSetup, &QToolButton::clicked, this, [this] { sbSetupClick(); });
    connect(FCenter, &QToolButton::clicked, this, [this] { sbCenterClick(); });
    connect(FAdjust, &QCheckBox::clicked, this, [this] { chkAjustClick(); });
    connect(FHeightPercent, &QSpinBox::valueChanged, this, [this] { seHeightPercentualChange(); });
    connect(FWidthPercent, &QSpinBox::valueChanged, this, [this] { seWidthPercentualChange(); });
    for (QSpinBox* s : {FTop, FLeft})
        connect(s, &QSpinBox::valueChanged, this, [this] { PositionChange(); });
    for (QSpinBox* s : {FHeight, FWidth})
        connect(s, &QSpinBox::valueChanged, this, [this] { SizeChange(); });
    return w;
}

QWidget* TfrmPrint::BuildSketch(QWidget* Parent) {
    auto* w = new QWidget(Parent);
    FPaper = named(new QFrame(w), "pnlPaper");
    FPaper->setFrameShape(QFrame::Box);
    FPaper->setAutoFillBackground(true);
    QPalette white = FPaper->palette();
    white.setColor(QPalette::Window, Qt::white);
    FPaper->setPalette(white);
    FImage = named(new QFrame(FPaper), "shImage");
    FImage->setAutoFillBackground(true);
    QPalette silver = FImage->palette();
    silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    FImage->setPalette(silver);
    FPreview = button(w, "sbPreview", QStringLiteral("Preview"));
    FPreview->setToolTip(QStringLiteral("Print preview"));
    connect(FPreview, &QToolButton::clicked, this, [this] { sbPreviewClick(); });

    auto* column = new QVBoxLayout(w);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(FPaper, 0, Qt::AlignHCenter);
    column->addStretch(1);
    column->addWidget(FPreview, 0, Qt::AlignRight);
    return w;
}

void TfrmPrint::FormCreate() {
    TfrmDialog::FormCreate();
    RefreshPrinter();
}

void TfrmPrint::ConfigurePdf() {
    // A PDF page has no unprintable border, so the page is the whole sheet.
    FPrinter->setOutputFormat(QPrinter::PdfFormat);
    FPrinter->setResolution(PdfResolution);
    FPrinter->setFullPage(true);
    FPrinter->setPageMargins(QMarginsF(0, 0, 0, 0));
}

void TfrmPrint::UsePdfOutput() {
    ConfigurePdf();
    RefreshPrinter();
}

bool TfrmPrint::PrintsToPdf() const {
    return FPrinter->outputFormat() == QPrinter::PdfFormat;
}

QSize TfrmPrint::PageSize() const {
    return FPrinter->pageLayout().paintRectPixels(FPrinter->resolution()).size();
}

// The sketch follows too, since the page may have changed under it.
void TfrmPrint::RefreshPrinter() {
    FPrinterName->setText(PrintsToPdf() ? LanguageMessage(QStringLiteral("PDF file"))
                                        : FPrinter->printerName());
    const QSize page = PageSize();
    FTop->setMaximum(std::max(kLargestEdit, page.height()));
    FHeight->setMaximum(std::max({kLargestEdit, page.height(), FPicture.height()}));
    FLeft->setMaximum(std::max(kLargestEdit, page.width()));
    FWidth->setMaximum(std::max({kLargestEdit, page.width(), FPicture.width()}));
    FPaper->setFixedSize(page.width() / SketchScale, page.height() / SketchScale);
    FPageH->setNum(page.height());
    FPageW->setNum(page.width());
    PositionChange();
    SizeChange();
}

void TfrmPrint::PositionChange() {
    FImage->move(FLeft->value() / SketchScale, FTop->value() / SketchScale);
}

void TfrmPrint::SizeChange() {
    FImage->resize(FWidth->value() / SketchScale, FHeight->value() / SketchScale);
}

void TfrmPrint::ApplyPercent(QSpinBox* Changed, QSpinBox* Mirror, QSpinBox* Size,
                             QSpinBox* OtherSize, int Side, int OtherSide) {
    const int p = Changed->value();
    Size->setValue(percentOf(p, Side));
    if (!FProportions->isChecked()) return;
    const QSignalBlocker quiet(Mirror);
    Mirror->setValue(p);
    OtherSize->setValue(percentOf(p, OtherSide));
}

void TfrmPrint::seHeightPercentualChange() {
    ApplyPercent(FHeightPercent, FWidthPercent, FHeight, FWidth, FPicture.height(),
                 FPicture.width());
}

void TfrmPrint::seWidthPercentualChange() {
    ApplyPercent(FWidthPercent, FHeightPercent, FWidth, FHeight, FPicture.width(),
                 FPicture.height());
}

void TfrmPrint::chkAjustClick() {
    const QSize page = PageSize();
    FWidth->setValue(page.width());
    FHeight->setValue(page.height());
    FTop->setValue(0);
    FLeft->setValue(0);
}

void TfrmPrint::sbCenterClick() {
    // Centres the picture at its own size, whatever print size is chosen.
    const QSize page = PageSize();
    FTop->setValue((page.height() - FPicture.height()) / 2);
    FLeft->setValue((page.width() - FPicture.width()) / 2);
}

void TfrmPrint::sbSetupClick() {
    if (!UserDialogs().SetupPrinter(this, *FPrinter)) return;
    // Copies are made page by page here; the printer repeating each one would multiply them.
    if (FPrinter->copyCount() > 1) FCopies->setValue(FPrinter->copyCount());
    FPrinter->setCopyCount(1);
    RefreshPrinter();
}

QRect TfrmPrint::PrintRect() const {
    return QRect(FLeft->value(), FTop->value(), FWidth->value(), FHeight->value());
}

void TfrmPrint::PaintPicture(QPainter& Painter) const {
    Painter.drawImage(PrintRect(), FPicture);
}

bool TfrmPrint::PrintTo(QPrinter& Printer) const {
    QPainter painter;
    if (!painter.begin(&Printer)) return false;
    for (int copy = 0; copy < FCopies->value(); ++copy) {
        if (copy > 0 && !Printer.newPage()) return false;
        PaintPicture(painter);
    }
    return painter.end();
}

QString TfrmPrint::PdfFileName() {
    if (!FPrinter->outputFileName().isEmpty()) return FPrinter->outputFileName();
    TFileDialogRequest request;
    request.Caption = QStringLiteral("Print to PDF File");
    request.Directory = QDir::homePath();
    request.Filter = QStringLiteral("PDF Files (*.pdf)");
    request.DefaultSuffix = QStringLiteral("pdf");
    return UserDialogs().SaveFileName(this, request);
}

// The PDF is made under a temporary name beside the chosen one and renamed when complete, so a
// failed job never leaves half a file under that name.
bool TfrmPrint::PrintToPdf(const QString& Target) {
    QTemporaryFile temp(QFileInfo(Target).absolutePath() + QStringLiteral("/.kolvar-print-XXXXXX"));
    if (!temp.open()) return false;
    temp.close();
    temp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    FPrinter->setOutputFileName(temp.fileName());
    const bool printed = PrintTo(*FPrinter);
    FPrinter->setOutputFileName(Target);
    return printed && std::rename(QFile::encodeName(temp.fileName()).constData(),
                                  QFile::encodeName(Target).constData()) == 0;
}

bool TfrmPrint::PrintPicture() {
    bool printed = false;
    if (PrintsToPdf()) {
        const QString target = PdfFileName();
        if (target.isEmpty()) return false;
        printed = PrintToPdf(target);
    } else {
        printed = PrintTo(*FPrinter);
    }
    if (!printed)
        UserDialogs().Message(
            this, LanguageMessage(QStringLiteral("Print Error")),
            LanguageMessage(QStringLiteral("Could not print to %1.")).arg(FPrinterName->text()),
            TMessageIcon::Error);
    return printed;
}

void TfrmPrint::sbOKClick() {
    if (PrintPicture()) TfrmDialog::sbOKClick();
}

QImage TfrmPrint::RenderPage(double Scale) const {
    const QSize page = PageSize();
    QImage out(std::max(1, int(page.width() * Scale)), std::max(1, int(page.height() * Scale)),
               QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(Scale, Scale);
    PaintPicture(painter);
    return out;
}

void TfrmPrint::sbPreviewClick() {
    const QSize page = PageSize();
    const double scale = double(kPreviewSide) / std::max({page.width(), page.height(), 1});
    TfrmPrintPreview preview(RenderPage(std::min(1.0, scale)), FCopies->value(), this);
    if (UserDialogs().Run(preview) == mrOk) sbOKClick();
}

TfrmPrintPreview::TfrmPrintPreview(const QImage& Page, int Copies, QWidget* Parent)
    : TfrmDialog(Parent) {
    setObjectName(QStringLiteral("frmPrintPreview"));
    setWindowTitle(QStringLiteral("Print Preview"));
    SetHelpContext(TfrmPrint::HelpContextNumber); // the print page covers the preview
    sbOK()->setText(QStringLiteral("Print"));
    sbCancel()->setText(QStringLiteral("Close"));
    auto* page = named(new QLabel(Client()), "imgPage");
    page->setPixmap(QPixmap::fromImage(Page));
    page->setFrameShape(QFrame::Box);
    auto* copies = named(new QLabel(Client()), "lblPages");
    copies->setText(Copies == 1
                        ? LanguageMessage(QStringLiteral("1 page"))
                        : LanguageMessage(QStringLiteral("%1 identical pages")).arg(Copies));
    auto* column = new QVBoxLayout(Client());
    column->addWidget(page, 0, Qt::AlignHCenter);
    column->addWidget(copies, 0, Qt::AlignHCenter);
}

void ShowPrintDialog(QWidget* Parent, const TDibContainer& Image) {
    TfrmPrint dialog(Image.ToImage(), Parent);
    dialog.EnsureCreated();
    UserDialogs().Run(dialog);
}

} // namespace kolvar
