#pragma once
// The device-independent bitmap form the writers take: what a bitmap's pixel data looks like
// when read out at a chosen depth (header fields, colour table, rows bottom-up padded to 4 bytes).
// It also holds the size limits every reader checks before it allocates.

#include "formats/DecodeBudget.h"
#include "raster/Exceptions.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace kolvar {

// One colour table entry in file order blue, green, red, reserved.
struct TRgbQuad {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    uint8_t Reserved = 0;
    friend bool operator==(const TRgbQuad&, const TRgbQuad&) = default;
};

struct TDibData {
    int32_t Width = 0;
    int32_t Height = 0;            // always positive: Bits holds the bottom row first
    uint16_t BitCount = 0;         // 1, 4, 8, 16 (5-5-5), 24 or 32
    std::vector<TRgbQuad> Palette; // 2^BitCount entries for 1, 4 and 8 bits, empty otherwise
    QByteArray Bits;               // Height rows of Stride() bytes

    int32_t Stride() const;
    bool IsEmpty() const { return Width <= 0 || Height <= 0 || Bits.isEmpty(); }
    // The row shown at the top of the picture is row 0 here.
    const uint8_t* ScanLine(int32_t topRow) const;
    uint8_t* ScanLine(int32_t topRow);
    // Allocates zeroed rows for the given size and depth and sizes the palette.
    static TDibData Make(int32_t width, int32_t height, uint16_t bitCount);
};

// Bytes in one row of a bitmap of the given width and depth, padded to a multiple of 4.
int64_t DibStride(int64_t width, int bitCount);

// Raised by the bitmap loader for anything that is not a readable bitmap.
class EInvalidGraphic : public Exception {
public:
    EInvalidGraphic() : Exception("Bitmap image is not valid") {}
    using Exception::Exception;
};

} // namespace kolvar

namespace kolvar {

// A file that could not be created or written.
class EWriteError : public EInOutError {
public:
    using EInOutError::EInOutError;
};

// Writes bytes to fileName through a temporary file that replaces the old one only when
// complete (an existing file keeps its permissions). Raises EWriteError carrying the system's
// text for the failure.
void WriteFileSafely(const QString& fileName, const QByteArray& bytes);

// The whole file, or EInOutError when it cannot be opened or read.
QByteArray ReadWholeFile(const QString& fileName);

} // namespace kolvar
