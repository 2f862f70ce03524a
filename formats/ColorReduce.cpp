#include "formats/ColorReduce.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace kolvar {

namespace {

struct TRgb {
    int R, G, B;
};

TRgb Unpack(QRgb c) {
    return {qRed(c), qGreen(c), qBlue(c)};
}

int Luminance(int r, int g, int b) {
    return (19595 * r + 38470 * g + 7471 * b) >> 16;
}

void PutNibble(uint8_t* row, int x, uint8_t v) {
    if (x & 1)
        row[x / 2] = uint8_t((row[x / 2] & 0xF0) | v);
    else
        row[x / 2] = uint8_t((row[x / 2] & 0x0F) | (v << 4));
}

void PutIndex(uint8_t* row, int x, int bitCount, uint8_t v) {
    switch (bitCount) {
    case 1:
        if (v) row[x / 8] |= uint8_t(0x80 >> (x & 7));
        return;
    case 4:
        PutNibble(row, x, v);
        return;
    default:
        row[x] = v;
    }
}

// Nearest palette entry by squared distance; large palettes cache the answer per 5-bit cell.
class TNearest {
public:
    explicit TNearest(const std::vector<TRgbQuad>& palette, size_t used)
        : FPalette(palette.begin(), palette.begin() + used) {
        if (FPalette.size() > 16) FCache.assign(32768, -1);
    }
    uint8_t Find(int r, int g, int b) {
        if (FCache.empty()) return Search(r, g, b);
        const int key = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        int16_t& slot = FCache[size_t(key)];
        if (slot < 0) slot = Search(((r >> 3) << 3) + 4, ((g >> 3) << 3) + 4, ((b >> 3) << 3) + 4);
        return uint8_t(slot);
    }

private:
    uint8_t Search(int r, int g, int b) const {
        int best = 0;
        int bestDist = INT32_MAX;
        for (size_t i = 0; i < FPalette.size(); ++i) {
            const int dr = r - FPalette[i].Red, dg = g - FPalette[i].Green,
                      db = b - FPalette[i].Blue;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDist) bestDist = d, best = int(i);
        }
        return uint8_t(best);
    }

    std::vector<TRgbQuad> FPalette;
    std::vector<int16_t> FCache;
};

// Floyd-Steinberg over the picture; pick maps a corrected colour to an index and reports the
// colour it stands for.
template <class Pick> void Diffuse(const QImage& src, TDibData& dib, Pick pick) {
    const int w = src.width();
    std::vector<TRgb> cur(size_t(w) + 2, {0, 0, 0}), next(size_t(w) + 2, {0, 0, 0});
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uint8_t* out = dib.ScanLine(y);
        std::fill(next.begin(), next.end(), TRgb{0, 0, 0});
        for (int x = 0; x < w; ++x) {
            const TRgb c = Unpack(in[x]);
            const TRgb& e = cur[size_t(x) + 1];
            const TRgb want{std::clamp(c.R + e.R / 16, 0, 255), std::clamp(c.G + e.G / 16, 0, 255),
                            std::clamp(c.B + e.B / 16, 0, 255)};
            TRgb got{};
            PutIndex(out, x, dib.BitCount, pick(want, got));
            const TRgb err{want.R - got.R, want.G - got.G, want.B - got.B};
            auto spread = [](TRgb& t, const TRgb& d, int k) {
                t.R += d.R * k, t.G += d.G * k, t.B += d.B * k;
            };
            spread(cur[size_t(x) + 2], err, 7);
            spread(next[size_t(x)], err, 3);
            spread(next[size_t(x) + 1], err, 5);
            spread(next[size_t(x) + 2], err, 1);
        }
        std::swap(cur, next);
    }
}

// Distinct colours of the picture, in order of first appearance, or none when more than max.
std::vector<QRgb> DistinctColors(const QImage& src, size_t max) {
    std::unordered_map<QRgb, int> seen;
    std::vector<QRgb> colors;
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = in[x] | 0xFF000000u;
            if (seen.emplace(c, int(colors.size())).second) {
                colors.push_back(c);
                if (colors.size() > max) return {};
            }
        }
    }
    return colors;
}

void MapExact(const QImage& src, TDibData& dib, const std::vector<QRgb>& colors) {
    std::unordered_map<QRgb, uint8_t> index;
    for (size_t i = 0; i < colors.size(); ++i) {
        index[colors[i]] = uint8_t(i);
        dib.Palette[i] = {uint8_t(qBlue(colors[i])), uint8_t(qGreen(colors[i])),
                          uint8_t(qRed(colors[i])), 0};
    }
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uint8_t* out = dib.ScanLine(y);
        for (int x = 0; x < src.width(); ++x)
            PutIndex(out, x, dib.BitCount, index[in[x] | 0xFF000000u]);
    }
}

