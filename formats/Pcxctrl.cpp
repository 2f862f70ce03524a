#include "formats/Pcxctrl.h"

#include "formats/BmpCodec.h"
#include "formats/DecodeBudget.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

namespace kolvar {

namespace {

constexpr qsizetype kDataStart = 128;
constexpr int kLongestRun = 63;

void Put16(uint8_t* p, uint16_t v) {
    qToLittleEndian(v, p);
}

void Put32(uint8_t* p, uint32_t v) {
    qToLittleEndian(v, p);
}

TPCXHeader ParseHeader(const QByteArray& file) {
    const auto* p = reinterpret_cast<const uint8_t*>(file.constData());
    TPCXHeader h;
    h.Manufacturer = p[0];
    h.BitsPerPixel = p[3];
    h.XMin = qFromLittleEndian<uint16_t>(p + 4);
    h.YMin = qFromLittleEndian<uint16_t>(p + 6);
    h.XMax = qFromLittleEndian<uint16_t>(p + 8);
    h.YMax = qFromLittleEndian<uint16_t>(p + 10);
    std::memcpy(h.Palette16, p + 16, 48);
    h.Planes = p[65];
    h.BytesPerLine = qFromLittleEndian<uint16_t>(p + 66);
    return h;
}

// Clears the bits of the last byte that lie beyond the picture's width.
void MaskTail(uint8_t* row, int32_t width, int bitCount) {
    const int64_t bits = int64_t(width) * bitCount;
    if (bits % 8) row[bits / 8] &= uint8_t(0xFF << (8 - bits % 8));
}

} // namespace

TDecoder::TDecoder(const TPCXHeader& header, const QByteArray& file)
    : Height(int32_t(header.YMax) - header.YMin + 1), Width(int32_t(header.XMax) - header.XMin + 1),
      FHeader(header), FFile(file) {}

void TDecoder::CheckGeometry(int64_t pixelsPerLine, int64_t rowBytes) const {
    if (!PictureSizeAllowed(Width, Height) || pixelsPerLine < Width) throw EPCXError();
    // A run gives at most 63 bytes, so every row needs at least one data byte per 63 bytes;
    // less data than that means the sizes lie.
    const int64_t needed = int64_t(Height) * ((rowBytes + kLongestRun - 1) / kLongestRun);
    if (needed > FFile.size() - kDataStart) throw EPCXError();
}

uint8_t TDecoder::NextByte() {
    if (FBufferPos >= FBufferFill) {
        const qsizetype left = FFile.size() - FFilePos;
        if (left <= 0) throw EPCXError("PCX file is damaged: its image data ends early");
        FBufferFill = int32_t(std::min<qsizetype>(left, sizeof FBuffer));
        std::memcpy(FBuffer, FFile.constData() + FFilePos, size_t(FBufferFill));
        FFilePos += FBufferFill;
        FBufferPos = 0;
    }
    return FBuffer[FBufferPos++];
}

void TDecoder::ReadRow(uint8_t* out, int32_t n) {
    int32_t got = 0;
    while (got < n) {
        const uint8_t b = NextByte();
        if (b < 0xC0) {
            out[got++] = b;
            continue;
        }
        const int32_t count = b - 0xC0;
        const uint8_t value = NextByte();
        // What a run produces beyond the row is dropped, not carried into the next row.
        std::memset(out + got, value, size_t(std::min(count, n - got)));
        got += count;
    }
}

QByteArray TDecoder::BuildInfoBlock() {
    QByteArray block(40 + PaletteSize(), '\0');
    auto* p = reinterpret_cast<uint8_t*>(block.data());
    FillInfoHeader(p);
    FillPalette(p + 40);
    return block;
}

void TDecoder::FillCommonHeader(uint8_t* h, uint16_t bitCount, uint32_t colorsUsed) const {
    Put32(h, 40);
    Put32(h + 4, uint32_t(Width));
    Put32(h + 8, uint32_t(Height));
    Put16(h + 12, 1);
    Put16(h + 14, bitCount);
    Put32(h + 20, uint32_t(RowSize) * uint32_t(Height));
    Put32(h + 32, colorsUsed);
}

QByteArray TDecoder::Decode() {
    const QByteArray info = BuildInfoBlock();
    const qsizetype offset = 14 + info.size();
    TBudgetCharge bitmap(offset + qsizetype(RowSize) * Height, "the bitmap of a PCX picture");
    QByteArray out(offset + qsizetype(RowSize) * Height, '\0');
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, uint32_t(out.size()));
    Put32(p + 10, uint32_t(offset));
    std::memcpy(p + 14, info.constData(), size_t(info.size()));
    DecodeImage(p + offset);
    return out;
}

