#include "formats/Bmp2Tiff.h"

#include <QBuffer>
#include <QtEndian>

#include <vector>

namespace kolvar {

namespace {

enum TTiffType : uint16_t { ttShort = 3, ttLong = 4, ttRational = 5, ttAscii = 2 };

struct TIfdEntry {
    uint16_t Tag;
    uint16_t Type;
    uint32_t Count;
    uint32_t Value;
};

const char kSoftware[] = "Quellimark";

class TTiffStream {
public:
    explicit TTiffStream(QIODevice& device) : FDevice(device) {}

    qint64 Pos() const { return FDevice.pos(); }
    void Write(const QByteArray& bytes) {
        if (FDevice.write(bytes) != bytes.size()) Fail();
    }
    void Write16(uint16_t v) { WriteLe(v); }
    void Write32(uint32_t v) { WriteLe(v); }
    void Rational(uint32_t num, uint32_t den) {
        Write32(num);
        Write32(den);
    }
    void Seek(qint64 at) {
        if (!FDevice.seek(at)) Fail();
    }

private:
    template <class T> void WriteLe(T v) {
        char b[sizeof(T)];
        qToLittleEndian(v, b);
        if (FDevice.write(b, sizeof b) != qint64(sizeof b)) Fail();
    }
    [[noreturn]] void Fail() {
        throw EWriteError(QStringLiteral("Stream write error: %1").arg(FDevice.errorString()));
    }

