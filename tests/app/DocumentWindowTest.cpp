#include "app/MainWindowFixture.h"
#include "app/uFRMMain.h"
#include "common/ScriptedDialogs.h"
#include "document/uFRMDesigner.h"
#include "raster/DibColors.h"

#include "common/TestSupport.h"
#include "document/uFRMFileSize.h"
#include "document/uOpenFiles.h"
#include "formats/BmpCodec.h"
#include "formats/GifTestWriter.h"
#include "formats/JpegCodec.h"
#include "raster/DibMath.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace kolvar;
using kolvar::test::TScriptedDialogs;

namespace {

// A main window on a fresh program directory, shown at a size that holds its documents.
class DocumentWindow : public test::TMainWindowTest {
protected:
    TfrmDesigner* NewImage() {
        dialogs_.Dialogs.push_back([](TfrmKolvarWnd&) { return mrOk; });
        main_->FileOptionsClick(0);
        return main_->ActiveDocument();
    }
};

} // namespace

TEST_F(DocumentWindow, NewImageIsImage1WhiteAtTheDefaultSizeAndViewedAtZoomOne) {
    TfrmDesigner* doc = NewImage();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Image1"));
    EXPECT_EQ(doc->Image().Width(), 200);
    EXPECT_EQ(doc->Image().Height(), 200);
    EXPECT_EQ(doc->Image().GetPixel(17, 123), clDibWhite);
    EXPECT_FALSE(doc->Modified());
    QApplication::processEvents();
    EXPECT_EQ(doc->Designer().size(), QSize(200, 200));
    EXPECT_EQ(doc->ViewProjector().Scale().X, 1.0);
    const TPoint2D origin = doc->ViewProjector().WorldToScreen(0, 0);
    EXPECT_EQ(origin.X, 0.0);
    EXPECT_EQ(origin.Y, 0.0);
    EXPECT_FALSE(doc->ScrollHrz()->isVisibleTo(doc));
}

namespace {

// Runs call with writes limited to bytes per file, as a full disk would.
template <class F> auto withFileSizeLimit(rlim_t bytes, F&& call) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto* previous = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
    auto result = call();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    return result;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

// A small picture of every format the Open command reads, written by the program's writers or
// by Qt.
QString writePicture(const QString& dir, const char* name) {
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    image.setPixelColor(3, 2, QColor(250, 0, 0));
    const QString path = dir + QLatin1Char('/') + QString::fromLatin1(name);
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("gif")) {
        test::TGifFrame frame{0, 0, 7, 5, std::vector<uint8_t>(35, 0)};
        frame.Pixels[2 * 7 + 3] = 1;
        const QByteArray gif = test::TGifBuilder()
                                   .Header("89a", 7, 5, {qRgb(10, 200, 30), qRgb(250, 0, 0)})
                                   .Image(frame)
                                   .Done();
        writeFile(path, gif);
    } else if (ext == QLatin1String("bmp"))
        SaveBmp24(path, image);
    else if (ext == QLatin1String("jpg"))
        SaveJpegFile(path, image, TJpegOptions());
    else
        image.save(path, ext.toLatin1().constData());
    return path;
}

} // namespace

