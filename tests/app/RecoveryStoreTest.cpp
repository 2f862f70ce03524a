#include "app/RecoveryStore.h"

#include "common/TestSupport.h"
#include "formats/DibData.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kolvar;

namespace {

TDibContainer pattern(int32_t w, int32_t h, uint8_t seed) {
    TDibContainer image(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            image.SetPixel(x, y, TDibColor{uint8_t(x * 3 + seed), uint8_t(y * 5), uint8_t(x ^ y)});
    return image;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// The lock of a session whose program died: a lock file naming a process that has ended.
void writeDeadLock(const QString& path) {
    QProcess shell;
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$")});
    ASSERT_TRUE(shell.waitForFinished());
    const QByteArray pid = shell.readAllStandardOutput().trimmed();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(pid + "\nkolvar\n" + QSysInfo::machineHostName().toUtf8() + "\n");
}

} // namespace

TEST(RecoveryStore, AFileHoldsThePictureItsCaptionAndFileNameAndRefusesDamage) {
    QTemporaryDir dir;
    const QString path = dir.filePath("one.kvr");
    const TDibContainer image = pattern(33, 17, 9);
    const QString caption = QString::fromUtf8("f\u00e9rias.jpg");
    WriteRecoveryFile(path, image, caption, "/home/u/f\u00e9rias.jpg", true);
    const TRecoveredPicture back = ReadRecoveryFile(path);
    EXPECT_TRUE(back.Image.SameImage(image));
    EXPECT_EQ(back.Caption, caption);
    EXPECT_EQ(back.FileName, QString::fromUtf8("/home/u/f\u00e9rias.jpg"));
    EXPECT_TRUE(back.Modified);

    // Cut short, grown, or claiming a size its bytes do not hold: refused before allocating.
    const QByteArray whole = test::ReadFileBytes(path);
    const auto refused = [&](const QByteArray& bytes) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.close();
        try {
            ReadRecoveryFile(path);
        } catch (const EInvalidGraphic&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(refused(whole.left(whole.size() - 1)));
    EXPECT_TRUE(refused(whole + "x"));
    EXPECT_TRUE(refused(QByteArray("KVRECOV1") + QByteArray(4, '\xFF')));
    QByteArray huge = EncodeRecoveryHeader("c", "", true, 60000, 60000);
    EXPECT_TRUE(refused(huge + QByteArray(100, 0)));
    EXPECT_TRUE(refused(QByteArray("not a recovery file")));
    EXPECT_THROW(ReadRecoveryFile(dir.filePath("missing.kvr")), EInOutError);
}

TEST(RecoveryStore, WritesAndRemovesInOrderAndCloseLeavesNothing) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("state/kolvar/recovery");
    TRecoveryStore store(folder);
    ASSERT_TRUE(store.Active());
    store.Prepare(1, 10, 10);
    store.Prepare(2, 99, 99); // readied for a size the picture no longer has
    store.WaitForWrites();
    store.Write(1, pattern(10, 10, 1), "Image1", "", true);
    store.Write(2, pattern(12, 8, 2), "b.png", "/x/b.png", true);
    // The copy is taken when Write is called: a change right after it is not in the file.
    TDibContainer picture = pattern(10, 10, 3);
    store.Write(1, picture, "Image1", "", true);
    picture.Clear(clDibBlack);
    store.Remove(2);
    store.WaitForWrites();
    EXPECT_TRUE(ReadRecoveryFile(store.PathFor(1)).Image.SameImage(pattern(10, 10, 3)))
        << "the later copy wins";
    EXPECT_FALSE(QFile::exists(store.PathFor(2))) << "a removal waits for the write before it";
    // Only the session's lock and its one copy are in the folder; no temporary files remain.
    EXPECT_EQ(filesIn(folder).size(), 2);
    // Without memory for a copy the old one stays and nothing is raised.
    const TDibContainer later = pattern(10, 10, 4);
    const TDibAllocator system = SetDibAllocator([](size_t) -> void* { return nullptr; });
    EXPECT_NO_THROW(store.Write(1, later, "Image1", "", true));
    SetDibAllocator(system);
    store.WaitForWrites();
    EXPECT_TRUE(ReadRecoveryFile(store.PathFor(1)).Image.SameImage(pattern(10, 10, 3)));
    store.Close();
    EXPECT_TRUE(filesIn(folder).isEmpty());
}

TEST(RecoveryStore, ASlicedCopyWritesTheWholeFileOrLeavesTheOldOne) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("recovery");
    TRecoveryStore store(folder);
    ASSERT_TRUE(store.Active());
    // Rows of 1.2 MB: seven slices, the last one short.
    const TDibContainer big = pattern(400000, 50, 7);
    store.Write(1, pattern(9, 9, 1), "Image1", "", true);
    store.WaitForWrites();
    const auto runToEnd = [&](TSlicedCopy& copy, const TDibContainer& image) {
        int calls = 0;
        while (!copy.Done()) {
            if (!copy.Next(image)) store.WaitForWrites();
            ASSERT_LT(++calls, 100);
        }
        store.WaitForWrites();
    };
    {
        // Abandoned midway, by Cancel or by a picture of another size: the old copy stays.
        TSlicedCopy cancelled(store, 1, big.Width(), big.Height(), "big", "/p/big.bmp");
        cancelled.Next(big);
        cancelled.Cancel();
        TSlicedCopy resized(store, 1, big.Width(), big.Height(), "big", "/p/big.bmp");
        resized.Next(big);
        EXPECT_FALSE(resized.Next(pattern(400000, 49, 7)));
        EXPECT_TRUE(resized.Done());
        TSlicedCopy dropped(store, 1, big.Width(), big.Height(), "big", "/p/big.bmp");
        dropped.Next(big);
    }
    store.WaitForWrites();
    EXPECT_TRUE(ReadRecoveryFile(store.PathFor(1)).Image.SameImage(pattern(9, 9, 1)));
    EXPECT_EQ(filesIn(folder).size(), 2) << "no temporary file is left";

    TSlicedCopy copy(store, 1, big.Width(), big.Height(), "big", "/p/big.bmp");
    runToEnd(copy, big);
    const TRecoveredPicture back = ReadRecoveryFile(store.PathFor(1));
    EXPECT_TRUE(back.Image.SameImage(big));
    EXPECT_EQ(back.Caption, "big");
    EXPECT_EQ(back.FileName, "/p/big.bmp");
    EXPECT_TRUE(back.Modified);
    const QString whole = dir.filePath("whole.kvr");
    WriteRecoveryFile(whole, big, "big", "/p/big.bmp", true);
    QFile a(store.PathFor(1)), b(whole);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_TRUE(a.readAll() == b.readAll()) << "the same bytes as a whole copy";
}

TEST(RecoveryStore, OnlyFilesNoLivingProgramOwnsAreOrphansAndOneProgramTakesThem) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("recovery");
    TRecoveryStore running(folder);
    running.Write(1, pattern(4, 4, 1), "Image1", "", true);
    running.WaitForWrites();

