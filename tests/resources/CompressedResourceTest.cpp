#include "resources/uCompactRotines.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace kolvar;

namespace {

QByteArray Deflate(const QByteArray& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray out(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(raw.constData()), uLong(raw.size()), Z_BEST_SPEED);
    out.resize(qsizetype(size));
    return out;
}

QByteArray Pattern(int n) {
    QByteArray raw(n, '\0');
    for (int i = 0; i < n; ++i) raw[i] = char((i * 7 + i / 13) & 0xFF);
    return raw;
}

QByteArray InflateThroughStream(const QByteArray& compressed, const QByteArray& before = {}) {
    QByteArray src = compressed;
    QBuffer resource(&src);
    resource.open(QIODevice::ReadOnly);
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    stream.write(before);
    LoadCompressedResource(resource, stream);
    return stream.data();
}

} // namespace

TEST(CompressedResource, InflatesStreamsOfAnyLengthIncludingExactMultiplesOfTheReadSize) {
    for (int n : {0, 1, 4095, 4096, 8192, 12289, 100000}) {
        QByteArray raw = Pattern(n);
        EXPECT_EQ(InflateThroughStream(Deflate(raw)), raw) << n;
    }
}

TEST(CompressedResource, AppendsAfterExistingDataAndTheNamedEntryRewinds) {
    QByteArray raw = Pattern(5000);
    EXPECT_EQ(InflateThroughStream(Deflate(raw), "old"), "old" + raw);
    for (const QString& name : CompressedResourceNames()) {
        QBuffer stream;
        stream.open(QIODevice::ReadWrite);
        stream.write("xyz");
        LoadCompressedResource(name, stream);
        EXPECT_EQ(stream.pos(), 0);
        EXPECT_EQ(stream.read(3), "xyz");
    }
}

TEST(CompressedResource, LinkedBlobsCarryTheFastestStreamHeader) {
    for (const TCompressedResource* r = CompressedResourceTable(); r->name; ++r) {
        ASSERT_GE(r->size, 2u) << r->name;
        EXPECT_EQ(r->data[0], 0x78) << r->name;
        EXPECT_EQ(r->data[1], 0x01) << r->name;
    }
}

TEST(CompressedResource, UnknownNameAndCorruptStreamRaiseErrors) {
    QBuffer stream;
    try {
        LoadCompressedResource(QStringLiteral("NO_SUCH_THING"), stream);
        FAIL() << "no error";
    } catch (const EResNotFound& e) {
        EXPECT_STREQ(e.what(), "Resource NO_SUCH_THING not found");
    }
    QByteArray good = Deflate(Pattern(3000));
    EXPECT_THROW(InflateThroughStream(good.left(good.size() / 2)), EZDecompressionError);
    EXPECT_THROW(InflateThroughStream("not zlib at all"), EZDecompressionError);
    QByteArray flipped = good;
    flipped[10] = char(flipped[10] ^ 0x5A);
    EXPECT_THROW(InflateThroughStream(flipped), EZDecompressionError);
}
