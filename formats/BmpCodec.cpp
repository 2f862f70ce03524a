#include "formats/BmpCodec.h"

#include "formats/ColorReduce.h"
#include "formats/DecodeBudget.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace kolvar {

namespace {

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6 };

[[noreturn]] void Invalid() {
    throw EInvalidGraphic();
}

// Bounds-checked little-endian access to the file bytes.
class TBytes {
public:
    explicit TBytes(const QByteArray& b)
        : FData(reinterpret_cast<const uint8_t*>(b.constData())), FSize(b.size()) {}
    qsizetype Size() const { return FSize; }
    void Need(qsizetype at, qsizetype n) const {
        if (at < 0 || n < 0 || at > FSize || FSize - at < n) Invalid();
    }
    uint16_t U16(qsizetype at) const {
        Need(at, 2);
        return qFromLittleEndian<uint16_t>(FData + at);
    }
    uint32_t U32(qsizetype at) const {
        Need(at, 4);
        return qFromLittleEndian<uint32_t>(FData + at);
    }
    const uint8_t* At(qsizetype at, qsizetype n) const {
        Need(at, n);
        return FData + at;
    }

private:
    const uint8_t* FData;
    qsizetype FSize;
};

struct TBmpInfo {
    int64_t Width = 0;
    int64_t Height = 0; // absolute
    bool TopDown = false;
    int BitCount = 0;
    uint32_t Compression = BI_RGB;
    uint32_t Masks[3] = {0, 0, 0};
    QList<QRgb> Palette;
    qsizetype BitsOffset = 0;
};

bool ValidBitCount(int b) {
    return b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
}

void ReadPalette(const TBytes& in, qsizetype at, qsizetype count, int entrySize, TBmpInfo& info) {
    const uint8_t* p = in.At(at, count * entrySize);
    for (qsizetype i = 0; i < count; ++i, p += entrySize)
        info.Palette.push_back(qRgb(p[2], p[1], p[0]));
    // Indices the file has no colour for show black instead of reading past the table.
    info.Palette.resize(qsizetype(1) << info.BitCount, qRgb(0, 0, 0));
}

TBmpInfo ReadInfo(const TBytes& in) {
    if (in.U16(0) != 0x4D42) Invalid(); // "BM"
    TBmpInfo info;
    const uint32_t headerSize = in.U32(14);
    const qsizetype headerEnd = 14 + qsizetype(headerSize);
    int entrySize = 4;
    uint32_t colorsUsed = 0;
    if (headerSize == 12) {
        info.Width = in.U16(18);
        info.Height = int16_t(in.U16(20));
        info.BitCount = in.U16(24);
        entrySize = 3;
    } else if (headerSize >= 40 && headerSize <= 124) {
        info.Width = int32_t(in.U32(18));
        info.Height = int32_t(in.U32(22));
        info.BitCount = in.U16(28);
        info.Compression = in.U32(30);
        colorsUsed = in.U32(46);
    } else {
        Invalid();
    }
    in.Need(0, headerEnd);
    if (info.Height < 0) {
        info.TopDown = true;
        info.Height = -info.Height;
    }
    if (!ValidBitCount(info.BitCount) || !PictureSizeAllowed(info.Width, info.Height)) Invalid();
    if (info.Compression == BI_ALPHABITFIELDS) info.Compression = BI_BITFIELDS;
    const bool rle = info.Compression == BI_RLE8 || info.Compression == BI_RLE4;
    if ((info.Compression == BI_RLE8 && info.BitCount != 8) ||
        (info.Compression == BI_RLE4 && info.BitCount != 4) || (rle && info.TopDown) ||
        (info.Compression == BI_BITFIELDS && info.BitCount != 16 && info.BitCount != 32) ||
        (info.Compression > BI_BITFIELDS))
        Invalid();

    qsizetype tableAt = headerEnd;
    if (info.Compression == BI_BITFIELDS) {
        const qsizetype masksAt = headerSize >= 52 ? 14 + 40 : headerEnd;
        for (int i = 0; i < 3; ++i) info.Masks[i] = in.U32(masksAt + 4 * i);
        if (headerSize < 52) tableAt += 12;
    }
    if (info.BitCount <= 8) {
        const uint32_t maxColors = 1u << info.BitCount;
        if (colorsUsed > maxColors) Invalid();
        ReadPalette(in, tableAt, colorsUsed ? colorsUsed : maxColors, entrySize, info);
    }
    const uint32_t offBits = in.U32(10);
    info.BitsOffset = offBits >= uint32_t(headerEnd) ? qsizetype(offBits) : 0;
    if (info.BitsOffset == 0 || info.BitsOffset > in.Size()) Invalid();
    return info;
}

