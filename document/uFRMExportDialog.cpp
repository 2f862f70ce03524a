#include "document/uFRMExportDialog.h"
#include "shell/uLanguagesSuport.h"

#include "formats/Bmp2Tiff.h"
#include "formats/ColorReduce.h"
#include "formats/JpegCodec.h"
#include "formats/PcxWriter.h"
#include "raster/DibContainer.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uKolvarGeneric.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRegularExpression>
#include <QSlider>
#include <QStackedWidget>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include <array>

namespace kolvar {

namespace {

struct TTypeInfo {
    const char* Name;
    const char* Mask;
    const char* Extension;
    const char* Page;
};

constexpr std::array<TTypeInfo, 4> kTypes = {{
    {"JPEG Files", "*.JPEG;*.JPG", ".jpg", "JPEGOptions"},
    {"TIFF Files", "*.TIF", ".tif", "TIFOptions"},
    {"PCX Files", "*.PCX", ".pcx", "PCXOptions"},
    {"PNG Files", "*.PNG", ".png", "PNGOptions"},
}};

constexpr std::array<int, 6> kTifBits = {1, 4, 8, 16, 24, 32};
constexpr std::array<int, 3> kPcxBits = {1, 4, 8};

// The directory the dialog shows next time, for the rest of the run.
QString& RememberedDirectory() {
    static QString directory;
    return directory;
}

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    return named(new QLabel(text, parent), name);
}

QCheckBox* check(QWidget* parent, const char* name, const QString& text) {
    return named(new QCheckBox(text, parent), name);
}

QComboBox* depthList(QWidget* parent, const char* name, const QStringList& items) {
    auto* c = named(new QComboBox(parent), name);
    for (const QString& item : items) c->addItem(LanguageMessage(item));
    return c;
}

QSlider* slider(QWidget* parent, const char* name, int low, int high) {
    auto* s = named(new QSlider(Qt::Horizontal, parent), name);
    s->setRange(low, high);
    return s;
}

// A page with a resolution list under its label.
QWidget* depthPage(QWidget* parent, const char* page, const char* labelName, QComboBox* list) {
    auto* w = named(new QWidget(parent), page);
    auto* column = new QVBoxLayout(w);
    column->addWidget(label(w, labelName, QStringLiteral("Resolution")));
    column->addWidget(list);
    column->addStretch(1);
    list->setParent(w);
    return w;
}

QStringList volumeRoots() {
    QStringList roots{QDir::rootPath()};
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
        if (v.isValid() && v.isReady() && !roots.contains(v.rootPath())) roots << v.rootPath();
    roots.sort();
    return roots;
}

// The mounted volume holding path (the longest root that contains it).
QString volumeOf(const QString& path, const QStringList& roots) {
    QString best = QDir::rootPath();
    for (const QString& r : roots) {
        const QString prefix = r.endsWith(QLatin1Char('/')) ? r : r + QLatin1Char('/');
        if ((path == r || path.startsWith(prefix)) && r.size() > best.size()) best = r;
    }
    return best;
}

// Qt's PNG writer takes the zlib level as a quality, 100 for level 0 down to 9 for level 9.
int pngQuality(int level) {
    return 100 - (level * 91 + 8) / 9;
}

QByteArray encodePng(const QImage& picture, int level) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(pngQuality(level));
    if (!writer.write(picture.convertToFormat(QImage::Format_RGB888)))
        throw EWriteError(writer.errorString());
    return bytes;
}

} // namespace

TfrmExportDialog::TfrmExportDialog(const QImage& Picture, QWidget* Parent)
    : TfrmDialog(Parent), FPicture(Picture) {
    setObjectName(QStringLiteral("frmExportDialog"));
    setWindowTitle(QStringLiteral("Export Dialog"));
    SetHelpContext(HelpContextNumber);
    QWidget* c = Client();
    auto* row = new QHBoxLayout(c);
    row->setContentsMargins(6, 6, 6, 6);
    row->addWidget(BuildFileChooser(c), 1);
    row->addWidget(BuildOptions(c));
    SetClientSize(502, 285);
    SetDirectory(RememberedDirectory().isEmpty() ? ProgramDirectory() : RememberedDirectory());
}

