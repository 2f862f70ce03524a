// The ways a user could lose work: the close question, Save writing the wrong format, a
// program that ends, and errors that escape a command.

#include "app/ErrorGuardWidget.h"
#include "app/RecoveryStore.h"
#include "app/uFRMMain.h"
#include "app/uFRMPreferences.h"
#include "common/ScriptedDialogs.h"
#include "common/TestSupport.h"
#include "document/uFRMDesigner.h"
#include "document/uFRMFileSize.h"
#include "formats/BmpCodec.h"
#include "formats/DibFile.h"
#include "formats/GifTestWriter.h"
#include "formats/JpegCodec.h"
#include "raster/DibContainer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

using namespace kolvar;
using kolvar::test::TScriptedDialogs;

namespace {

const QString kCloseQuestion =
    QStringLiteral("Close file|File %1 is not saved.\nDo you like save it now?");

class UnsavedWork : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("KOLVAR_HOME", home_.path().toLocal8Bit());
        Preferences() = TPreferences();
        main_ = std::make_unique<TfrmKolvar>();
        main_->resize(1000, 800);
        main_->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        SetDibAllocator(nullptr);
        if (main_)
            for (TfrmDesigner* d : main_->Documents()) d->SetModified(false);
        main_.reset();
        Preferences() = TPreferences();
        qunsetenv("KOLVAR_HOME");
    }
    TfrmDesigner* NewImage(int w = 200, int h = 200) {
        dialogs_.Dialogs.push_back([w, h](TfrmKolvarWnd& d) {
            auto& size = static_cast<TfrmDefineFileSize&>(d);
            size.seWidth()->setValue(w);
            size.seHeight()->setValue(h);
            size.sbOK()->click();
            return mrOk;
        });
        main_->MenuItem(QStringLiteral("moNew"))->trigger();
        return main_->ActiveDocument();
    }
    QString Path(const char* name) const { return home_.filePath(QString::fromLatin1(name)); }
    QStringList WindowsMenuTexts() const {
        QStringList out;
        for (QAction* a : main_->findChild<QMenu*>(QStringLiteral("moWindows"))->actions())
            if (!a->isSeparator()) out << a->text();
        return out;
    }

    QTemporaryDir home_;
    TScriptedDialogs dialogs_;
    std::unique_ptr<TfrmKolvar> main_;
};

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QImage photo(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixelColor(x, y, QColor(x * 4, y * 4, 128));
    return image;
}

void* refuseOverOneMegabyte(size_t bytes) {
    return bytes > (size_t(1) << 20) ? nullptr : std::calloc(bytes, 1);
}

} // namespace

TEST_F(UnsavedWork, CancellingTheCloseQuestionKeepsTheDocumentAndStopsCloseAllAndExit) {
    TfrmDesigner* first = NewImage();
    TfrmDesigner* second = NewImage();
    TfrmDesigner* third = NewImage();
    for (TfrmDesigner* d : {first, second, third}) d->SetModified(true);

    // Close (F4), then Escape: the document stays, unsaved, still listed.
    dialogs_.Choices = {TAnswer::Cancel};
    main_->MenuItem(QStringLiteral("moClose"))->trigger();
    QApplication::processEvents();
    EXPECT_EQ(dialogs_.Messages(), QStringList{kCloseQuestion.arg("IMAGE3")})
        << "the question names the caption without the unsaved mark";
    EXPECT_EQ(main_->Documents().size(), 3);
    EXPECT_TRUE(third->Modified());
    EXPECT_TRUE(third->CloseCancelled());

    // Close All: No closes the last, Cancel on the next stops before the first is asked.
    dialogs_.Asked.clear();
    dialogs_.Choices = {TAnswer::No, TAnswer::Cancel};
    main_->MenuItem(QStringLiteral("moCloseAll"))->trigger();
    QApplication::processEvents();
    EXPECT_EQ(dialogs_.Messages(),
              (QStringList{kCloseQuestion.arg("IMAGE3"), kCloseQuestion.arg("IMAGE2")}));
    EXPECT_EQ(main_->Documents(), (QList<TfrmDesigner*>{first, second}));
    EXPECT_EQ(WindowsMenuTexts(),
              (QStringList{"Ca&scade", "&Tile", "&Close All", "*Image1", "*Image2"}));

    // Exit, then Cancel: the program stays with both documents and writes no settings.
    dialogs_.Choices = {TAnswer::Cancel};
    main_->MenuItem(QStringLiteral("moExit"))->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(main_->isVisible());
    EXPECT_EQ(main_->Documents().size(), 2);
    EXPECT_FALSE(QFile::exists(Path("kolvar.ini")));

    // A failed save after Yes stops the round as well.
    dialogs_.Choices = {TAnswer::Yes};
    dialogs_.FileNames = {QString()};
    EXPECT_FALSE(main_->close());
    EXPECT_EQ(main_->Documents().size(), 2);
    dialogs_.Choices = {TAnswer::No, TAnswer::No};
    EXPECT_TRUE(main_->close());
}

