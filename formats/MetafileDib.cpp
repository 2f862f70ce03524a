#include "formats/MetafileDib.h"

#include "formats/DecodeBudget.h"

#include <algorithm>
#include <vector>

namespace kolvar {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitfields = 6;
constexpr int64_t kMaxSide = 65535;
constexpr int64_t kMaxPixels = int64_t(1) << 28;

[[noreturn]] void Fail() {
    throw EMetafileError("The metafile holds a damaged bitmap.");
}

struct TDibHeader {
    int64_t Width = 0;
    int64_t Height = 0;
    bool TopDown = false;
    uint32_t Bpp = 0;
    uint32_t Compression = kBiRgb;
    uint32_t Masks[3] = {0, 0, 0};
    std::vector<QRgb> Palette;
};

// Palette-relative colour tables refer to a palette the metafile may never have realised; the
// sixteen standard colours are the least surprising stand-in.
QRgb StandardColor(uint32_t index) {
    static const QRgb colors[16] = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000,
                                    0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
                                    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                                    0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    return colors[index % 16];
}

void ReadPalette(const TMetafileReader& info, uint64_t at, uint64_t count, uint32_t entrySize,
                 TDibUsage usage, TDibHeader& h) {
    if (usage == TDibUsage::PaletteIndices) entrySize = 2;
    info.Require(at, count * entrySize);
    h.Palette.resize(count);
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t p = at + i * entrySize;
        if (usage == TDibUsage::PaletteIndices)
            h.Palette[i] = StandardColor(info.U16(p));
        else
            h.Palette[i] = qRgb(info.U8(p + 2), info.U8(p + 1), info.U8(p));
    }
}

TDibHeader ReadHeader(const TMetafileReader& info, TDibUsage usage) {
    TDibHeader h;
    uint32_t size = info.U32(0);
    uint64_t paletteAt = size;
    uint64_t colors = 0;
    uint32_t entry = 4;
    if (size == 12) {
        h.Width = info.U16(4);
        h.Height = info.U16(6);
        h.Bpp = info.U16(10);
        entry = 3;
        if (h.Bpp <= 8) colors = uint64_t(1) << h.Bpp;
    } else if (size >= 40) {
        h.Width = info.I32(4);
        h.Height = info.I32(8);
        h.Bpp = info.U16(14);
        h.Compression = info.U32(16);
        uint32_t used = info.U32(32);
        if (h.Compression == kBiBitfields || h.Compression == kBiAlphaBitfields) {
            for (int i = 0; i < 3; ++i) h.Masks[i] = info.U32(40 + 4 * i);
            if (size == 40) paletteAt += h.Compression == kBiBitfields ? 12 : 16;
        }
        if (h.Bpp <= 8)
            colors = used ? std::min<uint64_t>(used, uint64_t(1) << h.Bpp) : uint64_t(1) << h.Bpp;
    } else {
        Fail();
    }
    if (h.Height < 0) {
        h.Height = -h.Height;
        h.TopDown = true;
    }
    if (h.Width < 0 || h.Width > kMaxSide || h.Height > kMaxSide || h.Width * h.Height > kMaxPixels)
        Fail();
    if (h.Bpp != 1 && h.Bpp != 4 && h.Bpp != 8 && h.Bpp != 16 && h.Bpp != 24 && h.Bpp != 32) Fail();
    if (colors) ReadPalette(info, paletteAt, colors, entry, usage, h);
    return h;
}

QRgb PaletteColor(const TDibHeader& h, uint32_t index) {
    return index < h.Palette.size() ? h.Palette[index] : qRgb(0, 0, 0);
}

// One channel through a bit mask, scaled to eight bits.
uint32_t MaskChannel(uint32_t value, uint32_t mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    uint64_t m = mask >> shift;
    uint64_t v = (value >> shift) & m;
    return uint32_t((v * 255 + m / 2) / m);
}

void DefaultMasks(TDibHeader& h) {
    if (h.Compression == kBiBitfields || h.Compression == kBiAlphaBitfields) return;
    if (h.Bpp == 16) {
        h.Masks[0] = 0x7C00, h.Masks[1] = 0x03E0, h.Masks[2] = 0x001F;
    } else {
        h.Masks[0] = 0xFF0000, h.Masks[1] = 0x00FF00, h.Masks[2] = 0x0000FF;
    }
}