struct TChannel {
    int Shift = 0;
    int Bits = 0;
    uint32_t Mask = 0;
    uint8_t Scale(uint32_t pixel) const {
        if (Bits == 0) return 0;
        const uint32_t v = (pixel & Mask) >> Shift;
        if (Bits >= 8) return uint8_t(v >> (Bits - 8));
        const uint32_t max = (1u << Bits) - 1;
        return uint8_t((v * 255 + max / 2) / max);
    }
};

TChannel MakeChannel(uint32_t mask) {
    TChannel c;
    if (mask == 0) return c;
    c.Shift = std::countr_zero(mask);
    c.Bits = std::popcount(mask);
    // Only contiguous masks describe a channel.
    if (c.Bits < 32 && (mask >> c.Shift) != (1u << c.Bits) - 1) Invalid();
    c.Mask = mask;
    return c;
}

QImage::Format FormatFor(const TBmpInfo& info) {
    switch (info.BitCount) {
    case 1:
        return QImage::Format_Mono;
    case 4:
    case 8:
        return QImage::Format_Indexed8;
    case 16:
        if (info.Compression == BI_RGB) return QImage::Format_RGB555;
        if (info.Masks[0] == 0xF800 && info.Masks[1] == 0x07E0 && info.Masks[2] == 0x001F)
            return QImage::Format_RGB16;
        if (info.Masks[0] == 0x7C00 && info.Masks[1] == 0x03E0 && info.Masks[2] == 0x001F)
            return QImage::Format_RGB555;
        return QImage::Format_RGB32;
    case 24:
        return QImage::Format_BGR888;
    default:
        return QImage::Format_RGB32;
    }
}

QImage MakeImage(const TBmpInfo& info) {
    QImage image(int(info.Width), int(info.Height), FormatFor(info));
    if (image.isNull()) Invalid();
    if (info.BitCount <= 8) image.setColorTable(info.Palette);
    return image;
}

void ConvertRow(const TBmpInfo& info, const TChannel* ch, const uint8_t* src, QImage& image,
                int y) {
    uint8_t* dst = image.scanLine(y);
    const int w = int(info.Width);
    switch (info.BitCount) {
    case 1:
        std::memcpy(dst, src, size_t((w + 7) / 8));
        return;
    case 4:
        for (int x = 0; x < w; ++x) dst[x] = (x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4);
        return;
    case 8:
        std::memcpy(dst, src, size_t(w));
        return;
    case 24:
        std::memcpy(dst, src, size_t(w) * 3);
        return;
    default:
        break;
    }
    auto* out32 = reinterpret_cast<QRgb*>(dst);
    auto* out16 = reinterpret_cast<uint16_t*>(dst);
    const bool direct16 = image.format() != QImage::Format_RGB32;
    for (int x = 0; x < w; ++x) {
        const uint32_t px = info.BitCount == 16 ? qFromLittleEndian<uint16_t>(src + 2 * x)
                                                : qFromLittleEndian<uint32_t>(src + 4 * x);
        if (info.BitCount == 16 && direct16)
            out16[x] = uint16_t(image.format() == QImage::Format_RGB555 ? px & 0x7FFF : px);
        else if (info.Compression == BI_RGB)
            out32[x] = 0xFF000000u | px;
        else
            out32[x] = qRgb(ch[0].Scale(px), ch[1].Scale(px), ch[2].Scale(px));
    }
}

