// The export dialog as the File menu runs it: the options it starts with, and the files it
// writes, read back with libjpeg, tiffinfo, the PCX reader and Qt's PNG reader.

#include "document/uFRMExportDialog.h"

#include "common/ScriptedDialogs.h"
#include "formats/ColorReduce.h"
#include "formats/Pcxctrl.h"
#include "raster/DibContainer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <jpeglib.h>

using namespace kolvar;

namespace {

using TSetup = std::function<void(TfrmExportDialog&)>;

// Many colours, so that every reduction has work to do.
QImage Gradient(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x * y) % 256));
    return img;
}

// Stripes of the given colours, so that a palette of the depth holds the picture exactly.
QImage Stripes(const QList<QRgb>& colours, int w = 37, int h = 11) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, colours[(x + 3 * y) % colours.size()]);
    return img;
}

QImage Rgb(const QImage& img) {
    return img.convertToFormat(QImage::Format_RGB32);
}

struct TQuantTables {
    std::vector<int> Luma, Chroma;
    int Components = 0;
    bool Progressive = false;
};

TQuantTables ReadTables(const QString& name) {
    QFile f(name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    const QByteArray bytes = f.readAll();
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 (unsigned long)bytes.size());
    jpeg_read_header(&d, TRUE);
    TQuantTables t;
    t.Components = d.num_components;
    t.Progressive = d.progressive_mode;
    for (int i = 0; i < DCTSIZE2; ++i) {
        t.Luma.push_back(d.quant_tbl_ptrs[0]->quantval[i]);
        if (d.quant_tbl_ptrs[1]) t.Chroma.push_back(d.quant_tbl_ptrs[1]->quantval[i]);
    }
    jpeg_destroy_decompress(&d);
    return t;
}

// What libjpeg's own quality scaling makes of its standard tables.
TQuantTables ExpectedTables(int quality) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    c.in_color_space = JCS_RGB;
    c.input_components = 3;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    TQuantTables t;
    for (int i = 0; i < DCTSIZE2; ++i) {
        t.Luma.push_back(c.quant_tbl_ptrs[0]->quantval[i]);
        t.Chroma.push_back(c.quant_tbl_ptrs[1]->quantval[i]);
    }
    jpeg_destroy_compress(&c);
    return t;
}

class ExportDialog : public testing::Test {
protected:
    // The settings file, which remembers the last export, lives in a directory of the test.
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid() && home_.isValid());
        qputenv("KOLVAR_HOME", home_.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("KOLVAR_HOME"); }

    // Runs Export Image on picture: the script puts the dialog in the test directory, lets
    // setup choose, and presses Ok.
    void Export(const QImage& picture, const TSetup& setup) {
        TDibContainer image;
        image.Assign(picture);
        dialogs_.Dialogs.push_back([&](TfrmKolvarWnd& w) {
            auto& d = dynamic_cast<TfrmExportDialog&>(w);
            d.SetDirectory(dir_.path());
            setup(d);
            d.sbOK()->click();
            return d.ModalResult();
        });
        ShowExportDialog(nullptr, image);
        EXPECT_TRUE(dialogs_.Dialogs.empty()) << "the export dialog was not shown";
    }
    void Export(const QImage& picture, TExportType type, const QString& name, int depth = -1) {
        Export(picture, [&](TfrmExportDialog& d) {
            d.CmbFilter()->setCurrentIndex(int(type));
            if (type == TExportType::Tiff && depth >= 0)
                d.cmbTIFResolution()->setCurrentIndex(depth);
            if (type == TExportType::Pcx && depth >= 0) d.cmbPCXResolucao()->setCurrentIndex(depth);
            d.EditFileName()->setText(name);
        });
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    QTemporaryDir home_;
    test::TScriptedDialogs dialogs_;
};

QString PageName(TfrmExportDialog& d) {
    return d.PageOptions()->currentWidget()->objectName();
}

} // namespace