QWidget* TfrmExportDialog::BuildFileChooser(QWidget* Parent) {
    auto* w = new QWidget(Parent);
    FEditFileName = named(new QLineEdit(QString::fromLatin1(InitialMask), w), "EditFileName");

    FFileModel = new QFileSystemModel(this);
    FFileModel->setFilter(QDir::Files);
    FFileModel->setNameFilterDisables(false);
    FFileList = named(new QListView(w), "FileList");
    FFileList->setModel(FFileModel);
    connect(FFileList, &QListView::clicked, this, &TfrmExportDialog::FileListClicked);

    FDirModel = new QFileSystemModel(this);
    FDirModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    FDirectoryList = named(new QTreeView(w), "DirectoryList");
    FDirectoryList->setModel(FDirModel);
    FDirectoryList->setHeaderHidden(true);
    for (int column = 1; column < FDirModel->columnCount(); ++column)
        FDirectoryList->hideColumn(column);
    // The tree fills in as directories load: while the way to the chosen one loads, keep
    // opening it, but leave the view alone when the user opens other folders.
    connect(FDirModel, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        const QString prefix =
            loaded.endsWith(QLatin1Char('/')) ? loaded : loaded + QLatin1Char('/');
        if (FDirectory == loaded || FDirectory.startsWith(prefix)) ShowDirectoryInTree();
    });
    connect(FDirectoryList, &QTreeView::clicked, this,
            [this](const QModelIndex& i) { SetDirectory(FDirModel->filePath(i)); });

    FDrive = named(new QComboBox(w), "cmbDrive");
    FDrive->addItems(volumeRoots());
    connect(FDrive, &QComboBox::activated, this,
            [this](int i) { SetDirectory(FDrive->itemText(i)); });

    auto* grid = new QGridLayout(w);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(FEditFileName, 0, 0, 1, 2);
    grid->addWidget(FFileList, 1, 0, 2, 1);
    grid->addWidget(FDirectoryList, 1, 1);
    grid->addWidget(FDrive, 2, 1);
    FFileList->setMinimumWidth(130);
    FDirectoryList->setMinimumWidth(130);
    return w;
}

QWidget* TfrmExportDialog::BuildOptions(QWidget* Parent) {
    auto* w = new QWidget(Parent);
    w->setFixedWidth(190);
    FFilter = named(new QComboBox(w), "CmbFilter");
    for (const TTypeInfo& t : kTypes)
        FFilter->addItem(LanguageMessage(QString::fromLatin1(t.Name)), QString::fromLatin1(t.Mask));
    connect(FFilter, &QComboBox::currentIndexChanged, this, [this] { CmbFilterChange(); });

    FPages = named(new QStackedWidget(w), "PageOptions");
    auto* jpegPage = named(new QWidget(FPages), "JPEGOptions");
    FJpegGroup = named(new QGroupBox(QStringLiteral(" JPEG Options "), jpegPage), "gbJPEGOptions");
    FCompress = slider(FJpegGroup, "TrackCompress", 1, 100);
    FCompressValue = named(new QLabel(FJpegGroup), "lblCompressValue");
    connect(FCompress, &QSlider::valueChanged, FCompressValue,
            [this](int v) { FCompressValue->setNum(v); });
    FCompress->setValue(1);
    FCompressValue->setNum(1);
    FGrayScale = check(FJpegGroup, "chkGrayScale", QStringLiteral("Gray Scale"));
    FProgressive = check(FJpegGroup, "chkProgressive", QStringLiteral("Progressive Enconding"));
    FSmoothing = check(FJpegGroup, "chkSmooting", QStringLiteral("Smooting"));
    FTransparent = check(FJpegGroup, "chkTransparent", QStringLiteral("Transparent"));
    auto* jpegGrid = new QGridLayout(FJpegGroup);
    jpegGrid->addWidget(label(FJpegGroup, "lblCompress", QStringLiteral("Compress Quality")), 0, 0,
                        1, 2);
    jpegGrid->addWidget(FCompress, 1, 0);
    jpegGrid->addWidget(FCompressValue, 1, 1);
    int r = 2;
    for (QCheckBox* b : {FGrayScale, FProgressive, FSmoothing, FTransparent})
        jpegGrid->addWidget(b, r++, 0, 1, 2);
    (new QVBoxLayout(jpegPage))->addWidget(FJpegGroup);

    auto* pngPage = named(new QWidget(FPages), "PNGOptions");
    FPngLevel = slider(pngPage, "TrackPNGCompression", 0, 9);
    FPngLevel->setValue(6);
    FPngLevelValue = named(new QLabel(QStringLiteral("6"), pngPage), "lblPNGCompressionValue");
    connect(FPngLevel, &QSlider::valueChanged, FPngLevelValue,
            [this](int v) { FPngLevelValue->setNum(v); });
    auto* pngGrid = new QGridLayout(pngPage);
    pngGrid->addWidget(label(pngPage, "lblPNGCompression", QStringLiteral("Compression")), 0, 0, 1,
                       2);
    pngGrid->addWidget(FPngLevel, 1, 0);
    pngGrid->addWidget(FPngLevelValue, 1, 1);
    pngGrid->setRowStretch(2, 1);

    FPcxDepth = depthList(
        w, "cmbPCXResolucao",
        {QStringLiteral("Mono"), QStringLiteral("16 Colors"), QStringLiteral("256 Colors")});
    FTifDepth = depthList(w, "cmbTIFResolution",
                          {QStringLiteral("Mono"), QStringLiteral("16 Colors"),
                           QStringLiteral("256 Colors"), QStringLiteral("16 bits"),
                           QStringLiteral("24 bits"), QStringLiteral("32 bits")});
    FPages->addWidget(jpegPage);
    FPages->addWidget(pngPage);
    FPages->addWidget(depthPage(FPages, "PCXOptions", "lblPCXResolution", FPcxDepth));
    FPages->addWidget(depthPage(FPages, "TIFOptions", "lblTIFResolution", FTifDepth));

    auto* column = new QVBoxLayout(w);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(FFilter);
    column->addWidget(FPages, 1);
    return w;
}

