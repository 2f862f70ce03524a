#pragma once
// A small GIF encoder for building test pictures: LZW with clear codes (or a deferred clear
// once the table is full), interlacing, local tables and arbitrary extension blocks.

#include <QByteArray>
#include <QRgb>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace kolvar::test {

struct TGifFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    std::vector<uint8_t> Pixels; // row by row, top first
    bool Interlace = false;
    std::vector<QRgb> LocalTable; // empty: none
    int CodeSize = 8;
    bool DeferredClear = false;
    bool EndCode = true;
};

inline int BitLength(int v) {
    int n = 0;
    while (v) ++n, v >>= 1;
    return n;
}

inline QByteArray LzwEncode(const std::vector<uint8_t>& pixels, int m, bool deferred,
                            bool endCode) {
    QByteArray out;
    uint32_t acc = 0;
    int bits = 0;
    const int clear = 1 << m, end = clear + 1, base = clear + 2;
    int next = base;
    std::map<std::pair<int, int>, int> dict;
    auto width = [&] { return std::min(12, std::max(m + 1, BitLength(next - 1))); };
    auto put = [&](int code, int w) {
        acc |= uint32_t(code) << bits;
        bits += w;
        while (bits >= 8) out.append(char(acc & 0xFF)), acc >>= 8, bits -= 8;
    };
    put(clear, m + 1);
    int cur = -1;
    for (uint8_t p : pixels) {
        if (cur < 0) {
            cur = p;
            continue;
        }
        auto it = dict.find({cur, p});
        if (it != dict.end()) {
            cur = it->second;
            continue;
        }
        put(cur, width());
        if (next < 4096) dict[{cur, p}] = next++;
        if (next == 4096 && !deferred) {
            put(clear, 12);
            dict.clear();
            next = base;
        }
        cur = p;
    }
    if (cur >= 0) put(cur, width());
    if (endCode) put(end, std::min(12, std::max(m + 1, BitLength(next))));
    if (bits > 0) out.append(char(acc & 0xFF));
    return out;
}

inline QByteArray SubBlocks(const QByteArray& data) {
    QByteArray out;
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const QByteArray part = data.mid(i, 255);
        out.append(char(part.size())).append(part);
    }
    return out.append('\0');
}

inline int TableBits(size_t n) {
    int b = 1;
    while ((size_t(1) << b) < n) ++b;
    return b;
}

class TGifBuilder {
public:
    TGifBuilder& Header(const char* version, int w, int h, const std::vector<QRgb>& global = {}) {
        FBytes.append("GIF").append(version);
        Word(w), Word(h);
        FBytes.append(char(global.empty() ? 0 : 0x80 | 0x70 | (TableBits(global.size()) - 1)));
        FBytes.append('\0').append('\0');
        Table(global);
        return *this;
    }
    TGifBuilder& Extension(uint8_t label, const QByteArray& fixed,
                           const std::vector<QByteArray>& blocks = {}) {
        FBytes.append('!').append(char(label)).append(fixed);
        if (label != 0xF9) {
            for (const QByteArray& b : blocks) FBytes.append(char(b.size())).append(b);
            FBytes.append('\0');
        }
        return *this;
    }
    TGifBuilder& GraphicControl(uint8_t transparent) {
        return Extension(0xF9,
                         QByteArray("\x04\x01\x0A\x00", 4).append(char(transparent)).append('\0'));
    }
    TGifBuilder& Image(const TGifFrame& f) {
        FBytes.append(',');
        Word(f.Left), Word(f.Top), Word(f.Width), Word(f.Height);
        uint8_t flags = f.Interlace ? 0x40 : 0;
        if (!f.LocalTable.empty()) flags |= 0x80 | (TableBits(f.LocalTable.size()) - 1);
        FBytes.append(char(flags));
        Table(f.LocalTable);
        FBytes.append(char(f.CodeSize));
        FBytes.append(SubBlocks(LzwEncode(InFileOrder(f), f.CodeSize, f.DeferredClear, f.EndCode)));
        return *this;
    }
    TGifBuilder& Raw(const QByteArray& b) {
        FBytes.append(b);
        return *this;
    }
    QByteArray Done(bool trailer = true) const { return trailer ? FBytes + ';' : FBytes; }

private:
    void Word(int v) { FBytes.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF)); }
    void Table(const std::vector<QRgb>& t) {
        if (t.empty()) return;
        const size_t n = size_t(1) << TableBits(t.size());
        for (size_t i = 0; i < n; ++i) {
            const QRgb c = i < t.size() ? t[i] : 0;
            FBytes.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        }
    }
    static std::vector<uint8_t> InFileOrder(const TGifFrame& f) {
        if (!f.Interlace) return f.Pixels;
        std::vector<uint8_t> out;
        const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (int y = starts[p]; y < f.Height; y += steps[p])
                out.insert(out.end(), f.Pixels.begin() + y * f.Width,
                           f.Pixels.begin() + (y + 1) * f.Width);
        return out;
    }

    QByteArray FBytes;
};

} // namespace kolvar::test