TEST_F(ExportDialog, StartsOnTheJpegPageAndTheTypeChoosesPageMaskAndExtension) {
    TfrmExportDialog d(Gradient(8, 8));
    d.EnsureCreated();
    d.SetDirectory(dir_.path());
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Export Dialog"));
    EXPECT_EQ(d.EditFileName()->text(), QStringLiteral("*.JPEG;*.JPG"));
    EXPECT_EQ(PageName(d), QStringLiteral("JPEGOptions"));
    EXPECT_EQ(d.TrackCompress()->value(), 1);
    EXPECT_EQ(d.lblCompressValue()->text(), QStringLiteral("1")) << "the quality is shown";
    d.TrackCompress()->setValue(42);
    EXPECT_EQ(d.lblCompressValue()->text(), QStringLiteral("42"));
    EXPECT_EQ(d.cmbPCXResolucao()->currentText(), QStringLiteral("256 Colors"));
    EXPECT_EQ(d.cmbTIFResolution()->currentText(), QStringLiteral("16 bits"));
    ASSERT_EQ(d.CmbFilter()->count(), 4);
    EXPECT_EQ(d.CmbFilter()->itemText(3), QStringLiteral("PNG Files"));

    auto* files = static_cast<QFileSystemModel*>(d.FileList()->model());
    const struct {
        TExportType Type;
        const char* Page;
        const char* Mask;
        const char* Name;
    } steps[] = {{TExportType::Pcx, "PCXOptions", "*.PCX", "picture.pcx"},
                 {TExportType::Jpeg, "JPEGOptions", "*.JPEG", "picture.jpg"},
                 {TExportType::Tiff, "TIFOptions", "*.TIF", "picture.tif"},
                 {TExportType::Png, "PNGOptions", "*.PNG", "picture.png"}};
    d.EditFileName()->setText(QStringLiteral("picture"));
    for (const auto& s : steps) {
        d.CmbFilter()->setCurrentIndex(int(s.Type));
        EXPECT_EQ(PageName(d), QString::fromLatin1(s.Page));
        EXPECT_EQ(files->nameFilters().first(), QString::fromLatin1(s.Mask));
        EXPECT_EQ(d.TargetFileName(), Path(QString::fromLatin1(s.Name)));
    }
    d.EditFileName()->setText(QStringLiteral("photo.jpeg"));
    EXPECT_EQ(d.TargetFileName(), Path(QStringLiteral("photo.jpeg"))) << "an extension is kept";
    d.EditFileName()->setText(QStringLiteral("/elsewhere/shot"));
    EXPECT_EQ(d.TargetFileName(), QStringLiteral("/elsewhere/shot.png"));
}

