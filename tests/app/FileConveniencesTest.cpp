// Getting at files: the recent-file list, the Open dialog's folder, filter and several files at
// once, Open Recent across a restart, and files dropped on the frame.

#include "app/RecentFiles.h"
#include "app/uFRMMain.h"
#include "common/ScriptedDialogs.h"
#include "document/uFRMDesigner.h"
#include "formats/BmpCodec.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace kolvar;
using kolvar::test::TScriptedDialogs;

namespace {

QString writeBmp(const QString& dir, const QString& name, int width = 9) {
    QDir().mkpath(dir);
    QImage image(width, 6, QImage::Format_RGB888);
    image.fill(QColor(20, 120, 220));
    const QString path = QDir(dir).filePath(name);
    SaveBmp24(path, image);
    return path;
}

QStringList captions(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

class FileConveniences : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("KOLVAR_HOME", home_.path().toLocal8Bit());
        Start();
    }
    void TearDown() override {
        main_.reset();
        qunsetenv("KOLVAR_HOME");
    }
    // A fresh main window on the same settings file: what a restart sees.
    void Start() {
        if (main_) {
            main_->close();
            main_.reset();
        }
        main_ = std::make_unique<TfrmKolvar>();
        main_->resize(1000, 800);
        main_->show();
        QApplication::processEvents();
    }
    QString Path(const QString& name) const { return home_.filePath(name); }
    // Files open in the background: wait until every read has become a document (or a message).
    void Settle() {
        QElapsedTimer waited;
        waited.start();
        while (main_->Opening() && waited.elapsed() < 10000) QApplication::processEvents();
        ASSERT_FALSE(main_->Opening());
    }

    QTemporaryDir home_;
    TScriptedDialogs dialogs_;
    std::unique_ptr<TfrmKolvar> main_;
};

} // namespace

TEST(RecentFiles, KeepsTenFilesNewestFirstOnceEachAndSurvivesTheSettingsFile) {
    QTemporaryDir dir;
    TRecentFiles recent;
    EXPECT_EQ(recent.LastFolder(QStringLiteral("/fallback")), QStringLiteral("/fallback"));
    for (int i = 1; i <= 12; ++i) recent.Add(dir.filePath(QStringLiteral("f%1.bmp").arg(i)));
    ASSERT_EQ(recent.Files().size(), TRecentFiles::MaxCount);
    EXPECT_EQ(recent.Files().first(), dir.filePath(QStringLiteral("f12.bmp")));
    EXPECT_EQ(recent.Files().last(), dir.filePath(QStringLiteral("f3.bmp")));
    // Another spelling of a listed file moves it to the front instead of adding it again.
    recent.Add(dir.path() + QStringLiteral("/sub/../f5.bmp"));
    EXPECT_EQ(recent.Files().size(), TRecentFiles::MaxCount);
    EXPECT_EQ(recent.Files().first(), dir.filePath(QStringLiteral("f5.bmp")));
    EXPECT_EQ(recent.Files().count(dir.filePath(QStringLiteral("f5.bmp"))), 1);
    recent.Remove(dir.filePath(QStringLiteral("f5.bmp")));
    EXPECT_EQ(recent.Files().first(), dir.filePath(QStringLiteral("f12.bmp")));

    // The folder of the newest entry whose folder still exists.
    recent.Add(dir.filePath(QStringLiteral("gone/x.bmp")));
    EXPECT_EQ(recent.LastFolder(QStringLiteral("/fallback")), dir.path());

    // The section sits beside the others of the settings file, which stay; names with commas
    // and non-ASCII letters come back as they went.
    const QString ini = dir.filePath(QStringLiteral("kolvar.ini"));
    {
        QSettings s(ini, QSettings::IniFormat);
        s.setValue(QStringLiteral("Main/FileWidth"), 640);
    }
    recent.Add(dir.filePath(QString::fromUtf8("a, b \u00e7.png")));
    ASSERT_TRUE(recent.Write(ini));
    TRecentFiles back;
    back.Read(ini);
    EXPECT_EQ(back.Files(), recent.Files());
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value(QStringLiteral("Main/FileWidth")), 640);
    // A shorter list leaves no stale keys behind; blanks and repeats in the file are skipped.
    recent.Clear();
    recent.Add(dir.filePath(QStringLiteral("only.bmp")));
    ASSERT_TRUE(recent.Write(ini));
    {
        QSettings s(ini, QSettings::IniFormat);
        s.setValue(QStringLiteral("RecentFiles/File2"), QString());
        s.setValue(QStringLiteral("RecentFiles/File3"), dir.filePath(QStringLiteral("only.bmp")));
    }
    back.Read(ini);
    EXPECT_EQ(back.Files(), QStringList{dir.filePath(QStringLiteral("only.bmp"))});
}