TEST_F(UnsavedWork, SaveWritesTheFormatTheFileNameNames) {
    // A JPEG made negative and saved stays a JPEG holding the negative, no question asked.
    const QString jpg = Path("photo.jpg");
    SaveJpegFile(jpg, photo(64, 48), TJpegOptions{95});
    TfrmDesigner* doc = main_->OpenDocument(jpg);
    ASSERT_NE(doc, nullptr);
    const TDibContainer opened = doc->Image();
    main_->MenuItem(QStringLiteral("moNegative"))->trigger();
    EXPECT_EQ(doc->windowTitle(), "*photo.jpg");
    main_->MenuItem(QStringLiteral("moSave"))->trigger();
    EXPECT_TRUE(dialogs_.Asked.empty());
    EXPECT_EQ(doc->windowTitle(), "photo.jpg");
    EXPECT_FALSE(doc->Modified());
    const QByteArray bytes = test::ReadFileBytes(jpg);
    ASSERT_TRUE(bytes.startsWith("\xFF\xD8\xFF"));
    TDibContainer saved;
    LoadDibFile(jpg, saved);
    int worst = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const TDibColor a = saved.GetPixel(x, y), b = opened.GetPixel(x, y);
            worst =
                std::max({worst, std::abs(a.Red - (255 - b.Red)),
                          std::abs(a.Green - (255 - b.Green)), std::abs(a.Blue - (255 - b.Blue))});
        }
    EXPECT_LT(worst, 24) << "the negative, within JPEG loss";

    // A PNG comes back exactly.
    const QString png = Path("shot.png");
    photo(20, 10).save(png);
    doc = main_->OpenDocument(png);
    doc->Image().SetPixel(3, 4, TDibColor{1, 2, 3});
    doc->SetModified(true);
    main_->MenuItem(QStringLiteral("moSave"))->trigger();
    TDibContainer back;
    LoadDibFile(png, back);
    EXPECT_TRUE(back.SameImage(doc->Image()));

    // Save As lists the writable types, showing the document's own; choosing JPEG for a name
    // typed as .bmp writes a JPEG.
    dialogs_.FileNames = {Path("copy.bmp")};
    dialogs_.SaveTypes = {QStringLiteral("JPEG File (*.jpg *.jpeg)")};
    main_->MenuItem(QStringLiteral("moSaveAs"))->trigger();
    EXPECT_TRUE(dialogs_.Asked.back().Text.startsWith("BMP File (*.bmp);;JPEG File"));
    EXPECT_EQ(dialogs_.FileRequests.back().SelectedFilter, "PNG File (*.png)");
    EXPECT_EQ(doc->FileName(), Path("copy.jpg"));
    EXPECT_TRUE(test::ReadFileBytes(Path("copy.jpg")).startsWith("\xFF\xD8\xFF"));
    EXPECT_FALSE(QFile::exists(Path("copy.bmp")));

    // A name completed after the dialog's own overwrite question is asked about once more.
    writeFile(Path("old.bmp"), "old bytes");
    doc->SetModified(true);
    dialogs_.FileNames = {Path("old")};
    dialogs_.Answers = {false};
    main_->MenuItem(QStringLiteral("moSaveAs"))->trigger();
    EXPECT_EQ(dialogs_.Messages().last(),
              "Save As|File " + Path("old.bmp") + " already exists.\nDo you want to replace it?");
    EXPECT_EQ(test::ReadFileBytes(Path("old.bmp")), QByteArray("old bytes"));
    EXPECT_TRUE(doc->Modified());
    EXPECT_EQ(doc->FileName(), Path("copy.jpg"));
    dialogs_.FileNames = {Path("old")};
    dialogs_.Answers = {true};
    main_->MenuItem(QStringLiteral("moSaveAs"))->trigger();
    EXPECT_TRUE(test::ReadFileBytes(Path("old.bmp")).startsWith("BM"));
}