TEST_F(ExportDialog, FileListShowsTheTypesFilesAndAClickNamesTheFile) {
    for (const char* n : {"a.jpg", "b.JPEG", "c.tif"}) {
        QFile f(Path(QString::fromLatin1(n)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TfrmExportDialog d(Gradient(8, 8));
    d.EnsureCreated();
    d.SetDirectory(dir_.path());
    QAbstractItemModel* model = d.FileList()->model();
    const QModelIndex root = d.FileList()->rootIndex();
    QElapsedTimer timer;
    timer.start();
    while (model->rowCount(root) < 2 && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QStringList shown;
    for (int r = 0; r < model->rowCount(root); ++r)
        shown << model->index(r, 0, root).data().toString();
    shown.sort();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.JPEG")}))
        << "the mask ignores case and hides other types";
    for (int r = 0; r < model->rowCount(root); ++r) {
        const QModelIndex i = model->index(r, 0, root);
        if (i.data().toString() != QLatin1String("b.JPEG")) continue;
        emit d.FileList()->clicked(i);
    }
    EXPECT_EQ(d.EditFileName()->text(), QStringLiteral("b.JPEG"));
}

TEST_F(ExportDialog, UntouchedJpegPageWritesQualityOneAndTheSliderSetsTheQuality) {
    const QImage picture = Gradient(64, 48);
    Export(picture, TExportType::Jpeg, QStringLiteral("picture"));
    ASSERT_TRUE(QFileInfo::exists(Path(QStringLiteral("picture.jpg"))));
    const TQuantTables one = ReadTables(Path(QStringLiteral("picture.jpg")));
    const TQuantTables expectedOne = ExpectedTables(1);
    EXPECT_EQ(one.Luma, expectedOne.Luma);
    EXPECT_EQ(one.Chroma, expectedOne.Chroma);
    EXPECT_EQ(one.Components, 3);
    EXPECT_FALSE(one.Progressive);

    Export(picture, [](TfrmExportDialog& d) {
        d.EditFileName()->setText(QStringLiteral("grey"));
        d.TrackCompress()->setValue(90);
        d.chkGrayScale()->setChecked(true);
        d.chkProgressive()->setChecked(true);
    });
    const TQuantTables ninety = ReadTables(Path(QStringLiteral("grey.jpg")));
    EXPECT_EQ(ninety.Luma, ExpectedTables(90).Luma);
    EXPECT_NE(ninety.Luma, expectedOne.Luma);
    EXPECT_EQ(ninety.Components, 1);
    EXPECT_TRUE(ninety.Progressive);
    EXPECT_TRUE(dialogs_.Messages().isEmpty());
}

TEST_F(ExportDialog, TiffAtEveryDepthIsReadByTiffinfo) {
    const QImage picture = Gradient(40, 30);
    const char* photometric[] = {"palette", "palette", "palette", "RGB", "RGB", "RGB"};
    const int bits[] = {1, 4, 8, 8, 8, 8};
    for (int depth = 0; depth < 6; ++depth) {
        SCOPED_TRACE(depth);
        QFile::remove(Path(QStringLiteral("picture.tif")));
        Export(picture, TExportType::Tiff, QStringLiteral("picture"), depth);
        ASSERT_TRUE(QFileInfo::exists(Path(QStringLiteral("picture.tif"))));
        QProcess info;
        info.start(QStringLiteral("tiffinfo"), {Path(QStringLiteral("picture.tif"))});
        ASSERT_TRUE(info.waitForFinished(10000)) << "tiffinfo (libtiff-tools) is needed";
        const QString out = QString::fromLocal8Bit(info.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(info.readAllStandardError());
        EXPECT_EQ(info.exitCode(), 0) << err.toStdString();
        // The Software text is stored without a closing zero, which libtiff only warns about.
        EXPECT_FALSE(err.contains(QStringLiteral("Error"))) << err.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("Image Width: 40 Image Length: 30")))
            << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("Bits/Sample: %1").arg(bits[depth])))
            << out.toStdString();
        EXPECT_TRUE(out.contains(QString::fromLatin1(photometric[depth]))) << out.toStdString();
    }
    EXPECT_TRUE(dialogs_.Messages().isEmpty());
}

TEST_F(ExportDialog, UnchangedMaskNameAndMissingDirectoryGiveTheErrorAndNoFile) {
    Export(Gradient(8, 8), [](TfrmExportDialog&) {});
    const QString mask = Path(QStringLiteral("*.JPEG;*.JPG"));
    ASSERT_EQ(dialogs_.Messages().size(), 1);
    EXPECT_EQ(dialogs_.Messages()[0], QStringLiteral("Export Image Error|Could not write file ") +
                                          mask + QStringLiteral("."));
    EXPECT_TRUE(QDir(dir_.path())
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    .isEmpty());

    Export(Gradient(8, 8), TExportType::Png, QStringLiteral("no/such/dir/picture"));
    ASSERT_EQ(dialogs_.Messages().size(), 2);
    EXPECT_EQ(dialogs_.Messages()[1], QStringLiteral("Export Image Error|Could not write file ") +
                                          Path(QStringLiteral("no/such/dir/picture.png.")));
}

TEST_F(ExportDialog, PcxAtTheThreeDepthsReadsBackExactOrAsReduced) {
    const QList<QRgb> sixteen = [] {
        QList<QRgb> c;
        for (const TRgbQuad& q : StandardPalette16()) c << qRgb(q.Red, q.Green, q.Blue);
        return c;
    }();
    QList<QRgb> many;
    for (int i = 0; i < 200; ++i) many << qRgb(i, 255 - i, (i * 7) % 256);
    const struct {
        int Depth;
        QImage Picture;
        bool Exact;
    } cases[] = {{0, Stripes({qRgb(0, 0, 0), qRgb(255, 255, 255)}), true},
                 {1, Stripes(sixteen), true},
                 {2, Stripes(many, 53, 17), true},
                 {2, Gradient(45, 23), false},
                 {1, Gradient(45, 23), false}};
    const int bits[] = {1, 4, 8};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Depth);
        QFile::remove(Path(QStringLiteral("picture.pcx")));
        Export(c.Picture, TExportType::Pcx, QStringLiteral("picture"), c.Depth);
        const QImage back = LoadPcxPicture(Path(QStringLiteral("picture.pcx")));
        ASSERT_FALSE(back.isNull());
        const QImage expected =
            c.Exact ? c.Picture : DibToImage(ConvertToDib(c.Picture, bits[c.Depth]));
        EXPECT_EQ(Rgb(back), Rgb(expected));
    }
    EXPECT_TRUE(dialogs_.Messages().isEmpty());
}