    QIODevice& FDevice;
};

void WriteIfd(TTiffStream& out, const std::vector<TIfdEntry>& entries) {
    const uint32_t ifdAt = uint32_t(out.Pos());
    out.Write16(uint16_t(entries.size()));
    for (const TIfdEntry& e : entries) {
        out.Write16(e.Tag);
        out.Write16(e.Type);
        out.Write32(e.Count);
        out.Write32(e.Value);
    }
    out.Write32(0);
    out.Seek(4);
    out.Write32(ifdAt);
}

void WriteHeader(TTiffStream& out) {
    out.Write(QByteArray("II", 2));
    out.Write16(42);
    out.Write32(0); // IFD offset, patched at the end
}

void WritePalette(TTiffStream& out, const TDibData& dib) {
    const int bits = dib.BitCount;
    const uint32_t n = 1u << bits;
    int32_t width = dib.Width;
    // 4-bit rows are cut to a width divisible by 4; a picture narrower than that keeps its
    // own width (with a padded last byte) rather than becoming zero pixels wide.
    if (bits == 4 && width >= 4) width = (width / 4) * 4;
    const int32_t rowBytes = int32_t((int64_t(width) * bits + 7) / 8);

    WriteHeader(out);
    const uint32_t mapAt = uint32_t(out.Pos());
    for (int c = 0; c < 3; ++c)
        for (uint32_t i = 0; i < n; ++i) {
            const TRgbQuad q = i < dib.Palette.size() ? dib.Palette[i] : TRgbQuad{};
            const uint8_t v = c == 0 ? q.Red : c == 1 ? q.Green : q.Blue;
            out.Write16(uint16_t(v << 8));
        }
    const uint32_t xAt = uint32_t(out.Pos());
    out.Rational(877, 10);
    const uint32_t yAt = uint32_t(out.Pos());
    out.Rational(877, 10);
    const uint32_t softAt = uint32_t(out.Pos());
    out.Write(QByteArray(kSoftware, 10));
    const uint32_t dataAt = uint32_t(out.Pos());
    for (int32_t y = 0; y < dib.Height; ++y)
        out.Write(QByteArray(reinterpret_cast<const char*>(dib.ScanLine(y)), rowBytes));
    const uint32_t dataBytes = uint32_t(rowBytes) * uint32_t(dib.Height);

    WriteIfd(out, {{254, ttLong, 1, 0},
                   {256, ttShort, 1, uint32_t(width)},
                   {257, ttShort, 1, uint32_t(dib.Height)},
                   {258, ttShort, 1, uint32_t(bits)},
                   {259, ttShort, 1, 1},
                   {262, ttShort, 1, 3},
                   {273, ttLong, 1, dataAt},
                   {277, ttShort, 1, 1},
                   {278, ttLong, 1, uint32_t(dib.Height)},
                   {279, ttLong, 1, dataBytes},
                   {282, ttRational, 1, xAt},
                   {283, ttRational, 1, yAt},
                   {296, ttShort, 1, 2},
                   {305, ttAscii, 10, softAt},
                   {320, ttShort, 3 * n, mapAt}});
}

// One row as red, green, blue bytes.
QByteArray RgbRow(const TDibData& dib, int32_t y) {
    const uint8_t* src = dib.ScanLine(y);
    QByteArray row(qsizetype(dib.Width) * 3, '\0');
    auto* dst = reinterpret_cast<uint8_t*>(row.data());
    for (int32_t x = 0; x < dib.Width; ++x, dst += 3) {
        if (dib.BitCount == 16) {
            // 5-5-5 components widened to 8 bits, the top bits repeated below.
            const uint16_t v = qFromLittleEndian<uint16_t>(src + 2 * x);
            const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            dst[0] = uint8_t((r << 3) | (r >> 2));
            dst[1] = uint8_t((g << 3) | (g >> 2));
            dst[2] = uint8_t((b << 3) | (b >> 2));
        } else {
            const uint8_t* p = src + x * (dib.BitCount / 8);
            dst[0] = p[2];
            dst[1] = p[1];
            dst[2] = p[0];
        }
    }
    return row;
}

void WriteRgb(TTiffStream& out, const TDibData& dib) {
    WriteHeader(out);
    out.Rational(877, 10);
    out.Rational(877, 10);
    out.Write16(8);
    out.Write16(8);
    out.Write16(8);
    out.Write(QByteArray(kSoftware, 10));
    for (int32_t y = 0; y < dib.Height; ++y) out.Write(RgbRow(dib, y));
    const uint32_t dataBytes = uint32_t(dib.Width) * uint32_t(dib.Height) * 3;

    WriteIfd(out, {{254, ttLong, 1, 0},
                   {256, ttShort, 1, uint32_t(dib.Width)},
                   {257, ttShort, 1, uint32_t(dib.Height)},
                   {258, ttShort, 3, 24},
                   {259, ttShort, 1, 1},
                   {262, ttShort, 1, 2},
                   {273, ttLong, 1, 40},
                   {277, ttShort, 1, 3},
                   {278, ttLong, 1, uint32_t(dib.Height)},
                   {279, ttLong, 1, dataBytes},
                   {282, ttRational, 1, 8},
                   {283, ttRational, 1, 16},
                   {284, ttShort, 1, 1},
                   {296, ttShort, 1, 2},
                   {305, ttAscii, 10, 30}});
}

bool Writable(const TDibData& dib) {
    const int b = dib.BitCount;
    const bool depth = b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
    // Width and height go into SHORT fields.
    return depth && !dib.IsEmpty() && dib.Width <= 65535 && dib.Height <= 65535 &&
           dib.Bits.size() == qsizetype(dib.Stride()) * dib.Height;
}

} // namespace

void WriteTIFF(QIODevice& stream, const TDibData& bitmap) {
    if (!Writable(bitmap)) throw EInvalidGraphic();
    TTiffStream out(stream);
    if (bitmap.BitCount <= 8)
        WritePalette(out, bitmap);
    else
        WriteRgb(out, bitmap);
}

void SaveTIFF(const QString& fileName, const TDibData& bitmap) {
    if (!Writable(bitmap)) throw EInvalidGraphic();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteTIFF(buffer, bitmap);
    WriteFileSafely(fileName, buffer.data());
}

} // namespace kolvar