QImage ReadUncompressed(const TBytes& in, const TBmpInfo& info) {
    const int64_t stride = DibStride(info.Width, info.BitCount);
    const int64_t lastRow = (info.Width * info.BitCount + 7) / 8;
    // The final row's padding may be missing; anything shorter is truncated.
    in.Need(info.BitsOffset, qsizetype(stride * (info.Height - 1) + lastRow));
    TChannel ch[3];
    if (info.Compression == BI_BITFIELDS)
        for (int i = 0; i < 3; ++i) ch[i] = MakeChannel(info.Masks[i]);
    QImage image = MakeImage(info);
    for (int64_t r = 0; r < info.Height; ++r) {
        const uint8_t* src = in.At(info.BitsOffset + qsizetype(r * stride), qsizetype(lastRow));
        const int y = int(info.TopDown ? r : info.Height - 1 - r);
        ConvertRow(info, ch, src, image, y);
    }
    return image;
}

// Where decoded run-length pixels go: the palette picture's indices...
struct TIndexSink {
    uint8_t* Bits;
    int64_t Bpl;
    void Put(int64_t x, int64_t row, uint8_t index) const { Bits[row * Bpl + x] = index; }
};

// ... or the colours of the indices in a container.
struct TColourSink {
    TDibContainer& Dib;
    const QList<QRgb>& Palette;
    void Put(int64_t x, int64_t row, uint8_t index) const {
        uint8_t* d = Dib.ScanLine(int32_t(row)) + x * 3;
        const QRgb c = Palette[index];
        d[0] = uint8_t(qBlue(c)), d[1] = uint8_t(qGreen(c)), d[2] = uint8_t(qRed(c));
    }
};

// Run-length data decoded straight into the picture (file rows are bottom-up).
template <class TSink> class TRleDecoder {
public:
    TRleDecoder(const TBytes& in, const TBmpInfo& info, const TSink& sink)
        : FIn(in), FPos(info.BitsOffset), FW(info.Width), FH(info.Height),
          FFour(info.Compression == BI_RLE4), FSink(sink),
          FRowEnd(DibStride(info.Width, info.BitCount) * 8 / info.BitCount) {}

    void Run() {
        for (;;) {
            if (FPos + 2 > FIn.Size()) {
                // Data may stop right after the last pixel without an end marker.
                if (FY >= FH || (FY == FH - 1 && FX >= FW)) return;
                Invalid();
            }
            const uint8_t n = Next();
            const uint8_t v = Next();
            if (n > 0) {
                Repeat(n, v);
            } else if (v == 0) {
                FX = 0;
                ++FY;
            } else if (v == 1) {
                return;
            } else if (v == 2) {
                Delta();
            } else {
                Literal(v);
            }
        }
    }

private:
    uint8_t Next() { return *FIn.At(FPos++, 1); }

    // Common converters let a run fill the row's padding when the width is not a multiple of
    // the row alignment; those pixels are dropped. A run past the padding is damage.
    void Put(uint8_t index) {
        if (FY >= FH || FX >= FRowEnd) Invalid(); // a run past its row or below the picture
        if (FX < FW) FSink.Put(FX, FH - 1 - FY, index);
        ++FX;
    }

    void Repeat(int n, uint8_t v) {
        for (int i = 0; i < n; ++i) Put(FFour ? ((i & 1) ? (v & 0x0F) : (v >> 4)) : v);
    }

    void Delta() {
        FX += Next();
        FY += Next();
        if (FX > FW || FY > FH) Invalid();
    }

    void Literal(int n) {
        const int bytes = FFour ? (n + 1) / 2 : n;
        const uint8_t* p = FIn.At(FPos, bytes);
        for (int i = 0; i < n; ++i)
            Put(FFour ? ((i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4)) : p[i]);
        FPos += bytes + (bytes & 1);
    }

    const TBytes& FIn;
    qsizetype FPos;
    int64_t FW;
    int64_t FH;
    bool FFour;
    TSink FSink;
    int64_t FRowEnd; // the row's pixels with its padding
    int64_t FX = 0;
    int64_t FY = 0;
};