TEST_F(ExportDialog, PngRoundTripIsExactAtEveryCompressionLevel) {
    const QImage picture = Gradient(120, 90);
    for (int level : {0, 1, 9}) {
        Export(picture, [&](TfrmExportDialog& d) {
            d.CmbFilter()->setCurrentIndex(int(TExportType::Png));
            d.TrackPNGCompression()->setValue(level);
            d.EditFileName()->setText(QStringLiteral("level%1").arg(level));
        });
        const QImage back(Path(QStringLiteral("level%1.png").arg(level)));
        EXPECT_EQ(Rgb(back), picture) << level;
    }
    const auto size = [&](int level) {
        return QFileInfo(Path(QStringLiteral("level%1.png").arg(level))).size();
    };
    EXPECT_GT(size(0), size(1)) << "the level reaches the writer";
    EXPECT_GT(size(1), size(9));
}

TEST_F(ExportDialog, NextDialogOpensInTheDirectoryOfTheLastExport) {
    QTemporaryDir other;
    Export(Gradient(8, 8), TExportType::Png, other.filePath(QStringLiteral("shot")));
    ASSERT_TRUE(QFileInfo::exists(other.filePath(QStringLiteral("shot.png"))));
    TfrmExportDialog next(Gradient(8, 8));
    EXPECT_EQ(next.Directory(), QDir::cleanPath(other.path()));
}

TEST_F(ExportDialog, RemembersTypeQualityOptionsAndFolderForTheNextRun) {
    QTemporaryDir other;
    Export(Gradient(8, 8), [&](TfrmExportDialog& d) {
        d.TrackCompress()->setValue(63);
        d.chkProgressive()->setChecked(true);
        d.chkSmooting()->setChecked(true);
        d.cmbTIFResolution()->setCurrentIndex(4);
        d.CmbFilter()->setCurrentIndex(int(TExportType::Jpeg));
        d.EditFileName()->setText(other.filePath(QStringLiteral("shot")));
    });
    ASSERT_TRUE(QFileInfo::exists(other.filePath(QStringLiteral("shot.jpg"))));
    Export(Gradient(8, 8), [&](TfrmExportDialog& d) {
        d.CmbFilter()->setCurrentIndex(int(TExportType::Tiff));
        d.EditFileName()->setText(other.filePath(QStringLiteral("shot")));
    });

    // A dialog made afterwards reads the settings file, as the next run does.
    TfrmExportDialog next(Gradient(8, 8));
    next.EnsureCreated();
    EXPECT_EQ(next.ExportType(), TExportType::Tiff);
    EXPECT_EQ(PageName(next), QStringLiteral("TIFOptions"));
    EXPECT_EQ(next.TrackCompress()->value(), 63);
    EXPECT_EQ(next.lblCompressValue()->text(), QStringLiteral("63"));
    EXPECT_TRUE(next.chkProgressive()->isChecked());
    EXPECT_TRUE(next.chkSmooting()->isChecked());
    EXPECT_FALSE(next.chkGrayScale()->isChecked());
    EXPECT_EQ(next.cmbTIFResolution()->currentText(), QStringLiteral("24 bits"));
    EXPECT_EQ(next.cmbPCXResolucao()->currentText(), QStringLiteral("256 Colors"));
    EXPECT_EQ(next.Directory(), QDir::cleanPath(other.path()));

    // Its folder tree shows that folder chosen, on this opening as on every later one.
    for (int opening = 0; opening < 2; ++opening) {
        TfrmExportDialog d(Gradient(8, 8));
        d.EnsureCreated();
        d.show();
        auto* model = static_cast<QFileSystemModel*>(d.DirectoryList()->model());
        QElapsedTimer waited;
        waited.start();
        while (model->filePath(d.DirectoryList()->currentIndex()) != d.Directory() &&
               waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(model->filePath(d.DirectoryList()->currentIndex()), QDir::cleanPath(other.path()))
            << opening;
        d.hide();
    }
}