TEST_F(DocumentWindow, ThirdNewWithTwoOpenIsImage3AndWindowsMenuKeepsItsSeparators) {
    NewImage();
    NewImage();
    EXPECT_EQ(NewImage()->windowTitle(), QStringLiteral("Image3"));
    QMenu* windows = main_->findChild<QMenu*>(QStringLiteral("moWindows"));
    auto texts = [&] {
        QStringList out;
        for (QAction* a : windows->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    EXPECT_EQ(texts(),
              (QStringList{"Ca&scade", "&Tile", "&Close All", "-", "Image1", "Image2", "Image3"}));
    main_->WindowsOptionsClick(7); // Close All: nothing modified, nothing asked
    QApplication::processEvents();
    EXPECT_EQ(texts(), (QStringList{"Ca&scade", "&Tile", "&Close All", "-"}));
    EXPECT_EQ(NewImage()->windowTitle(), QStringLiteral("Image1"));
    EXPECT_EQ(texts(), (QStringList{"Ca&scade", "&Tile", "&Close All", "-", "-", "Image1"}));
    EXPECT_TRUE(dialogs_.Messages().isEmpty());
}

TEST_F(DocumentWindow, OpensEveryPictureFormatAndRefusesABrokenFileWithTwoMessages) {
    const QString dir = home_.path();
    for (const char* name : {"a.bmp", "b.jpg", "c.png", "d.gif"}) {
        TfrmDesigner* doc = main_->OpenDocument(writePicture(dir, name));
        ASSERT_NE(doc, nullptr) << name;
        EXPECT_EQ(doc->windowTitle(), QString::fromLatin1(name));
        EXPECT_EQ(doc->Image().Width(), 7);
        EXPECT_EQ(doc->Image().Height(), 5);
    }
    const QString broken = writeFile(dir + QStringLiteral("/broken.jpg"), "\xFF\xD8\xFF garbage");
    const int before = main_->DocumentCount();
    EXPECT_EQ(main_->OpenDocument(broken), nullptr);
    EXPECT_EQ(main_->DocumentCount(), before);
    // The first box names the file as it is and gives the reader's own reason.
    EXPECT_EQ(dialogs_.Messages(),
              (QStringList{QStringLiteral("|Could not open file ") + broken +
                               QStringLiteral("\nUnsupported marker type 0x20"),
                           QStringLiteral("Open Error|Could not open file ") + broken + "."}));
    for (QAction* a : main_->findChild<QMenu*>(QStringLiteral("moWindows"))->actions())
        EXPECT_NE(a->text(), QStringLiteral("broken.jpg"));
}

TEST_F(DocumentWindow, AGiantPictureFromATinyFileIsOpenedOnlyWhenConfirmed) {
    // 16384 x 16384 pixels of run-length data that ends at once: 120 bytes.
    QByteArray bmp("BM\0\0\0\0\0\0\0\0\x76\0\0\0\x28\0\0\0\0\x40\0\0\0\x40\0\0\x01\0\x04\0"
                   "\x02\0\0\0\x02\0\0\0\0\0\0\0\0\0\0\0\x10\0\0\0\0\0\0\0",
                   54);
    bmp += QByteArray(64, '\0') + QByteArray("\0\x01", 2);
    const QString giant = writeFile(home_.filePath(QStringLiteral("giant.bmp")), bmp);
    const QString other = writePicture(home_.path(), "small.bmp");
    const int before = main_->DocumentCount();
    dialogs_.Answers = {false};
    EXPECT_EQ(main_->OpenDocument(giant), nullptr);
    // Declining is no error; the next file opens without a question.
    EXPECT_NE(main_->OpenDocument(other), nullptr);
    EXPECT_EQ(main_->DocumentCount(), before + 1);
    // The open path of the File menu and the command line asks as well.
    dialogs_.Answers = {false};
    main_->OpenDocumentInBackground(giant);
    EXPECT_FALSE(main_->Opening());
    EXPECT_EQ(main_->DocumentCount(), before + 1);
    const QString question = QStringLiteral(
        "giant.bmp|This picture is 16384 x 16384 pixels and needs 1536 MB. Open it?");
    EXPECT_EQ(dialogs_.Messages(), (QStringList{question, question}));
}

TEST_F(DocumentWindow, BackgroundOpensComeInTheirOrderAndAFailureStillSaysBothMessages) {
    const QString dir = home_.path();
    const QString broken = writeFile(dir + QStringLiteral("/broken.bmp"), "BM and nothing else");
    main_->OpenDocumentInBackground(writePicture(dir, "first.jpg"));
    main_->OpenDocumentInBackground(broken);
    main_->OpenDocumentInBackground(writePicture(dir, "last.png"));
    QElapsedTimer waited;
    waited.start();
    while (main_->Opening() && waited.elapsed() < 10000) QApplication::processEvents();
    ASSERT_FALSE(main_->Opening());
    QStringList titles;
    for (TfrmDesigner* doc : main_->Documents()) titles << doc->windowTitle();
    EXPECT_EQ(titles, (QStringList{"first.jpg", "last.png"}));
    EXPECT_EQ(main_->ActiveDocument()->Image().Width(), 7);
    ASSERT_EQ(dialogs_.Messages().size(), 2);
    EXPECT_TRUE(dialogs_.Messages()[0].startsWith(QStringLiteral("|Could not open file ") + broken +
                                                  QLatin1Char('\n')))
        << dialogs_.Messages()[0].toStdString();
    EXPECT_EQ(dialogs_.Messages()[1],
              QStringLiteral("Open Error|Could not open file ") + broken + ".");
    EXPECT_TRUE(main_->StatusBar()->currentMessage().isEmpty());
}

TEST_F(DocumentWindow, PictureLoaderRecognisesFilesByTheirFirstBytes) {
    const QString dir = home_.path();
    // BMP bytes under a .jpg name (what an old Save wrote), and a picture with no extension.
    QFile::copy(writePicture(dir, "x.bmp"), dir + QStringLiteral("/photo.jpg"));
    QFile::copy(writePicture(dir, "y.gif"), dir + QStringLiteral("/noextension"));
    QImage image;
    EXPECT_TRUE(LoadPictureFile(dir + QStringLiteral("/photo.jpg"), image));
    EXPECT_EQ(image.pixelColor(3, 2), QColor(250, 0, 0));
    EXPECT_TRUE(LoadPictureFile(dir + QStringLiteral("/noextension"), image));
    EXPECT_EQ(PictureKindBySignature(QByteArray(40, ' ') + " EMF"), TPictureKind::Emf);
    EXPECT_EQ(PictureKindBySignature(QByteArray("\x01\x00\x09\x00", 4)), TPictureKind::Wmf);
    EXPECT_FALSE(LoadPictureFile(dir + QStringLiteral("/missing.bmp"), image));
}

TEST_F(DocumentWindow, SaveAsAddsBmpAFailedSaveKeepsTheOldFileAndTheCloseQuestion) {
    TfrmDesigner* doc = NewImage();
    const QString picture = home_.filePath(QStringLiteral("picture"));
    dialogs_.FileNames.push_back(picture);
    ASSERT_TRUE(doc->SaveImage(true));
    EXPECT_EQ(doc->FileName(), picture + QStringLiteral(".bmp"));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("picture.bmp"));
    EXPECT_TRUE(ReadBmp(test::ReadFileBytes(doc->FileName())).width() == 200);

    // A save that cannot complete (here: the file size limit stops the write): the old file
    // stays byte for byte, the caption comes back and the next Save asks for a name.
    const QString old = home_.filePath(QStringLiteral("old.bmp"));
    writeFile(old, "old bytes");
    doc->ClearImage();
    dialogs_.FileNames.push_back(old);
    const bool saved = withFileSizeLimit(1000, [&] { return doc->SaveImage(true); });
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::ReadFileBytes(old), QByteArray("old bytes"));
    EXPECT_EQ(dialogs_.Messages().last(), QStringLiteral("Save Error|Could not write file ") + old +
                                              ".\n" + QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(doc->Caption(), QStringLiteral("picture.bmp"));
    EXPECT_TRUE(doc->FileName().isEmpty());
    EXPECT_TRUE(doc->Modified());

    // Close: Yes with a failed save keeps the window; No closes it.
    doc->SetModified(true);
    dialogs_.Answers = {true};
    dialogs_.FileNames.push_back(QString());
    EXPECT_FALSE(doc->FormClose());
    EXPECT_EQ(dialogs_.Asked.back().Kind, QStringLiteral("Save"));
    dialogs_.Answers = {false};
    EXPECT_TRUE(doc->FormClose());
    const QString question = dialogs_.Messages().last();
    EXPECT_TRUE(question.startsWith(QStringLiteral("Close file|File ")));
    EXPECT_TRUE(question.endsWith(QStringLiteral(" is not saved.\nDo you like save it now?")));
}

TEST_F(DocumentWindow, UndoTwiceEqualsUndoOnceAndRotateTakesTheUndoCopy) {
    TfrmDesigner* doc = NewImage();
    doc->Image().FillRect(0, 0, 99, 199,
                          [](TDibContainer& c, int32_t y, int32_t x1, int32_t x2, const TRect&) {
                              c.HorzLine(y, x1, x2, clDibBlack);
                          });
    const TDibContainer before = doc->Image();
    doc->RotateImage(90);
    EXPECT_TRUE(doc->Modified());
    EXPECT_TRUE(main_->MenuItem(QStringLiteral("moUndo"))->isEnabled());
    EXPECT_FALSE(doc->Image().SameImage(before));
    // The black left half turned a quarter: the bottom half is black now, the top white.
    EXPECT_EQ(doc->Image().GetPixel(150, 20), clDibWhite);
    EXPECT_EQ(doc->Image().GetPixel(50, 180), clDibBlack);
    doc->RestoreUndo();
    EXPECT_TRUE(doc->Image().SameImage(before));
    doc->RestoreUndo();
    EXPECT_TRUE(doc->Image().SameImage(before));

    // "90.5" is not a whole number: a rotation by 0, yet the undo copy is taken.
    main_->findChild<QLineEdit*>(QStringLiteral("edRotateAngle"))->setText(QStringLiteral("90.5"));
    doc->SaveUndo();
    doc->RestoreUndo();
    main_->sbRotateClick();
    EXPECT_TRUE(doc->Image().SameImage(before));
    EXPECT_TRUE(doc->UndoAvailable());
}

TEST_F(DocumentWindow, ZoomPointNineOfAHundredSquareShowsNinetyPixelsOnSilver) {
    TfrmDesigner doc(nullptr);
    doc.resize(300, 300);
    doc.show();
    doc.NewImage(100, 100, 0x0000FF);
    doc.Designer().resize(200, 200);
    QApplication::processEvents();
    doc.ViewProjector().SetCenter({100, 100});
    doc.ViewProjector().SetScale({0.9, 0.9});
    doc.Repaint();
    const TDibContainer& view = doc.Designer().ViewBuffer();
    const TPoint2D o = doc.ViewProjector().WorldToScreen(0, 0);
    const int x0 = Round(o.X), y0 = Round(o.Y);
    int red = 0;
    for (int y = 0; y < view.Height(); ++y)
        for (int x = 0; x < view.Width(); ++x) {
            const bool inside = x >= x0 && x < x0 + 90 && y >= y0 && y < y0 + 90;
            const TDibColor expected = inside ? TDibColor{0, 0, 255} : clDibSilver;
            EXPECT_EQ(view.GetPixel(x, y), expected) << x << "," << y;
            red += inside;
            if (HasFailure()) return;
        }
    EXPECT_EQ(red, 90 * 90);
    doc.SetModified(false);
}

TEST_F(DocumentWindow, ActualSizeAfterTwoZoomInsIsExactlyOneAndScrollBarsReachTheCorner) {
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& d) {
        auto& size = static_cast<TfrmDefineFileSize&>(d);
        size.seHeight()->setValue(4096);
        size.seWidth()->setValue(4096);
        size.sbOK()->click();
        return mrOk;
    });
    main_->FileOptionsClick(0);
    TfrmDesigner* doc = main_->ActiveDocument();
    ASSERT_EQ(doc->Image().Width(), 4096);
    main_->ViewOptionsClick(1);
    main_->ViewOptionsClick(1);
    EXPECT_DOUBLE_EQ(doc->ViewProjector().Scale().X, 1.1 * 1.1);
    main_->ViewOptionsClick(4);
    EXPECT_EQ(doc->ViewProjector().Scale().X, 1.0);
    EXPECT_EQ(doc->ViewProjector().Scale().Y, 1.0);
    for (double zoom : {1.0, 4.0, 0.5}) {
        doc->ViewProjector().SetScale({zoom, zoom});
        doc->ViewChanged();
        QApplication::processEvents();
        ASSERT_TRUE(doc->ScrollHrz()->isVisibleTo(doc)) << zoom;
        doc->ScrollHrz()->setValue(doc->ScrollHrz()->maximum());
        doc->ScrollVrt()->setValue(doc->ScrollVrt()->maximum());
        const QSize port = doc->Designer().size();
        const TPoint2D corner = doc->ViewProjector().ScreenToWorld(port.width(), port.height());
        EXPECT_NEAR(corner.X, 4096, 1 / zoom + 1e-9) << zoom;
        EXPECT_NEAR(corner.Y, 4096, 1 / zoom + 1e-9) << zoom;
        doc->ScrollHrz()->setValue(0);
        EXPECT_NEAR(doc->ViewProjector().ScreenToWorld(0, 0).X, 0, 1e-9) << zoom;
    }
}