// Median cut over a 5-bit-per-channel histogram.
class TMedianCut {
public:
    explicit TMedianCut(const QImage& src) : FCount(32768), FSum(32768 * 3) {
        for (int y = 0; y < src.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            for (int x = 0; x < src.width(); ++x) {
                const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
                const int key = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
                ++FCount[size_t(key)];
                FSum[size_t(key) * 3] += uint64_t(r);
                FSum[size_t(key) * 3 + 1] += uint64_t(g);
                FSum[size_t(key) * 3 + 2] += uint64_t(b);
            }
        }
        for (int k = 0; k < 32768; ++k)
            if (FCount[size_t(k)]) FKeys.push_back(k);
    }

    std::vector<TRgbQuad> Palette(size_t n) {
        std::vector<TBox> boxes{MakeBox(0, FKeys.size())};
        while (boxes.size() < n) {
            auto it =
                std::max_element(boxes.begin(), boxes.end(), [](const TBox& a, const TBox& b) {
                    return a.Score() < b.Score();
                });
            if (it->Score() == 0) break;
            const TBox box = *it;
            const size_t mid = Split(box);
            *it = MakeBox(box.Begin, mid);
            boxes.push_back(MakeBox(mid, box.End));
        }
        std::vector<TRgbQuad> palette;
        for (const TBox& b : boxes) palette.push_back(Average(b));
        return palette;
    }

private:
    struct TBox {
        size_t Begin, End;
        uint64_t Pixels;
        int Lo[3], Hi[3];
        int Longest() const {
            int axis = 0;
            for (int a = 1; a < 3; ++a)
                if (Hi[a] - Lo[a] > Hi[axis] - Lo[axis]) axis = a;
            return axis;
        }
        uint64_t Score() const {
            return End - Begin < 2 ? 0 : Pixels * uint64_t(Hi[Longest()] - Lo[Longest()] + 1);
        }
    };

    static int Channel(int key, int axis) { return (key >> (10 - 5 * axis)) & 31; }

    TBox MakeBox(size_t begin, size_t end) const {
        TBox b{begin, end, 0, {31, 31, 31}, {0, 0, 0}};
        for (size_t i = begin; i < end; ++i) {
            const int k = FKeys[i];
            b.Pixels += FCount[size_t(k)];
            for (int a = 0; a < 3; ++a) {
                b.Lo[a] = std::min(b.Lo[a], Channel(k, a));
                b.Hi[a] = std::max(b.Hi[a], Channel(k, a));
            }
        }
        return b;
    }

    size_t Split(const TBox& box) {
        const int axis = box.Longest();
        std::sort(FKeys.begin() + ptrdiff_t(box.Begin), FKeys.begin() + ptrdiff_t(box.End),
                  [&](int a, int b) {
                      return Channel(a, axis) < Channel(b, axis) ||
                             (Channel(a, axis) == Channel(b, axis) && a < b);
                  });
        uint64_t acc = 0;
        for (size_t i = box.Begin; i + 1 < box.End; ++i) {
            acc += FCount[size_t(FKeys[i])];
            if (acc * 2 >= box.Pixels) return i + 1;
        }
        return box.End - 1;
    }

    TRgbQuad Average(const TBox& b) const {
        uint64_t s[3] = {0, 0, 0};
        for (size_t i = b.Begin; i < b.End; ++i)
            for (int a = 0; a < 3; ++a) s[a] += FSum[size_t(FKeys[i]) * 3 + size_t(a)];
        const uint64_t n = std::max<uint64_t>(b.Pixels, 1);
        return {uint8_t((s[2] + n / 2) / n), uint8_t((s[1] + n / 2) / n),
                uint8_t((s[0] + n / 2) / n), 0};
    }

    std::vector<uint32_t> FCount;
    std::vector<uint64_t> FSum;
    std::vector<int> FKeys;
};

void ToPalette(const QImage& src, TDibData& dib) {
    const size_t max = dib.Palette.size();
    if (dib.BitCount > 1) {
        const std::vector<QRgb> colors = DistinctColors(src, max);
        if (!colors.empty()) return MapExact(src, dib, colors);
    }
    if (dib.BitCount == 1) {
        dib.Palette[1] = {255, 255, 255, 0};
        return Diffuse(src, dib, [](const TRgb& c, TRgb& got) -> uint8_t {
            const uint8_t white = Luminance(c.R, c.G, c.B) >= 128;
            got = white ? TRgb{255, 255, 255} : TRgb{0, 0, 0};
            return white;
        });
    }
    if (dib.BitCount == 4)
        std::copy(StandardPalette16().begin(), StandardPalette16().end(), dib.Palette.begin());
    else
        dib.Palette = TMedianCut(src).Palette(256);
    const size_t used = dib.Palette.size();
    dib.Palette.resize(max);
    TNearest nearest(dib.Palette, used);
    Diffuse(src, dib, [&](const TRgb& c, TRgb& got) -> uint8_t {
        const uint8_t i = nearest.Find(c.R, c.G, c.B);
        got = {dib.Palette[i].Red, dib.Palette[i].Green, dib.Palette[i].Blue};
        return i;
    });
}

