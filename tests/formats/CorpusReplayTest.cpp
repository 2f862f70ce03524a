#include "fuzz/FuzzReaders.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <map>

using namespace kolvar;

// Every input the fuzzers ever kept (seeds, coverage corpus and every finding) goes through
// its reader again. A folder is replayed when its name is one of the readers known here.
TEST(CorpusReplay, EveryKeptInputEndsInTheReadersOwnError) {
    using TReader = void (*)(const uint8_t*, size_t);
    const std::map<QString, TReader> readers = {{"gif", &fuzz::ReadGif},
                                                {"pcx", &fuzz::ReadPcx},
                                                {"bmp", &fuzz::ReadBmpFile},
                                                {"jpeg", &fuzz::ReadJpeg}};
    SetPicturePixelLimit(fuzz::kFuzzPixelLimit);
    std::map<QString, int> replayed;
    const QDir root(QStringLiteral(KOLVAR_TEST_DATA "/corpus"));
    for (const QFileInfo& sub : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const auto reader = readers.find(sub.fileName());
        if (reader == readers.end()) continue;
        for (const QFileInfo& f : QDir(sub.filePath()).entryInfoList(QDir::Files)) {
            QFile file(f.filePath());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << f.filePath().toStdString();
            const QByteArray bytes = file.readAll();
            EXPECT_NO_THROW(reader->second(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                           size_t(bytes.size())))
                << f.filePath().toStdString();
            ++replayed[sub.fileName()];
        }
    }
    SetPicturePixelLimit(kMaxPicturePixels);
    for (const auto& [name, reader] : readers) EXPECT_GT(replayed[name], 0) << name.toStdString();
}