TEST_F(UnsavedWork, SaveOfAGifOffersTheSameNameAsBmp) {
    test::TGifFrame frame{0, 0, 3, 2, std::vector<uint8_t>(6, 1)};
    const QString gif =
        writeFile(Path("anim.gif"), test::TGifBuilder()
                                        .Header("89a", 3, 2, {qRgb(0, 0, 0), qRgb(9, 99, 199)})
                                        .Image(frame)
                                        .Done());
    TfrmDesigner* doc = main_->OpenDocument(gif);
    ASSERT_NE(doc, nullptr);
    doc->SetModified(true);
    dialogs_.FileNames = {Path("anim.bmp")};
    main_->MenuItem(QStringLiteral("moSave"))->trigger();
    ASSERT_EQ(dialogs_.FileRequests.size(), 1u);
    EXPECT_EQ(dialogs_.FileRequests[0].FileName, Path("anim.bmp"));
    EXPECT_EQ(dialogs_.FileRequests[0].SelectedFilter, "BMP File (*.bmp)");
    EXPECT_EQ(doc->Caption(), "anim.bmp");
    EXPECT_TRUE(test::ReadFileBytes(Path("anim.bmp")).startsWith("BM"));
    EXPECT_TRUE(test::ReadFileBytes(gif).startsWith("GIF89a")) << "the GIF is left alone";

    // Cancelling that dialog writes nothing and keeps the document unsaved.
    doc = main_->OpenDocument(gif);
    doc->SetModified(true);
    dialogs_.FileNames = {QString()};
    main_->MenuItem(QStringLiteral("moSave"))->trigger();
    EXPECT_TRUE(doc->Modified());
    EXPECT_EQ(doc->FileName(), gif);
}

TEST_F(UnsavedWork, TheCaptionMarksUnsavedChangesInTheWindowAndTheWindowsMenu) {
    TfrmDesigner* doc = NewImage();
    EXPECT_EQ(doc->windowTitle(), "Image1");
    main_->MenuItem(QStringLiteral("moClear"))->trigger();
    EXPECT_EQ(doc->windowTitle(), "*Image1");
    EXPECT_EQ(doc->Caption(), "Image1");
    EXPECT_EQ(WindowsMenuTexts().last(), "*Image1");
    dialogs_.FileNames = {Path("picture")};
    main_->MenuItem(QStringLiteral("moSave"))->trigger();
    EXPECT_EQ(doc->windowTitle(), "picture.bmp");
    EXPECT_EQ(WindowsMenuTexts().last(), "picture.bmp");
    EXPECT_TRUE(test::ReadFileBytes(Path("picture.bmp")).startsWith("BM"));
    // Closing removes the entry whatever the mark.
    doc->SetModified(true);
    dialogs_.Choices = {TAnswer::No};
    main_->MenuItem(QStringLiteral("moClose"))->trigger();
    QApplication::processEvents();
    EXPECT_EQ(WindowsMenuTexts(), (QStringList{"Ca&scade", "&Tile", "&Close All"}));
}

TEST_F(UnsavedWork, EnterInTheAngleBoxRotatesAndGivesTheKeysBackToThePicture) {
    TfrmDesigner* doc = NewImage(60, 40);
    QApplication::setActiveWindow(main_.get());
    auto* angle = main_->findChild<QLineEdit*>(QStringLiteral("edRotateAngle"));
    angle->setFocus();
    angle->setText(QStringLiteral("90"));
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), angle);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(angle, &enter);
    EXPECT_TRUE(doc->UndoAvailable()) << "Enter rotated";
    EXPECT_EQ(QApplication::focusWidget(), &doc->Designer());
}

TEST_F(UnsavedWork, AFailedAllocationIsReportedAndChangesNothing) {
    TfrmDesigner* doc = NewImage(400, 400); // 480 KB
    SetDibAllocator(refuseOverOneMegabyte);
    // File New of a picture that does not fit: no window, no Windows-menu entry.
    NewImage(2000, 2000);
    EXPECT_EQ(dialogs_.Messages(), QStringList{"Error|Not enough memory for this picture."});
    EXPECT_EQ(main_->Documents(), QList<TfrmDesigner*>{doc});
    EXPECT_EQ(WindowsMenuTexts(), (QStringList{"Ca&scade", "&Tile", "&Close All", "Image1"}));

    // A rotation whose result does not fit: the picture, its undo state and flag stay.
    SetDibAllocator(nullptr);
    TfrmDesigner* big = NewImage(700, 700); // 1.4 MB
    big->Image().SetPixel(1, 1, TDibColor{0, 0, 255});
    const TDibContainer before = big->Image();
    SetDibAllocator(refuseOverOneMegabyte);
    main_->findChild<QLineEdit*>(QStringLiteral("edRotateAngle"))->setText("45");
    main_->ToolButton(QStringLiteral("sbRotate"))->click();
    EXPECT_EQ(dialogs_.Messages().last(), "Error|Not enough memory for this picture.");
    EXPECT_TRUE(big->Image().SameImage(before));
    EXPECT_FALSE(big->UndoAvailable());
    EXPECT_FALSE(big->Modified());
}