QImage ReadRle(const TBytes& in, const TBmpInfo& info) {
    QImage image = MakeImage(info);
    image.fill(0);
    TRleDecoder<TIndexSink>(in, info, TIndexSink{image.bits(), image.bytesPerLine()}).Run();
    return image;
}

bool IsRle(const TBmpInfo& info) {
    return info.Compression == BI_RLE8 || info.Compression == BI_RLE4;
}

// The budget sees the picture the bitmap path would make, so that both refuse the same files.
int64_t BitmapBytes(const TBmpInfo& info) {
    const int depth = QImage::toPixelFormat(FormatFor(info)).bitsPerPixel();
    return DibStride(info.Width, depth) * info.Height;
}

void Put16(QByteArray& b, qsizetype at, uint16_t v) {
    qToLittleEndian(v, b.data() + at);
}

void Put32(QByteArray& b, qsizetype at, uint32_t v) {
    qToLittleEndian(v, b.data() + at);
}

bool DirectBmpLayout(const TBmpLayout& layout) {
    return layout.Plain && (layout.BitCount == 1 || layout.BitCount == 4 || layout.BitCount == 8 ||
                            layout.BitCount == 24 || layout.BitCount == 32);
}

// One file row as the container's pixels: the palette's colours, or the colour bytes with the
// fourth byte of a 32-bit pixel dropped, as the bitmap reader and its conversion give them.
void StoreBmpRow(const TBmpLayout& layout, const uint8_t* src, uint8_t* dst) {
    const int32_t w = layout.Width;
    if (layout.BitCount == 24) {
        std::memcpy(dst, src, size_t(w) * 3);
        return;
    }
    for (int32_t x = 0; x < w; ++x, dst += 3) {
        if (layout.BitCount == 32) {
            dst[0] = src[4 * x], dst[1] = src[4 * x + 1], dst[2] = src[4 * x + 2];
            continue;
        }
        const int index = layout.BitCount == 8 ? src[x]
                          : layout.BitCount == 4
                              ? ((x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4))
                              : (src[x / 8] >> (7 - (x & 7))) & 1;
        const QRgb c = layout.Palette[index];
        dst[0] = uint8_t(qBlue(c)), dst[1] = uint8_t(qGreen(c)), dst[2] = uint8_t(qRed(c));
    }
}

} // namespace

bool ReadBmpRows(QIODevice& file, TDibContainer& Image, const std::function<void(int)>& Progress) {
    // Enough for the largest headers, bit-field masks and a 256-entry colour table.
    const QByteArray head = file.read(14 + 124 + 12 + 256 * 4);
    TBmpLayout layout;
    try {
        layout = ReadBmpLayout(head);
    } catch (const EInvalidGraphic&) {
        return false;
    }
    if (!DirectBmpLayout(layout)) return false;
    const int64_t stride = DibStride(layout.Width, layout.BitCount);
    const int64_t rowBytes = (int64_t(layout.Width) * layout.BitCount + 7) / 8;
    // The final row's padding may be missing; anything shorter is truncated.
    if (file.size() - layout.BitsOffset < stride * (layout.Height - 1) + rowBytes ||
        !file.seek(layout.BitsOffset))
        throw EInvalidGraphic();
    TDibContainer image(layout.Width, layout.Height);
    // Rows come in chunks of about a megabyte: few calls, and a buffer that stays in the cache.
    const int32_t chunkRows = int32_t(std::clamp<int64_t>((1 << 20) / stride, 1, layout.Height));
    std::vector<char> chunk(size_t(stride) * size_t(chunkRows));
    for (int32_t r = 0; r < layout.Height; r += chunkRows) {
        const int32_t rows = std::min(chunkRows, layout.Height - r);
        const bool last = r + rows == layout.Height;
        const int64_t want = stride * rows - (last ? stride - rowBytes : 0);
        if (file.read(chunk.data(), want) != want) throw EInvalidGraphic();
        for (int32_t i = 0; i < rows; ++i) {
            const int32_t fileRow = r + i;
            StoreBmpRow(layout,
                        reinterpret_cast<const uint8_t*>(chunk.data()) + size_t(i) * size_t(stride),
                        image.ScanLine(layout.TopDown ? fileRow : layout.Height - 1 - fileRow));
        }
        if (Progress) Progress(int(int64_t(r + rows) * 100 / layout.Height));
    }
    Image = std::move(image);
    return true;
}