QRgb PixelAt(const TDibHeader& h, const uint8_t* row, int64_t x) {
    switch (h.Bpp) {
    case 1:
        return PaletteColor(h, (row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
        return PaletteColor(h, (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
    case 8:
        return PaletteColor(h, row[x]);
    case 24:
        return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default:
        break;
    }
    uint32_t v = h.Bpp == 16
                     ? uint32_t(row[2 * x] | (row[2 * x + 1] << 8))
                     : uint32_t(row[4 * x]) | (uint32_t(row[4 * x + 1]) << 8) |
                           (uint32_t(row[4 * x + 2]) << 16) | (uint32_t(row[4 * x + 3]) << 24);
    return qRgb(MaskChannel(v, h.Masks[0]), MaskChannel(v, h.Masks[1]), MaskChannel(v, h.Masks[2]));
}

// Every step-th column and row of the bits, in file order. A step of 1 keeps them all.
struct TSampling {
    int64_t StepX = 1, StepY = 1;
    int64_t Width = 0, Height = 0; // of the decoded image

    TSampling(const TDibHeader& h, QSize step)
        : StepX(std::max(step.width(), 1)), StepY(std::max(step.height(), 1)),
          Width((h.Width + StepX - 1) / StepX), Height((h.Height + StepY - 1) / StepY) {}
    // The image row that file row `row` (counted as stored) lands on, or -1 when skipped.
    int64_t ImageRow(const TDibHeader& h, int64_t row) const {
        if (row % StepY) return -1;
        return h.TopDown ? row / StepY : Height - 1 - row / StepY;
    }
};

QImage NewImage(const TSampling& s) {
    TDecodeScope scope;
    scope.Budget().ChargeMetafile(s.Width * s.Height * 4, "a bitmap in a metafile");
    QImage image(int(s.Width), int(s.Height), QImage::Format_RGB32);
    if (image.isNull()) throw EMetafileError("Not enough memory for the metafile's bitmap.");
    return image;
}

QImage DecodeRaw(TDibHeader& h, const TMetafileReader& bits, const TSampling& s) {
    DefaultMasks(h);
    uint64_t stride = ((uint64_t(h.Width) * h.Bpp + 31) / 32) * 4;
    const uint8_t* data = bits.Data(0, stride * uint64_t(h.Height));
    QImage image = NewImage(s);
    for (int64_t row = 0; row < h.Height; row += s.StepY) {
        const uint8_t* in = data + stride * uint64_t(row);
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(int(s.ImageRow(h, row))));
        for (int64_t x = 0; x < s.Width; ++x) out[x] = PixelAt(h, in, x * s.StepX);
    }
    return image;
}

// Run-length encoded bits (8 or 4 bits per pixel). Pixels the runs skip keep colour 0.
QImage DecodeRle(const TDibHeader& h, const TMetafileReader& bits, const TSampling& s) {
    QImage image = NewImage(s);
    image.fill(PaletteColor(h, 0));
    const bool four = h.Compression == kBiRle4;
    int64_t x = 0, y = 0;
    QRgb* row = nullptr; // the image row of file row y, null when y is skipped
    auto rowOf = [&] {
        const int64_t at = y < h.Height ? s.ImageRow(h, y) : -1;
        row = at < 0 ? nullptr : reinterpret_cast<QRgb*>(image.scanLine(int(at)));
    };
    rowOf();
    auto put = [&](uint32_t index) {
        if (row && x < h.Width && x % s.StepX == 0) row[x / s.StepX] = PaletteColor(h, index);
        ++x;
    };
    uint64_t at = 0;
    while (at + 2 <= bits.Size() && y < h.Height) {
        uint32_t count = bits.U8(at), value = bits.U8(at + 1);
        at += 2;
        if (count) {
            for (uint32_t i = 0; i < count; ++i)
                put(four ? ((i & 1) ? value & 0xF : value >> 4) : value);
        } else if (value == 0) {
            x = 0, ++y, rowOf();
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            x += bits.U8(at), y += bits.U8(at + 1), rowOf();
            at += 2;
        } else {
            uint64_t bytes = four ? (value + 1) / 2 : value;
            const uint8_t* run = bits.Data(at, bytes);
            for (uint32_t i = 0; i < value; ++i)
                put(four ? ((i & 1) ? run[i / 2] & 0xF : run[i / 2] >> 4) : run[i]);
            at += (bytes + 1) & ~uint64_t(1);
        }
    }
    return image;
}

} // namespace

uint64_t MetafileDibInfoSize(const TMetafileReader& info, TDibUsage usage) {
    uint32_t size = info.U32(0);
    uint32_t entry = usage == TDibUsage::PaletteIndices ? 2 : 4;
    if (size == 12) {
        uint32_t bpp = info.U16(10);
        return 12 + (bpp <= 8 ? (uint64_t(1) << bpp) * (entry == 2 ? 2 : 3) : 0);
    }
    if (size < 40) Fail();
    uint32_t bpp = info.U16(14), compression = info.U32(16), used = info.U32(32);
    uint64_t total = size;
    if (size == 40 && compression == kBiBitfields) total += 12;
    if (size == 40 && compression == kBiAlphaBitfields) total += 16;
    uint64_t colors = used ? used : bpp <= 8 ? uint64_t(1) << std::min<uint32_t>(bpp, 8) : 0;
    return total + colors * entry;
}

QRectF SampledRect(const QRectF& source, QSize step) {
    const double sx = step.width(), sy = step.height();
    return QRectF(source.x() / sx, source.y() / sy, source.width() / sx, source.height() / sy);
}

bool MetafileDibBottomUp(const TMetafileReader& info) {
    return info.U32(0) == 12 || info.I32(8) >= 0;
}

QImage DecodeMetafileDib(const TMetafileReader& info, const TMetafileReader& bits, TDibUsage usage,
                         int64_t rows, QSize step) {
    TDibHeader h = ReadHeader(info, usage);
    if (h.Compression == kBiJpeg || h.Compression == kBiPng) return QImage();
    if (rows >= 0) h.Height = std::min(h.Height, rows);
    if (h.Width == 0 || h.Height == 0) return QImage();
    const TSampling sampling(h, step);
    switch (h.Compression) {
    case kBiRgb:
        return DecodeRaw(h, bits, sampling);
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (h.Bpp != 16 && h.Bpp != 32) Fail();
        return DecodeRaw(h, bits, sampling);
    case kBiRle8:
    case kBiRle4:
        if (h.TopDown || h.Bpp != (h.Compression == kBiRle8 ? 8u : 4u)) Fail();
        return DecodeRle(h, bits, sampling);
    default:
        Fail();
    }
}

} // namespace kolvar