    // A session whose program was killed: its copies and a lock naming a dead process.
    QDir().mkpath(folder);
    WriteRecoveryFile(QDir(folder).filePath("dead.1_1.kvr"), pattern(5, 5, 2), "a.bmp", "", true);
    WriteRecoveryFile(QDir(folder).filePath("dead.1_2.kvr"), pattern(6, 6, 3), "Image2", "", true);
    writeDeadLock(QDir(folder).filePath("dead.1.lock"));
    // A session that ended leaving only its lock, and one without any lock left at all.
    writeDeadLock(QDir(folder).filePath("empty.3.lock"));
    WriteRecoveryFile(QDir(folder).filePath("gone.2_7.kvr"), pattern(2, 2, 4), "Image7", "", true);

    TRecoveryStore first(folder);
    const QStringList orphans = first.FindOrphans();
    EXPECT_FALSE(QFile::exists(QDir(folder).filePath("empty.3.lock")));
    ASSERT_EQ(orphans.size(), 3);
    EXPECT_TRUE(orphans[0].endsWith("dead.1_1.kvr"));
    EXPECT_TRUE(orphans[2].endsWith("gone.2_7.kvr"));
    for (const QString& f : orphans) EXPECT_FALSE(f.contains(running.PathFor(1)));

    // A second program starting meanwhile finds nothing: the first one holds those sessions.
    TRecoveryStore second(folder);
    EXPECT_TRUE(second.FindOrphans().isEmpty());

    // Left for a later start, they are found again; discarded, they are gone for good.
    first.ReleaseOrphans();
    EXPECT_EQ(second.FindOrphans().size(), 3);
    second.DiscardOrphans();
    for (const QString& f : orphans) EXPECT_FALSE(QFile::exists(f));
    EXPECT_FALSE(QFile::exists(QDir(folder).filePath("dead.1.lock")));
    EXPECT_TRUE(QFile::exists(running.PathFor(1)));
}

TEST(RecoveryStore, TheFolderFollowsKolvarHomeAndTheStateDirectory) {
    const QByteArray home = qgetenv("KOLVAR_HOME"), state = qgetenv("XDG_STATE_HOME");
    qputenv("KOLVAR_HOME", "/tmp/kh");
    EXPECT_EQ(TRecoveryStore::DefaultFolder(), "/tmp/kh/recovery");
    qunsetenv("KOLVAR_HOME");
    qputenv("XDG_STATE_HOME", "/tmp/st");
    EXPECT_EQ(TRecoveryStore::DefaultFolder(), "/tmp/st/kolvar/recovery");
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(TRecoveryStore::DefaultFolder(),
              QDir::home().filePath(".local/state/kolvar/recovery"));
    if (!home.isEmpty()) qputenv("KOLVAR_HOME", home);
    if (!state.isEmpty()) qputenv("XDG_STATE_HOME", state);

    // A folder that cannot be made leaves the store idle rather than stopping the program.
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    TRecoveryStore idle(dir.filePath("file/recovery"));
    EXPECT_FALSE(idle.Active());
    idle.Write(1, pattern(2, 2, 0), "x", "", true);
    idle.WaitForWrites();
    EXPECT_TRUE(idle.FindOrphans().isEmpty());
}