TDecoder256::TDecoder256(const TPCXHeader& header, const QByteArray& file)
    : TDecoder(header, file) {
    CheckGeometry(header.BytesPerLine, header.BytesPerLine);
    RowSize = int32_t(DibStride(Width, 8));
}

void TDecoder256::FillInfoHeader(uint8_t* header) {
    FillCommonHeader(header, 8, 256);
}

namespace {

[[noreturn]] void MissingPalette() {
    throw EPCXError("PCX file is damaged: its 256-colour palette is missing");
}

} // namespace

// Without the palette every colour would be a guess, so a file that lost it is refused.
void TDecoder256::FillPalette(uint8_t* palette) {
    const qsizetype at = FFile.size() - 769;
    if (at < kDataStart || uint8_t(FFile[at]) != 12) MissingPalette();
    const auto* rgb = reinterpret_cast<const uint8_t*>(FFile.constData()) + at + 1;
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = rgb[3 * i + 2];
        palette[4 * i + 1] = rgb[3 * i + 1];
        palette[4 * i + 2] = rgb[3 * i];
    }
}

void TDecoder256::DecodeImage(uint8_t* bits) {
    std::vector<uint8_t> row(FHeader.BytesPerLine);
    for (int32_t r = 0; r < Height; ++r) {
        ReadRow(row.data(), FHeader.BytesPerLine);
        std::memcpy(bits + qsizetype(Height - 1 - r) * RowSize, row.data(), size_t(Width));
    }
    // A marker found inside the image data belongs to a file cut short in its palette.
    if (DataEnd() > FFile.size() - 769) MissingPalette();
}

TDecoder16::TDecoder16(const TPCXHeader& header, const QByteArray& file) : TDecoder(header, file) {
    CheckGeometry(int64_t(header.BytesPerLine) * 8, int64_t(header.BytesPerLine) * 4);
    RowSize = int32_t(DibStride(Width, 4));
}

void TDecoder16::FillInfoHeader(uint8_t* header) {
    FillCommonHeader(header, 4, 0);
}

void TDecoder16::FillPalette(uint8_t* palette) {
    for (int i = 0; i < 16; ++i) {
        palette[4 * i] = FHeader.Palette16[3 * i + 2];
        palette[4 * i + 1] = FHeader.Palette16[3 * i + 1];
        palette[4 * i + 2] = FHeader.Palette16[3 * i];
    }
}

