#include "shell/uPreferences.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kolvar {
namespace {

void writeText(const QString& path, const char* text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

TEST(Preferences, HandWrittenValuesAreReadClampedAndBadOnesKeepTheDefaults) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kolvar.ini"));
    EXPECT_EQ(ReadPreferences(path).SaveJpegQuality, 90);
    writeText(path, "[Main]\nIdiom=ENGLISH\n[Preferences]\nSaveJpegQuality=75\n"
                    "RecoveryInterval=5\nUndoLevels=abc\nHistoryBudgetMB=0x40\n");
    const TPreferences read = ReadPreferences(path);
    EXPECT_EQ(read.SaveJpegQuality, 75);
    EXPECT_EQ(read.RecoveryInterval, 10);
    EXPECT_EQ(read.UndoLevels, 1);
    EXPECT_EQ(read.HistoryBudgetMB, 64);
}

TEST(Preferences, WritingKeepsTheOtherSectionsAndReadsBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/kolvar.ini"));
    QDir().mkpath(dir.filePath(QStringLiteral("sub")));
    writeText(path, "[Main]\nIdiom=PORTUGUESE\n");
    TPreferences p;
    p.SaveJpegQuality = 12;
    p.RecoveryInterval = 600;
    p.UndoLevels = 100;
    p.HistoryBudgetMB = 1024;
    ASSERT_TRUE(WritePreferences(path, p));
    const TPreferences read = ReadPreferences(path);
    EXPECT_EQ(read.SaveJpegQuality, 12);
    EXPECT_EQ(read.RecoveryInterval, 600);
    EXPECT_EQ(read.UndoLevels, 100);
    EXPECT_EQ(read.HistoryBudgetMB, 1024);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Idiom=PORTUGUESE"));
}

} // namespace
} // namespace kolvar