TEST_F(UnsavedWork, AnErrorEscapingACommandIsShownAndTheProgramGoesOn) {
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd&) -> int { throw std::runtime_error("boom"); });
    main_->MenuItem(QStringLiteral("moNew"))->trigger();
    EXPECT_EQ(dialogs_.Messages(), QStringList{"Error|boom"});
    EXPECT_TRUE(main_->Documents().isEmpty());
    EXPECT_NE(NewImage(), nullptr) << "the next command works";

    EXPECT_EQ(ErrorText(std::make_exception_ptr(std::bad_alloc())), kNotEnoughMemoryText);
    EXPECT_EQ(ErrorText(std::make_exception_ptr(EDibMemoryError("x"))), kNotEnoughMemoryText);
    EXPECT_EQ(ErrorText(std::make_exception_ptr(EInOutError(QString::fromUtf8("\u00e9")))),
              QString::fromUtf8("\u00e9"));
    EXPECT_EQ(ErrorText(std::make_exception_ptr(42)), "Unknown error.");
}

TEST_F(UnsavedWork, PreferencesDialogShowsAllFourValuesAndOkKeepsThem) {
    int changed = 0;
    QObject::connect(main_.get(), &TfrmKolvar::PreferencesChanged, [&] { ++changed; });
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& d) {
        auto& p = static_cast<TfrmPreferences&>(d);
        EXPECT_EQ(p.seJpegQuality()->value(), 90);
        EXPECT_EQ(p.seRecoveryInterval()->value(), 30);
        EXPECT_EQ(p.seUndoLevels()->value(), 1);
        EXPECT_EQ(p.seHistoryBudget()->value(), 512);
        EXPECT_EQ(p.seRecoveryInterval()->minimum(), 10);
        EXPECT_EQ(p.seRecoveryInterval()->maximum(), 600);
        p.seJpegQuality()->setValue(40);
        p.seRecoveryInterval()->setValue(5); // below the range: 10
        p.seUndoLevels()->setValue(20);
        p.seHistoryBudget()->setValue(256);
        p.sbOK()->click();
        return mrOk;
    });
    main_->MenuItem(QStringLiteral("moPreferences"))->trigger();
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(Preferences().SaveJpegQuality, 40);
    EXPECT_EQ(Preferences().RecoveryInterval, 10);
    const TPreferences written = ReadPreferences(Path("kolvar.ini"));
    EXPECT_EQ(written.SaveJpegQuality, 40);
    EXPECT_EQ(written.UndoLevels, 20);
    EXPECT_EQ(written.HistoryBudgetMB, 256);

    // Cancel changes nothing.
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& d) {
        auto& p = static_cast<TfrmPreferences&>(d);
        EXPECT_EQ(p.seJpegQuality()->value(), 40);
        p.seJpegQuality()->setValue(99);
        p.sbCancel()->click();
        return mrCancel;
    });
    main_->MenuItem(QStringLiteral("moPreferences"))->trigger();
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(Preferences().SaveJpegQuality, 40);

    main_->SwitchLanguage(QStringLiteral("PORTUGUESE"));
    EXPECT_EQ(main_->MenuItem(QStringLiteral("moPreferences"))->text(),
              QString::fromUtf8("Prefer\u00eancias..."));
    main_->SwitchLanguage(QStringLiteral("ENGLISH"));
}

