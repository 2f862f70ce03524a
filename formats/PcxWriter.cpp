#include "formats/PcxWriter.h"

#include <QtEndian>

#include <vector>

namespace kolvar {

namespace {

void Put16(QByteArray& b, qsizetype at, uint16_t v) {
    qToLittleEndian(v, b.data() + at);
}

// The line's bytes as runs of at most 63; a single byte that looks like a count is written
// as a run of one.
void EncodeLine(const std::vector<uint8_t>& line, QByteArray& out) {
    size_t i = 0;
    while (i < line.size()) {
        const uint8_t v = line[i];
        size_t n = 1;
        while (i + n < line.size() && line[i + n] == v && n < 63) ++n;
        if (n > 1 || v >= 0xC0) out.append(char(0xC0 | n));
        out.append(char(v));
        i += n;
    }
}

uint16_t EvenBytes(int64_t bits) {
    return uint16_t(((bits + 15) / 16) * 2);
}

int IndexAt(const uint8_t* row, int x, int bitCount) {
    switch (bitCount) {
    case 1:
        return (row[x / 8] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4);
    default:
        return row[x];
    }
}

QByteArray Header(const TDibData& dib, uint8_t bitsPerPixel, uint8_t planes,
                  uint16_t bytesPerLine) {
    QByteArray h(128, '\0');
    h[0] = 10;
    h[1] = 5;
    h[2] = 1;
    h[3] = char(bitsPerPixel);
    Put16(h, 8, uint16_t(dib.Width - 1));
    Put16(h, 10, uint16_t(dib.Height - 1));
    Put16(h, 12, 72);
    Put16(h, 14, 72);
    if (dib.BitCount <= 4) {
        for (size_t i = 0; i < dib.Palette.size() && i < 16; ++i) {
            h[qsizetype(16 + 3 * i)] = char(dib.Palette[i].Red);
            h[qsizetype(17 + 3 * i)] = char(dib.Palette[i].Green);
            h[qsizetype(18 + 3 * i)] = char(dib.Palette[i].Blue);
        }
    }
    h[65] = char(planes);
    Put16(h, 66, bytesPerLine);
    Put16(h, 68, 1);
    return h;
}

} // namespace

QByteArray EncodePCX(const TDibData& dib) {
    const int bits = dib.BitCount;
    if ((bits != 1 && bits != 4 && bits != 8) || dib.IsEmpty() || dib.Width > 65535 ||
        dib.Height > 65535 || dib.Bits.size() != qsizetype(dib.Stride()) * dib.Height)
        throw EInvalidGraphic();
    const uint8_t planes = bits == 4 ? 4 : 1;
    const uint16_t bpl = EvenBytes(int64_t(dib.Width) * (bits == 8 ? 8 : 1));
    QByteArray out = Header(dib, bits == 8 ? 8 : 1, planes, bpl);
    std::vector<uint8_t> line(bpl);
    for (int32_t y = 0; y < dib.Height; ++y) {
        const uint8_t* row = dib.ScanLine(y);
        for (int p = 0; p < planes; ++p) {
            std::fill(line.begin(), line.end(), 0);
            for (int x = 0; x < dib.Width; ++x) {
                const int v = IndexAt(row, x, bits);
                if (bits == 8)
                    line[size_t(x)] = uint8_t(v);
                else if ((v >> p) & 1)
                    line[size_t(x / 8)] |= uint8_t(0x80 >> (x & 7));
            }
            EncodeLine(line, out);
        }
    }
    if (bits == 8) {
        out.append(char(12));
        for (size_t i = 0; i < 256; ++i) {
            const TRgbQuad q = i < dib.Palette.size() ? dib.Palette[i] : TRgbQuad{};
            out.append(char(q.Red)).append(char(q.Green)).append(char(q.Blue));
        }
    }
    return out;
}

void SavePCX(const QString& fileName, const TDibData& dib) {
    WriteFileSafely(fileName, EncodePCX(dib));
}

} // namespace kolvar