TEST_F(FileConveniences, OpenListsEveryReadableTypeTakesSeveralFilesAndStartsInTheLastFolder) {
    const QString folder = Path(QStringLiteral("pictures"));
    const QStringList files{writeBmp(folder, QStringLiteral("a.bmp")),
                            writeBmp(folder, QStringLiteral("b.bmp")),
                            writeBmp(folder, QStringLiteral("c.bmp"))};
    dialogs_.FileNameLists.push_back(files);
    main_->FileOptionsClick(1);
    Settle();
    ASSERT_EQ(dialogs_.FileRequests.size(), 1u);
    // The first time: the program's directory, and a first entry that names every type.
    EXPECT_EQ(QDir(dialogs_.FileRequests[0].Directory), QDir(home_.path()));
    const QString first = dialogs_.FileRequests[0].Filter.section(QStringLiteral(";;"), 0, 0);
    for (const char* type :
         {"*.bmp", "*.jpg", "*.jpeg", "*.emf", "*.wmf", "*.gif", "*.pcx", "*.png"})
        EXPECT_TRUE(first.contains(QLatin1String(type))) << type;
    for (const char* entry : {"GIF Files (*.gif)", "PCX Files (*.pcx)", "PNG Files (*.png)"})
        EXPECT_TRUE(dialogs_.FileRequests[0].Filter.contains(QLatin1String(entry))) << entry;

    ASSERT_EQ(main_->DocumentCount(), 3);
    QStringList titles;
    for (TfrmDesigner* doc : main_->Documents()) titles << doc->windowTitle();
    EXPECT_EQ(titles, (QStringList{"a.bmp", "b.bmp", "c.bmp"}));

    // Cancelling opens nothing; the next Open starts where the last files came from.
    dialogs_.FileNameLists.push_back({});
    main_->FileOptionsClick(1);
    EXPECT_EQ(QDir(dialogs_.FileRequests.back().Directory), QDir(folder));
    EXPECT_EQ(main_->DocumentCount(), 3);
}

TEST_F(FileConveniences, OpenRecentListsOpenedAndSavedFilesAfterARestart) {
    QMenu* menu = main_->RecentMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->menuAction()->isEnabled()) << "nothing opened yet";
    const QString a = writeBmp(home_.path(), QStringLiteral("a.bmp"));
    const QString b = writeBmp(home_.path(), QStringLiteral("b&c.bmp"));
    ASSERT_NE(main_->OpenDocument(a), nullptr);
    ASSERT_NE(main_->OpenDocument(b), nullptr);
    // A new picture saved under a name joins the list too.
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd&) { return mrOk; });
    main_->FileOptionsClick(0);
    const QString saved = Path(QStringLiteral("saved.bmp"));
    dialogs_.FileNames.push_back(saved);
    ASSERT_TRUE(main_->ActiveDocument()->SaveImage(true));
    EXPECT_EQ(main_->RecentFiles().Files(), (QStringList{saved, b, a}));

    Start();
    menu = main_->RecentMenu();
    EXPECT_TRUE(menu->menuAction()->isEnabled());
    EXPECT_EQ(captions(menu), (QStringList{"&1 " + saved, "&2 " + QString(b).replace("&", "&&"),
                                           "&3 " + a, "-", "Clear List"}));
    menu->actions().at(1)->trigger();
    Settle();
    ASSERT_EQ(main_->DocumentCount(), 1);
    EXPECT_EQ(main_->ActiveDocument()->windowTitle(), QStringLiteral("b&c.bmp"));
    EXPECT_EQ(main_->RecentFiles().Files().first(), b);

    // A file that went away: the open error, and the entry leaves the list.
    QFile::remove(a);
    main_->RecentMenu()->actions().at(2)->trigger();
    Settle();
    EXPECT_EQ(dialogs_.Messages().last(),
              QStringLiteral("Open Error|Could not open file ") + a + QLatin1Char('.'));
    EXPECT_EQ(main_->RecentFiles().Files(), (QStringList{b, saved}));
    EXPECT_EQ(main_->DocumentCount(), 1);

    main_->RecentMenu()->findChild<QAction*>(QStringLiteral("moClearRecent"))->trigger();
    EXPECT_EQ(captions(main_->RecentMenu()), (QStringList{"-", "Clear List"}));
    Start();
    EXPECT_TRUE(main_->RecentFiles().IsEmpty());
    EXPECT_FALSE(main_->RecentMenu()->menuAction()->isEnabled());
}

TEST_F(FileConveniences, FilesDroppedOnTheFrameOrADocumentOpenAsDocuments) {
    const QString a = writeBmp(home_.path(), QStringLiteral("a.bmp"));
    const QString b = writeBmp(home_.path(), QStringLiteral("b.bmp"));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(a), QUrl(QStringLiteral("https://example.org/c.bmp")),
                   QUrl::fromLocalFile(b)});
    QMimeData text;
    text.setText(QStringLiteral("not a file"));

    auto drop = [this](QWidget* target, QMimeData* data) {
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        return dropped.isAccepted();
    };
    EXPECT_FALSE(drop(main_.get(), &text));
    EXPECT_EQ(main_->DocumentCount(), 0);
    EXPECT_TRUE(drop(main_.get(), &files));
    Settle();
    ASSERT_EQ(main_->DocumentCount(), 2);
    EXPECT_EQ(main_->Documents()[1]->windowTitle(), QStringLiteral("b.bmp"));

    // Drops over a document reach the frame: the picture opens, nothing is pasted.
    TfrmDesigner* doc = main_->Documents()[0];
    const TDibContainer before = doc->Image();
    QWidget* over = &doc->Designer();
    while (over && !over->acceptDrops()) over = over->parentWidget();
    EXPECT_EQ(over, main_.get());
    EXPECT_TRUE(main_->OpenDroppedFiles(&files));
    Settle();
    EXPECT_EQ(main_->DocumentCount(), 4);
    EXPECT_TRUE(doc->Image().SameImage(before));
}