void ToDirect(const QImage& src, TDibData& dib) {
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uint8_t* out = dib.ScanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
            if (dib.BitCount == 16) {
                const uint16_t v = uint16_t(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
                out[2 * x] = uint8_t(v);
                out[2 * x + 1] = uint8_t(v >> 8);
            } else {
                const int step = dib.BitCount / 8;
                out[step * x] = uint8_t(b);
                out[step * x + 1] = uint8_t(g);
                out[step * x + 2] = uint8_t(r);
            }
        }
    }
}

} // namespace

const std::array<TRgbQuad, 16>& StandardPalette16() {
    static const std::array<TRgbQuad, 16> palette = {{
        {0, 0, 0, 0},
        {0, 0, 128, 0},
        {0, 128, 0, 0},
        {0, 128, 128, 0},
        {128, 0, 0, 0},
        {128, 0, 128, 0},
        {128, 128, 0, 0},
        {128, 128, 128, 0},
        {192, 192, 192, 0},
        {0, 0, 255, 0},
        {0, 255, 0, 0},
        {0, 255, 255, 0},
        {255, 0, 0, 0},
        {255, 0, 255, 0},
        {255, 255, 0, 0},
        {255, 255, 255, 0},
    }};
    return palette;
}

TDibData ConvertToDib(const QImage& image, int bitCount) {
    const bool known = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                       bitCount == 24 || bitCount == 32;
    if (image.isNull() || !known) throw EInvalidGraphic();
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    TDibData dib = TDibData::Make(src.width(), src.height(), uint16_t(bitCount));
    if (bitCount <= 8)
        ToPalette(src, dib);
    else
        ToDirect(src, dib);
    return dib;
}

namespace {

QImage::Format ImageFormatOf(int bitCount) {
    switch (bitCount) {
    case 1:
        return QImage::Format_Mono;
    case 4:
    case 8:
        return QImage::Format_Indexed8;
    case 16:
        return QImage::Format_RGB555;
    case 24:
        return QImage::Format_BGR888;
    default:
        return QImage::Format_RGB32;
    }
}

void CopyRow(const TDibData& dib, const uint8_t* src, uint8_t* dst) {
    const int32_t w = dib.Width;
    switch (dib.BitCount) {
    case 4:
        for (int32_t x = 0; x < w; ++x) dst[x] = (x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4);
        return;
    case 16:
        for (int32_t x = 0; x < w; ++x)
            reinterpret_cast<uint16_t*>(dst)[x] =
                uint16_t((src[2 * x] | src[2 * x + 1] << 8) & 0x7FFF);
        return;
    case 32:
        for (int32_t x = 0; x < w; ++x)
            reinterpret_cast<QRgb*>(dst)[x] =
                0xFF000000u | qRgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]);
        return;
    default:
        std::memcpy(dst, src, size_t((int64_t(w) * dib.BitCount + 7) / 8));
    }
}

} // namespace

QImage DibToImage(const TDibData& dib) {
    const bool known = dib.BitCount == 1 || dib.BitCount == 4 || dib.BitCount == 8 ||
                       dib.BitCount == 16 || dib.BitCount == 24 || dib.BitCount == 32;
    if (!known || dib.IsEmpty() || dib.Bits.size() != qsizetype(dib.Stride()) * dib.Height)
        throw EInvalidGraphic();
    QImage image(dib.Width, dib.Height, ImageFormatOf(dib.BitCount));
    if (image.isNull()) throw EInvalidGraphic();
    if (dib.BitCount <= 8) {
        QVector<QRgb> colors(qsizetype(1) << dib.BitCount, qRgb(0, 0, 0));
        for (qsizetype i = 0; i < colors.size() && i < qsizetype(dib.Palette.size()); ++i)
            colors[i] = qRgb(dib.Palette[size_t(i)].Red, dib.Palette[size_t(i)].Green,
                             dib.Palette[size_t(i)].Blue);
        image.setColorTable(colors);
    }
    for (int32_t y = 0; y < dib.Height; ++y) CopyRow(dib, dib.ScanLine(y), image.scanLine(y));
    return image;
}

} // namespace kolvar
