#include "app/uFRMTextures.h"
#include "shell/uLanguagesSuport.h"

#include "app/ToolColors.h"
#include "formats/BmpCodec.h"
#include "raster/DibGraphics.h"
#include "raster/Exceptions.h"
#include "resources/uCompactRotines.h"
#include "shell/DrawGridWidget.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uKolvarGeneric.h"
#include "vector/ShapeDef.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QToolButton>

#include <cmath>

namespace kolvar {

namespace {

constexpr int kCellSize = 40;

int rowsFor(int count) {
    return count / TfrmTextures::kColumns + (count % TfrmTextures::kColumns > 0 ? 1 : 0);
}

} // namespace

QImage StandardTexture(int Index) {
    if (Index < 0 || Index >= kStandardTextureCount) return QImage();
    return ReadBmp(CompressedResourceBytes(QStringLiteral("TEXTURE%1").arg(Index + 1)));
}

TfrmTextures::TfrmTextures(QWidget* Parent) : TfrmDialog(Parent) {
    setWindowTitle(QStringLiteral("Select texture"));
    SetHelpContext(HelpContextNumber);
    QWidget* c = Client();
    ComboTextureLib_ = Named(new QComboBox(c), "ComboTextureLib");
    lblTextureLibrary_ =
        Named(new QLabel(QStringLiteral("Texture Library"), c), "lblTextureLibrary");
    GridTexture_ = Named(new TDrawGrid(kColumns, 3, kCellSize, kCellSize), "GridTexture");
    GridTexture_->OnDrawCell = [this](QPainter& p, int col, int row, const QRect& r) {
        GridTextureDrawCell(p, col, row, r);
    };
    GridTexture_->OnClick = [this] { GridTextureClick(); };
    auto* scroll = new QScrollArea(c);
    scroll->setWidget(GridTexture_);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pbTextureSample_ = Named(new TPaintBox(kPreviewSize, kPreviewSize, c), "pbTextureSample");
    pbTextureSample_->OnPaint = [this](QPainter& p) {
        if (preview_ && !texture_.isNull()) p.drawImage(0, 0, preview_->Container().ToImage());
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(0, 0, kPreviewSize - 1, kPreviewSize - 1);
    };
    sbLoadFromFile_ = Named(new QToolButton(c), "sbLoadFromFile");
    sbLoadFromFile_->setText(QStringLiteral("Load Texture"));
    connect(sbLoadFromFile_, &QToolButton::clicked, this, [this] { sbLoadFromFileClick(); });
    seAngle_ = Named(new TSpinEdit(c), "seAngle");
    seAngle_->setRange(0, 360);
    lblAngle_ = Named(new QLabel(QStringLiteral("Angle"), c), "lblAngle");

    lblTextureLibrary_->setGeometry(8, 6, 186, 16);
    ComboTextureLib_->setGeometry(8, 24, 186, 24);
    scroll->setGeometry(8, 54, 186, 3 * (kCellSize + 1) + 3);
    pbTextureSample_->move(212, 24);
    sbLoadFromFile_->setGeometry(204, 92, 100, 24);
    lblAngle_->setGeometry(204, 124, 100, 16);
    seAngle_->setGeometry(204, 142, 64, 24);
    SetClientSize(312, 232);
}

TfrmTextures::~TfrmTextures() = default;

void TfrmTextures::FormCreate() {
    TfrmDialog::FormCreate();
    preview_ = std::make_unique<TDibCanvas>(kPreviewSize, kPreviewSize);
    ComboTextureLib_->addItem(LanguageMessage(QStringLiteral("standard")));
    QStringList libraries;
    FindLibraries(QDir(ProgramDirectory()).filePath(QStringLiteral("*.ptl")), libraries);
    ComboTextureLib_->addItems(libraries);
    ComboTextureLib_->setCurrentIndex(0);
    ComboTextureLibChange();
    connect(ComboTextureLib_, &QComboBox::currentIndexChanged, this,
            [this] { ComboTextureLibChange(); });
    const TDibBrush& tool = ToolBrush();
    seAngle_->setValue(int(std::nearbyint(tool.Angle())));
    if (tool.Style() == dbPattern) texture_ = tool.Pattern().Image().ToImage();
    preview_->Brush().Assign(&tool);
    connect(seAngle_, &QSpinBox::textChanged, this, [this] { seAngleChange(); });
    loading_ = false;
}

bool TfrmTextures::IsStandard() const {
    return ComboTextureLib_->currentIndex() <= 0;
}

void TfrmTextures::ComboTextureLibChange() {
    if (IsStandard()) {
        GridTexture_->SetRowCount(rowsFor(kStandardTextureCount));
    } else {
        const QString path =
            QDir(ProgramDirectory())
                .filePath(ComboTextureLib_->currentText() + QStringLiteral(".ptl"));
        try {
            TextureLib_.LoadFromFile(path);
        } catch (const ETextureLibError& e) {
            UserDialogs().Message(this, windowTitle(),
                                  LanguageMessage(QString::fromStdString(e.what())),
                                  TMessageIcon::Error);
        }
        if (TextureLib_.GetCount() > 0) GridTexture_->SetRowCount(rowsFor(TextureLib_.GetCount()));
    }
    chosen_ = 0;
    GridTexture_->update();
}

void TfrmTextures::GridTextureDrawCell(QPainter& Canvas, int Col, int Row, const QRect& Rect) {
    const int i = Row * kColumns + Col;
    QImage cell;
    if (IsStandard())
        cell = StandardTexture(i);
    else if (i < TextureLib_.GetCount())
        TextureLib_.GetTexture(i, cell);
    if (!cell.isNull()) Canvas.drawImage(Rect, cell);
}

void TfrmTextures::GridTextureClick() {
    chosen_ = GridTexture_->Row() * kColumns + GridTexture_->Col();
    if (IsStandard() && chosen_ < kStandardTextureCount)
        texture_ = StandardTexture(chosen_);
    else if (!IsStandard() && chosen_ < TextureLib_.GetCount())
        TextureLib_.GetTexture(chosen_, texture_);
    ShowTexture();
}

void TfrmTextures::ShowTexture() {
    if (!preview_ || texture_.isNull()) return;
    preview_->Brush().SetPatternBitmap(&texture_);
    preview_->Container().Clear(clDibWhite);
    preview_->FillRect(TRect{0, 0, kPreviewSize, kPreviewSize});
    pbTextureSample_->update();
}

void TfrmTextures::sbLoadFromFileClick() {
    TFileDialogRequest request;
    request.Filter = QStringLiteral(
        "All (*.jpg *.jpeg *.bmp);;JPEG Image File (*.jpg);;JPEG Image File (*.jpeg);;"
        "Bitmaps (*.bmp)");
    const QString name = UserDialogs().OpenFileName(this, request);
    if (name.isEmpty()) return;
    try {
        texture_ = LoadBmpFile(name);
    } catch (const Exception&) {
        UserDialogs().Message(
            this, windowTitle(),
            LanguageMessage(QStringLiteral("Problems to open file: %1")).arg(name),
            TMessageIcon::Error);
        return;
    }
    ShowTexture();
}

void TfrmTextures::seAngleChange() {
    if (loading_ || !preview_) return;
    preview_->Brush().SetAngle(seAngle_->IntOr(0));
    ShowTexture();
}

void TfrmTextures::sbOKClick() {
    if (preview_) ToolBrush().Assign(&preview_->Brush());
    TfrmDialog::sbOKClick();
}

bool ShowTexturesDialog(QWidget* Parent) {
    TfrmTextures dialog(Parent);
    dialog.EnsureCreated();
    return UserDialogs().Run(dialog) == mrOk;
}

} // namespace kolvar
