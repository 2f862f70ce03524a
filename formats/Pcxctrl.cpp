#include "formats/Pcxctrl.h"

#include "formats/BmpCodec.h"
#include "formats/DecodeBudget.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <memory>
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

class TByteArraySource : public TPcxSource {
public:
    explicit TByteArraySource(const QByteArray& bytes) : FBytes(bytes) {}
    qsizetype Size() const override { return FBytes.size(); }
    bool Read(qsizetype pos, qsizetype n, uint8_t* out) override {
        if (pos < 0 || n < 0 || pos > FBytes.size() || FBytes.size() - pos < n) return false;
        std::memcpy(out, FBytes.constData() + pos, size_t(n));
        return true;
    }

private:
    const QByteArray& FBytes;
};

class TDeviceSource : public TPcxSource {
public:
    explicit TDeviceSource(QIODevice& device) : FDevice(device), FSize(device.size()) {}
    qsizetype Size() const override { return FSize; }
    bool Read(qsizetype pos, qsizetype n, uint8_t* out) override {
        if (pos < 0 || n < 0 || pos > FSize || FSize - pos < n) return false;
        return (FDevice.pos() == pos || FDevice.seek(pos)) &&
               FDevice.read(reinterpret_cast<char*>(out), n) == n;
    }

private:
    QIODevice& FDevice;
    qsizetype FSize;
};

} // namespace

TDecoder::TDecoder(const TPCXHeader& header, TPcxSource& file)
    : Height(int32_t(header.YMax) - header.YMin + 1), Width(int32_t(header.XMax) - header.XMin + 1),
      FHeader(header), FFile(file) {}

void TDecoder::CheckGeometry(int64_t pixelsPerLine, int64_t rowBytes) const {
    if (!PictureSizeAllowed(Width, Height) || pixelsPerLine < Width) throw EPCXError();
    // A run gives at most 63 bytes, so every row needs at least one data byte per 63 bytes;
    // less data than that means the sizes lie.
    const int64_t needed = int64_t(Height) * ((rowBytes + kLongestRun - 1) / kLongestRun);
    if (needed > FFile.Size() - kDataStart) throw EPCXError();
}

uint8_t TDecoder::NextByte() {
    if (FBufferPos >= FBufferFill) {
        const qsizetype left = FFile.Size() - FFilePos;
        if (left <= 0) throw EPCXError("PCX file is damaged: its image data ends early");
        FBufferFill = int32_t(std::min<qsizetype>(left, sizeof FBuffer));
        if (!FFile.Read(FFilePos, FBufferFill, FBuffer))
            throw EPCXError("PCX file is damaged: its image data ends early");
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
    FBits = p + offset;
    DecodeImage();
    return out;
}

void TDecoder::DecodeInto(TDibContainer& Image, const std::function<void(int)>& Progress) {
    std::vector<uint8_t> palette(size_t(PaletteSize()), 0);
    FillPalette(palette.data());
    for (int32_t i = 0; i < PaletteSize() / 4; ++i)
        FColours[size_t(i)] = TDibColor{palette[size_t(4 * i)], palette[size_t(4 * i + 1)],
                                        palette[size_t(4 * i + 2)]};
    TBudgetCharge bitmap(qsizetype(RowSize) * Height, "the bitmap of a PCX picture");
    TDibContainer image;
    try {
        image.SetSize(Width, Height);
    } catch (const EDibSizeError&) {
        throw EPCXError();
    }
    FImage = &image;
    FRow.assign(size_t(RowSize), 0);
    FProgress = &Progress;
    DecodeImage();
    Image = std::move(image);
    if (Progress) Progress(100);
}

uint8_t* TDecoder::RowOut(int32_t r) {
    return FImage ? FRow.data() : FBits + qsizetype(Height - 1 - r) * RowSize;
}

void TDecoder::RowDone(int32_t r) {
    if (!FImage) return;
    const uint8_t* s = FRow.data();
    uint8_t* d = FImage->ScanLine(r);
    const int depth = BitCount();
    for (int32_t x = 0; x < Width; ++x, d += 3) {
        const int index = depth == 8   ? s[x]
                          : depth == 4 ? ((x & 1) ? (s[x / 2] & 0x0F) : (s[x / 2] >> 4))
                                       : (s[x / 8] >> (7 - (x & 7))) & 1;
        const TDibColor& c = FColours[size_t(index)];
        d[0] = c.Blue, d[1] = c.Green, d[2] = c.Red;
    }
    if (*FProgress && (r + 1) % 64 == 0) (*FProgress)(int(int64_t(r + 1) * 100 / Height));
}

TDecoder256::TDecoder256(const TPCXHeader& header, TPcxSource& file) : TDecoder(header, file) {
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
    const qsizetype at = FFile.Size() - 769;
    uint8_t block[769];
    if (at < kDataStart || !FFile.Read(at, 769, block) || block[0] != 12) MissingPalette();
    const uint8_t* rgb = block + 1;
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = rgb[3 * i + 2];
        palette[4 * i + 1] = rgb[3 * i + 1];
        palette[4 * i + 2] = rgb[3 * i];
    }
}

