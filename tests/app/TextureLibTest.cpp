// Texture library files are untrusted input: every count and size is checked against the
// bytes present before anything is allocated, and the pictures are decoded from memory.

#include "app/TextureLib.h"
#include "common/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>

using namespace kolvar;

namespace {

void put32(QByteArray& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.append(char(uint32_t(v) >> (8 * i)));
}

QByteArray bmp(int w, int h, QColor c) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

QByteArray record(const QByteArray& name, const QByteArray& picture) {
    QByteArray out;
    put32(out, int32_t(name.size()));
    out += name;
    put32(out, int32_t(picture.size()));
    out += picture;
    return out;
}

QByteArray library(int32_t count, const QByteArray& records) {
    QByteArray out;
    put32(out, count);
    return out + records;
}

// Loads bytes as a file and returns the error text, or "" when it loaded.
QString loadError(TTextureLib& lib, const QByteArray& bytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ptl"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();
    try {
        lib.LoadFromFile(path);
    } catch (const ETextureLibError& e) {
        return QString::fromStdString(e.what());
    }
    return QString();
}

} // namespace

TEST(TextureLib, ReadsRecordsKeepingTheFileNamePartAndNeverWritesATempFile) {
    QTemporaryDir cwd;
    const QString old = QDir::currentPath();
    QDir::setCurrent(cwd.path());
    TTextureLib lib;
    const QByteArray bytes = library(2, record("C:\\textures\\wood.bmp", bmp(3, 2, Qt::red)) +
                                            record("stone", bmp(4, 4, Qt::blue)));
    EXPECT_EQ(loadError(lib, bytes), QString());
    QDir::setCurrent(old);
    EXPECT_TRUE(QDir(cwd.path()).entryList(QDir::Files).isEmpty()) << "no temp.$$$ left behind";
    ASSERT_EQ(lib.GetCount(), 2);
    QStringList names{QStringLiteral("stale")};
    lib.GetNamesList(names);
    EXPECT_EQ(names, (QStringList{QStringLiteral("wood.bmp"), QStringLiteral("stone")}));
    QImage t;
    lib.GetTexture(0, t);
    EXPECT_EQ(t.size(), QSize(3, 2));
    EXPECT_EQ(t.pixelColor(1, 1), QColor(Qt::red));
    // A second load replaces the contents.
    EXPECT_EQ(loadError(lib, library(0, {})), QString());
    EXPECT_EQ(lib.GetCount(), 0);
}

TEST(TextureLib, BadIndexRaisesTheLibraryError) {
    TTextureLib lib;
    QImage image(2, 2, QImage::Format_RGB32);
    lib.AddTexture(QStringLiteral("a/b/c"), image);
    QImage out;
    EXPECT_NO_THROW(lib.GetTexture(0, out));
    for (int bad : {-1, 1}) {
        try {
            lib.GetTexture(bad, out);
            ADD_FAILURE() << "index " << bad;
        } catch (const ETextureLibError& e) {
            EXPECT_STREQ(e.what(), "Texture index not found.");
        }
    }
}

TEST(TextureLib, HostileFilesAreRefusedBeforeAllocatingAndKeepWhatWasRead) {
    const QByteArray good = record("ok", bmp(2, 2, Qt::green));
    struct TCase {
        const char* what;
        QByteArray bytes;
        int kept;
    };
    QByteArray hugeName;
    put32(hugeName, INT_MAX);
    QByteArray hugePicture;
    put32(hugePicture, 2);
    hugePicture += "ab";
    put32(hugePicture, INT_MAX);
    QByteArray pastEnd;
    put32(pastEnd, 1);
    pastEnd += "x";
    put32(pastEnd, 200);
    pastEnd += bmp(2, 2, Qt::red).left(60);
    QByteArray negative;
    put32(negative, -5);
    const TCase cases[] = {
        {"empty file", QByteArray(), 0},
        {"count 2^31-1", library(INT_MAX, good), 0},
        {"negative count", library(-1, {}), 0},
        {"name length 2^31-1", library(2, good + hugeName), 1},
        {"negative name length", library(2, good + negative), 1},
        {"picture size 2^31-1", library(2, good + hugePicture), 1},
        {"picture past the end", library(2, good + pastEnd), 1},
        {"picture not a BMP", library(2, good + record("gif", "GIF89a-not-a-bmp")), 1},
        {"truncated BMP", library(1, record("cut", bmp(8, 8, Qt::red).left(70))), 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TTextureLib lib;
        const QString error = loadError(lib, c.bytes);
        EXPECT_TRUE(error.startsWith(QStringLiteral("Invalid texture library")))
            << error.toStdString();
        EXPECT_EQ(lib.GetCount(), c.kept);
    }
}

TEST(TextureLib, MissingFileIsReported) {
    TTextureLib lib;
    lib.AddTexture(QStringLiteral("x"), QImage(1, 1, QImage::Format_RGB32));
    EXPECT_THROW(lib.LoadFromFile(QStringLiteral("/nonexistent/dir/none.ptl")), ETextureLibError);
    EXPECT_EQ(lib.GetCount(), 0);
}

TEST(TextureLib, FuzzCorpusReplaysWithOnlyTheLibraryError) {
    const QDir corpus(kolvar::test::TestDataPath(QStringLiteral("corpus/ptl")));
    const QStringList files = corpus.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        TTextureLib lib;
        try {
            lib.LoadFromBytes(kolvar::test::ReadFileBytes(corpus.filePath(name)), name);
        } catch (const ETextureLibError&) {
        }
        QImage texture;
        for (int i = 0; i < lib.GetCount(); ++i) EXPECT_NO_THROW(lib.GetTexture(i, texture));
    }
}