TEST_F(UnsavedWork, PicturesOfARunThatEndedWithoutClosingComeBackPixelForPixel) {
    const QString folder = Path("recovery");
    main_->StartRecovery(folder);
    EXPECT_TRUE(dialogs_.Asked.empty()) << "nothing to recover: no question";
    TfrmDesigner* saved = NewImage(30, 20);
    TfrmDesigner* drawn = NewImage(50, 40);
    auto* timer = drawn->findChild<QTimer*>(QStringLiteral("recoveryTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive()) << "a new picture is no unsaved work";
    drawn->Image().SetPixel(7, 9, TDibColor{10, 20, 30});
    drawn->SetModified(true);
    saved->SetModified(true);
    // A change starts the document's timer at the chosen interval.
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 30000);
    main_->WriteRecoveryCopies();
    dialogs_.FileNames = {Path("saved.png")};
    main_->MenuItem(QStringLiteral("moSaveAs"))->trigger(); // the active one: drawn
    main_->Recovery()->WaitForWrites();
    EXPECT_EQ(QDir(folder).entryList({"*.kvr"}).size(), 1) << "saving removes its copy";
    drawn->Image().SetPixel(8, 9, TDibColor{1, 1, 1});
    drawn->SetModified(true);
    main_->WriteRecoveryCopies();
    const TDibContainer expected = drawn->Image();
    main_->Recovery()->WaitForWrites();

    // The program ends without closing anything (as a killed process would).
    main_.reset();
    ASSERT_EQ(QDir(folder).entryList({"*.kvr"}).size(), 2);

    // Escape leaves the copies for later; Yes brings them back as they were.
    main_ = std::make_unique<TfrmKolvar>();
    dialogs_.Asked.clear();
    dialogs_.Choices = {TAnswer::Cancel};
    main_->StartRecovery(folder);
    EXPECT_EQ(dialogs_.Messages(), QStringList{"Kolvar|Recover unsaved pictures?"});
    EXPECT_TRUE(main_->Documents().isEmpty());
    main_.reset();
    main_ = std::make_unique<TfrmKolvar>();
    dialogs_.Choices = {TAnswer::Yes};
    main_->StartRecovery(folder);
    const QList<TfrmDesigner*> docs = main_->Documents();
    ASSERT_EQ(docs.size(), 2);
    EXPECT_EQ(docs[0]->windowTitle(), "*Image1");
    EXPECT_TRUE(docs[0]->FileName().isEmpty());
    EXPECT_EQ(docs[1]->windowTitle(), "*saved.png");
    EXPECT_EQ(docs[1]->FileName(), Path("saved.png"));
    EXPECT_TRUE(docs[1]->Modified());
    EXPECT_TRUE(docs[1]->Image().SameImage(expected));
    main_->Recovery()->WaitForWrites();
    EXPECT_EQ(QDir(folder).entryList({"*.kvr"}).size(), 2) << "now this run's copies";

    // Once more, and No: the copies are gone and nothing opens.
    main_.reset();
    main_ = std::make_unique<TfrmKolvar>();
    dialogs_.Choices = {TAnswer::No};
    main_->StartRecovery(folder);
    EXPECT_TRUE(main_->Documents().isEmpty());
    EXPECT_TRUE(QDir(folder).entryList({"*.kvr"}).isEmpty());
    // A normal exit leaves nothing behind, the session's lock included.
    EXPECT_TRUE(main_->close());
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}

TEST_F(UnsavedWork, ABigPicturesCopyGoesSliceBySliceAndAChangeStartsItAgain) {
    const size_t limit = TRecoveryStore::WholeCopyBytes;
    TRecoveryStore::WholeCopyBytes = 0;
    const QString folder = Path("recovery");
    main_->StartRecovery(folder);
    // Rows of 1.2 MB: a copy takes several slices.
    TfrmDesigner* doc = NewImage(400000, 30);
    const auto slices = [&] {
        return main_->findChild<QTimer*>(QStringLiteral("recoverySliceTimer"));
    };
    const auto change = [&](int32_t x) {
        doc->Image().SetPixel(x, 3, TDibColor{9, 8, 7});
        doc->SetModified(true);
    };
    change(1);
    main_->WriteRecoveryCopies();
    ASSERT_NE(slices(), nullptr);
    EXPECT_TRUE(slices()->isActive());
    // A change midway abandons the copy; the next one holds the change.
    QApplication::processEvents();
    change(2);
    main_->WriteRecoveryCopies();
    const TDibContainer expected = doc->Image();
    const auto waitForSlices = [&] {
        QElapsedTimer waited;
        waited.start();
        while (slices()->isActive() && waited.elapsed() < 10000) {
            QApplication::processEvents();
            QThread::msleep(2);
        }
    };
    waitForSlices();
    EXPECT_FALSE(slices()->isActive());
    main_->Recovery()->WaitForWrites();
    const QStringList copies = QDir(folder).entryList({"*.kvr"});
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(ReadRecoveryFile(QDir(folder).filePath(copies[0])).Image.SameImage(expected));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2) << "no temporary file is left";
    // A copy under way stops when its picture no longer needs one, and leaves nothing.
    change(3);
    main_->WriteRecoveryCopies();
    doc->SetModified(false);
    waitForSlices();
    EXPECT_FALSE(slices()->isActive());
    main_->Recovery()->WaitForWrites();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 1) << "only the session's lock";
    TRecoveryStore::WholeCopyBytes = limit;
}