TEST_F(DocumentWindow, CutThenPasteAvailabilityFollowsTheRealClipboard) {
    TfrmDesigner* doc = NewImage();
    QGuiApplication::clipboard()->clear();
    QApplication::processEvents();
    QAction* paste = main_->MenuItem(QStringLiteral("moPaste"));
    EXPECT_FALSE(paste->isEnabled());
    main_->EditOptionsClick(1); // Cut without a selection does nothing
    EXPECT_FALSE(doc->Modified());

    ToolState().ToolCanvas->Brush().SetColor(clDibBlack);
    TPoints2D square;
    for (auto [x, y] : {std::pair{10, 10}, {60, 10}, {60, 40}, {10, 40}}) square.Add(x, y);
    TGeoPolygon outline(&square, nullptr, 10, 10, 60, 40);
    doc->Designer().Selection().List().Add(&outline);
    main_->EditOptionsClick(1);
    QApplication::processEvents();
    EXPECT_TRUE(doc->Modified());
    EXPECT_TRUE(paste->isEnabled());
    const QImage cut = QGuiApplication::clipboard()->image();
    // The fill covers rows 10 to 39 of the outline's 10 to 40: the copy is what was cut.
    EXPECT_EQ(cut.size(), QSize(51, 30));
    EXPECT_EQ(doc->Image().GetPixel(30, 20), clDibBlack) << "the cut area takes the fill colour";
    doc->RestoreUndo();
    EXPECT_EQ(doc->Image().GetPixel(30, 20), clDibWhite);
    doc->Designer().Selection().List().Clear();
    QGuiApplication::clipboard()->clear();
    QApplication::processEvents();
    EXPECT_FALSE(paste->isEnabled());
}

TEST_F(DocumentWindow, ClosingTheProgramAsksEveryDocumentAndStaysWhileOneIsKept) {
    TfrmDesigner* first = NewImage();
    TfrmDesigner* second = NewImage();
    first->SetModified(true);
    second->SetModified(true);
    // Last to first: the second is asked first; Yes with a cancelled save keeps it, and the
    // program stays without asking the first. Then No to both closes everything.
    dialogs_.Answers = {true};
    dialogs_.FileNames.push_back(QString());
    EXPECT_FALSE(main_->close());
    QApplication::processEvents();
    EXPECT_EQ(dialogs_.Messages(),
              (QStringList{"Close file|File IMAGE2 is not saved.\nDo you like save it now?"}));
    ASSERT_EQ(main_->Documents().size(), 2);
    EXPECT_FALSE(QFile::exists(home_.filePath(QStringLiteral("kolvar.ini"))));
    dialogs_.Answers = {false, false};
    EXPECT_TRUE(main_->close());
    const TKolvarSettings written = ReadSettings(home_.filePath(QStringLiteral("kolvar.ini")));
    EXPECT_EQ(written.FileHeight, 200);
    EXPECT_EQ(written.PageColor, 0xFFFFFFu);
}