void TDecoder256::DecodeImage() {
    std::vector<uint8_t> row(FHeader.BytesPerLine);
    for (int32_t r = 0; r < Height; ++r) {
        ReadRow(row.data(), FHeader.BytesPerLine);
        std::memcpy(RowOut(r), row.data(), size_t(Width));
        RowDone(r);
    }
    // A marker found inside the image data belongs to a file cut short in its palette.
    if (DataEnd() > FFile.Size() - 769) MissingPalette();
}

TDecoder16::TDecoder16(const TPCXHeader& header, TPcxSource& file) : TDecoder(header, file) {
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

void TDecoder16::DecodeImage() {
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
        uint8_t* dest = RowOut(r);
        std::memcpy(dest, nibbles.data(), size_t((Width + 1) / 2));
        MaskTail(dest, Width, 4);
        RowDone(r);
    }
}

TDecoder2::TDecoder2(const TPCXHeader& header, TPcxSource& file) : TDecoder(header, file) {
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

void TDecoder2::DecodeImage() {
    std::vector<uint8_t> row(FHeader.BytesPerLine);
    for (int32_t r = 0; r < Height; ++r) {
        ReadRow(row.data(), FHeader.BytesPerLine);
        uint8_t* dest = RowOut(r);
        std::memcpy(dest, row.data(), size_t((Width + 7) / 8));
        MaskTail(dest, Width, 1);
        RowDone(r);
    }
}

namespace {

// The decoder for the header's layout, or null for a layout (or data) that is not ours.
std::unique_ptr<TDecoder> DecoderFor(const TPCXHeader& header, TPcxSource& file) {
    if (file.Size() < 70 || header.Manufacturer != 10) return nullptr;
    if (header.BitsPerPixel == 8 && header.Planes == 1)
        return std::make_unique<TDecoder256>(header, file);
    if (header.BitsPerPixel == 1 && header.Planes == 4)
        return std::make_unique<TDecoder16>(header, file);
    if (header.BitsPerPixel == 1 && header.Planes == 1)
        return std::make_unique<TDecoder2>(header, file);
    return nullptr;
}

} // namespace

std::optional<QByteArray> DecodePCX(const QByteArray& file) {
    TDecodeScope scope;
    if (file.size() < 70) return std::nullopt;
    const TPCXHeader header = ParseHeader(file);
    TByteArraySource source(file);
    const std::unique_ptr<TDecoder> decoder = DecoderFor(header, source);
    if (!decoder) return std::nullopt;
    return decoder->Decode();
}

bool ReadPcxInto(QIODevice& Device, TDibContainer& Image,
                 const std::function<void(int)>& Progress) {
    TDecodeScope scope;
    TDeviceSource source(Device);
    if (source.Size() < 70) return false;
    QByteArray head(std::min<qsizetype>(source.Size(), kDataStart), '\0');
    if (!source.Read(0, head.size(), reinterpret_cast<uint8_t*>(head.data()))) return false;
    const TPCXHeader header = ParseHeader(head);
    const std::unique_ptr<TDecoder> decoder = DecoderFor(header, source);
    if (!decoder) return false;
    decoder->DecodeInto(Image, Progress);
    return true;
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