void TDecoder16::DecodeImage(uint8_t* bits) {
    const int32_t bpl = FHeader.BytesPerLine;
    std::vector<uint8_t> planes(size_t(bpl) * 4);
    std::vector<uint8_t> nibbles(size_t(bpl) * 4);
    for (int32_t r = 0; r < Height; ++r) {
        ReadRow(planes.data(), bpl * 4);
        for (int32_t k = 0; k < bpl; ++k) {
            const uint8_t p0 = planes[size_t(k)], p1 = planes[size_t(bpl + k)];
            const uint8_t p2 = planes[size_t(2 * bpl + k)], p3 = planes[size_t(3 * bpl + k)];
            for (int pair = 0; pair < 4; ++pair) {
                uint8_t out = 0;
                for (int half = 0; half < 2; ++half) {
                    const int bit = 7 - (2 * pair + half);
                    const int v = ((p0 >> bit) & 1) | (((p1 >> bit) & 1) << 1) |
                                  (((p2 >> bit) & 1) << 2) | (((p3 >> bit) & 1) << 3);
                    out = uint8_t(out | (v << (half ? 0 : 4)));
                }
                nibbles[size_t(4 * k + pair)] = out;
            }
        }
        uint8_t* dest = bits + qsizetype(Height - 1 - r) * RowSize;
        std::memcpy(dest, nibbles.data(), size_t((Width + 1) / 2));
        MaskTail(dest, Width, 4);
    }
}

TDecoder2::TDecoder2(const TPCXHeader& header, const QByteArray& file) : TDecoder(header, file) {
    CheckGeometry(int64_t(header.BytesPerLine) * 8, header.BytesPerLine);
    RowSize = int32_t(DibStride(Width, 1));
}

void TDecoder2::FillInfoHeader(uint8_t* header) {
    FillCommonHeader(header, 1, 0);
}

void TDecoder2::FillPalette(uint8_t* palette) {
    const uint8_t* c = FHeader.Palette16;
    // Many monochrome files leave the header palette empty; they mean black on white.
    const bool unset = std::equal(c, c + 3, c + 3);
    for (int i = 0; i < 2; ++i) {
        palette[4 * i] = unset ? uint8_t(255 * i) : c[3 * i + 2];
        palette[4 * i + 1] = unset ? uint8_t(255 * i) : c[3 * i + 1];
        palette[4 * i + 2] = unset ? uint8_t(255 * i) : c[3 * i];
    }
}

void TDecoder2::DecodeImage(uint8_t* bits) {
    std::vector<uint8_t> row(FHeader.BytesPerLine);
    for (int32_t r = 0; r < Height; ++r) {
        ReadRow(row.data(), FHeader.BytesPerLine);
        uint8_t* dest = bits + qsizetype(Height - 1 - r) * RowSize;
        std::memcpy(dest, row.data(), size_t((Width + 7) / 8));
        MaskTail(dest, Width, 1);
    }
}

std::optional<QByteArray> DecodePCX(const QByteArray& file) {
    TDecodeScope scope;
    if (file.size() < 70) return std::nullopt;
    const TPCXHeader header = ParseHeader(file);
    if (header.Manufacturer != 10) return std::nullopt;
    if (header.BitsPerPixel == 8 && header.Planes == 1) return TDecoder256(header, file).Decode();
    if (header.BitsPerPixel == 1 && header.Planes == 4) return TDecoder16(header, file).Decode();
    if (header.BitsPerPixel == 1 && header.Planes == 1) return TDecoder2(header, file).Decode();
    return std::nullopt;
}

std::optional<QByteArray> DecodePCX(QIODevice& stream) {
    stream.seek(0);
    return DecodePCX(stream.readAll());
}

void TPCXBitmap::Load(const QByteArray& bytes) {
    TDecodeScope scope;
    const std::optional<QByteArray> bmp = DecodePCX(bytes);
    // The stream stays while the bitmap loader makes the picture from it.
    TBudgetCharge stream(bmp ? bmp->size() : 0, "the bitmap of a PCX picture");
    FImage = ReadBmp(bmp ? *bmp : bytes);
}

void TPCXBitmap::LoadFromStream(QIODevice& stream) {
    stream.seek(0);
    Load(stream.readAll());
}

void TPCXBitmap::LoadFromFile(const QString& fileName) {
    Load(ReadWholeFile(fileName));
}

QImage LoadPcxPicture(const QString& fileName) {
    TPCXBitmap bitmap;
    bitmap.LoadFromFile(fileName);
    return bitmap.Image();
}

} // namespace kolvar