void TfrmExportDialog::FormCreate() {
    TfrmDialog::FormCreate();
    FPages->setCurrentWidget(FPages->findChild<QWidget*>(QStringLiteral("JPEGOptions")));
    FPcxDepth->setCurrentIndex(2);
    FTifDepth->setCurrentIndex(3);
}

TExportType TfrmExportDialog::ExportType() const {
    return TExportType(FFilter->currentIndex());
}

void TfrmExportDialog::CmbFilterChange() {
    const TTypeInfo& type = kTypes[size_t(FFilter->currentIndex())];
    FFileModel->setNameFilters(QString::fromLatin1(type.Mask).split(QLatin1Char(';')));
    FPages->setCurrentWidget(FPages->findChild<QWidget*>(QString::fromLatin1(type.Page)));
    FPages->show();
}

void TfrmExportDialog::SetDirectory(const QString& Path) {
    FDirectory = QDir::cleanPath(QFileInfo(Path).absoluteFilePath());
    const QModelIndex dir = FDirModel->setRootPath(volumeOf(FDirectory, volumeRoots()));
    FDirectoryList->setRootIndex(dir);
    ShowDirectoryInTree();
    FFileList->setRootIndex(FFileModel->setRootPath(FDirectory));
    FFileModel->setNameFilters(FFilter->currentData().toString().split(QLatin1Char(';')));
    FDrive->setCurrentText(volumeOf(FDirectory, volumeRoots()));
}

void TfrmExportDialog::ShowDirectoryInTree() {
    const QModelIndex current = FDirModel->index(FDirectory);
    for (QModelIndex up = current.parent(); up.isValid(); up = up.parent())
        FDirectoryList->expand(up);
    FDirectoryList->setCurrentIndex(current);
    FDirectoryList->scrollTo(current);
}

void TfrmExportDialog::FileListClicked(const QModelIndex& Index) {
    FEditFileName->setText(FFileModel->fileName(Index));
}

QString TfrmExportDialog::TargetFileName() const {
    QString name = FEditFileName->text().trimmed();
    if (QFileInfo(name).suffix().isEmpty())
        name += QString::fromLatin1(kTypes[size_t(FFilter->currentIndex())].Extension);
    return QDir::cleanPath(QDir(FDirectory).absoluteFilePath(name));
}

void TfrmExportDialog::WriteFile(const QString& Name) const {
    // A mask is not a name: writing it would leave a file the lists show as a pattern.
    if (QFileInfo(Name).fileName().contains(QRegularExpression(QStringLiteral("[*?]"))))
        throw EWriteError(QStringLiteral("Wildcards in the file name"));
    if (FEditFileName->text().trimmed().isEmpty()) throw EWriteError(QStringLiteral("No name"));
    switch (ExportType()) {
    case TExportType::Jpeg: {
        TJpegOptions options;
        options.Quality = FCompress->value();
        options.GrayScale = FGrayScale->isChecked();
        options.Progressive = FProgressive->isChecked();
        SaveJpegFile(Name, FPicture, options);
        break;
    }
    case TExportType::Tiff:
        SaveTIFF(Name, ConvertToDib(FPicture, kTifBits[size_t(FTifDepth->currentIndex())]));
        break;
    case TExportType::Pcx:
        SavePCX(Name, ConvertToDib(FPicture, kPcxBits[size_t(FPcxDepth->currentIndex())]));
        break;
    case TExportType::Png:
        WriteFileSafely(Name, encodePng(FPicture, FPngLevel->value()));
        break;
    }
}

bool TfrmExportDialog::ExportImage() {
    const QString name = TargetFileName();
    try {
        WriteFile(name);
    } catch (const std::exception&) {
        UserDialogs().Message(this, LanguageMessage(QStringLiteral("Export Image Error")),
                              LanguageMessage(QStringLiteral("Could not write file %1.")).arg(name),
                              TMessageIcon::Error);
        return false;
    }
    RememberedDirectory() = QFileInfo(name).absolutePath();
    return true;
}

void TfrmExportDialog::sbOKClick() {
    RememberedDirectory() = FDirectory;
    ExportImage();
    TfrmDialog::sbOKClick();
}

void ShowExportDialog(QWidget* Parent, const TDibContainer& Image) {
    TfrmExportDialog dialog(Image.ToImage(), Parent);
    dialog.EnsureCreated();
    UserDialogs().Run(dialog);
}

} // namespace kolvar
