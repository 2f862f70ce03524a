// Writes the line-style preview strip shown by the settings palette's line-style list: a
// 100 x 58 BMP of 1 bit per pixel with a black and white palette. Style i of the pen's mask
// table is row 2i + 1, columns 1 to 98, black where the mask bit for that step is set; every
// other pixel is white.
//
//   make_linestypes resources/LINESTYPES.bmp

#include "raster/DibGraphicsLineStyles.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 2 * kolvar::DibListedLineStyles;
constexpr int kStride = ((kWidth + 31) / 32) * 4;
constexpr int kHeaderBytes = 14 + 40 + 2 * 4;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// True where the strip is black.
bool Black(int x, int y) {
    if (y % 2 == 0 || x < 1 || x > kWidth - 2) return false;
    const uint32_t mask = kolvar::DibLineStyles[y / 2];
    return (mask >> ((x - 1) & 31)) & 1;
}

std::vector<uint8_t> Strip() {
    std::vector<uint8_t> out;
    const uint32_t imageBytes = kStride * kHeight;
    out.push_back('B');
    out.push_back('M');
    Put32(out, kHeaderBytes + imageBytes);
    Put32(out, 0);
    Put32(out, kHeaderBytes);
    Put32(out, 40);
    Put32(out, kWidth);
    Put32(out, kHeight); // positive: rows bottom to top
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, 0);
    Put32(out, imageBytes);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 2);
    Put32(out, 0);
    Put32(out, 0x00000000); // index 0: black
    Put32(out, 0x00FFFFFF); // index 1: white
    for (int row = kHeight - 1; row >= 0; --row) {
        std::vector<uint8_t> bits(kStride, 0);
        for (int x = 0; x < kWidth; ++x)
            if (!Black(x, row)) bits[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), bits.begin(), bits.end());
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.bmp>\n", argv[0]);
        return 2;
    }
    const std::vector<uint8_t> bytes = Strip();
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