QImage ReadBmp(const QByteArray& bytes) {
    TDecodeScope scope;
    const TBytes in(bytes);
    const TBmpInfo info = ReadInfo(in);
    TBudgetCharge picture(BitmapBytes(info), "a bitmap picture");
    if (IsRle(info)) return ReadRle(in, info);
    return ReadUncompressed(in, info);
}

void ReadBmpInto(const QByteArray& bytes, TDibContainer& Image) {
    TDecodeScope scope;
    const TBytes in(bytes);
    const TBmpInfo info = ReadInfo(in);
    if (!IsRle(info)) {
        TDibContainer image;
        image.AssignBitmap(ReadBmp(bytes));
        if (image.Empty()) Invalid();
        Image = std::move(image);
        return;
    }
    TBudgetCharge picture(BitmapBytes(info), "a bitmap picture");
    TDibContainer image;
    try {
        image.SetSize(int32_t(info.Width), int32_t(info.Height));
    } catch (const EDibSizeError&) {
        Invalid();
    }
    // Pixels the runs never reach keep colour 0, as in the palette picture.
    const QRgb first = info.Palette[0];
    image.Clear(TDibColor{uint8_t(qBlue(first)), uint8_t(qGreen(first)), uint8_t(qRed(first))});
    TRleDecoder<TColourSink>(in, info, TColourSink{image, info.Palette}).Run();
    Image = std::move(image);
}

TBmpLayout ReadBmpLayout(const QByteArray& head) {
    const TBmpInfo info = ReadInfo(TBytes(head));
    TBmpLayout layout;
    layout.Width = int32_t(info.Width);
    layout.Height = int32_t(info.Height);
    layout.TopDown = info.TopDown;
    layout.BitCount = info.BitCount;
    layout.Plain = info.Compression == BI_RGB;
    layout.BitsOffset = info.BitsOffset;
    if (info.BitCount <= 8) layout.Palette = info.Palette;
    return layout;
}

namespace {

QByteArray ReadBmpBytes(const QString& fileName) {
    try {
        return ReadWholeFile(fileName);
    } catch (const EInOutError&) {
        throw EInvalidGraphic();
    }
}

} // namespace

QImage LoadBmpFile(const QString& fileName) {
    return ReadBmp(ReadBmpBytes(fileName));
}

void LoadBmpFileInto(const QString& fileName, TDibContainer& Image) {
    ReadBmpInto(ReadBmpBytes(fileName), Image);
}

QByteArray EncodeBmp(const TDibData& dib) {
    if (dib.IsEmpty() || dib.Bits.size() != qsizetype(dib.Stride()) * dib.Height)
        throw EInvalidGraphic();
    const qsizetype paletteSize = qsizetype(dib.Palette.size()) * 4;
    const qsizetype offBits = 14 + 40 + paletteSize;
    QByteArray out(offBits, '\0');
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, uint32_t(offBits + dib.Bits.size()));
    Put32(out, 10, uint32_t(offBits));
    Put32(out, 14, 40);
    Put32(out, 18, uint32_t(dib.Width));
    Put32(out, 22, uint32_t(dib.Height));
    Put16(out, 26, 1);
    Put16(out, 28, dib.BitCount);
    Put32(out, 34, uint32_t(dib.Bits.size()));
    for (size_t i = 0; i < dib.Palette.size(); ++i) {
        const TRgbQuad& q = dib.Palette[i];
        const qsizetype at = 54 + qsizetype(i) * 4;
        out[at] = char(q.Blue);
        out[at + 1] = char(q.Green);
        out[at + 2] = char(q.Red);
    }
    out.append(dib.Bits);
    return out;
}

void SaveBmpFile(const QString& fileName, const TDibData& dib) {
    WriteFileSafely(fileName, EncodeBmp(dib));
}

void SaveBmp24(const QString& fileName, const QImage& image) {
    SaveBmpFile(fileName, ConvertToDib(image, 24));
}

} // namespace kolvar
