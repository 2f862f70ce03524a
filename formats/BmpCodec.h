#pragma once
// BMP files: a reader for every layout the platform's bitmap loader accepts (1, 4, 8, 16, 24
// and 32 bits, RLE4 and RLE8, bit-field masks, bottom-up and top-down rows, core headers) and
// a writer of uncompressed bitmaps.

#include "formats/DibData.h"
#include "raster/DibContainer.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QString>

#include <functional>

namespace kolvar {

// Decodes a whole BMP file. Raises EInvalidGraphic for anything unreadable. Palette bitmaps
// come back as Format_Mono (1 bit) or Format_Indexed8 with 2^bits colours, 16 bits as
// Format_RGB555 or Format_RGB16, 24 bits as Format_BGR888, the rest as Format_RGB32.
QImage ReadBmp(const QByteArray& bytes);
QImage LoadBmpFile(const QString& fileName);

// What the headers of a BMP file say about its pixels, for readers that take the rows from
// the file themselves.
struct TBmpLayout {
    int32_t Width = 0;
    int32_t Height = 0;
    bool TopDown = false;
    int BitCount = 0;
    // Rows of plain pixels, without run-length coding or bit-field masks.
    bool Plain = false;
    qsizetype BitsOffset = 0;
    // 2^BitCount colours for 1, 4 and 8 bits per pixel, black where the file gives none.
    QList<QRgb> Palette;
};
// head: the file's first bytes, at least up to the pixels. Raises EInvalidGraphic as ReadBmp
// does for headers it refuses.
TBmpLayout ReadBmpLayout(const QByteArray& head);

// ReadBmp's picture as a container: run-length coded pixels go straight into its rows, other
// layouts through the toolkit bitmap. Image is replaced only when the read succeeds.
void ReadBmpInto(const QByteArray& bytes, TDibContainer& Image);
void LoadBmpFileInto(const QString& fileName, TDibContainer& Image);

// A BMP of plain rows (1, 4, 8, 24 or 32 bits per pixel, without run-length coding or bit
// fields) read from the device a chunk of rows at a time straight into the container, with the
// pixels ReadBmp and the toolkit's conversion give; neither the file nor a second picture is
// ever held whole. False, with Image untouched, for other layouts; EInvalidGraphic for a file
// too short for its rows.
bool ReadBmpRows(QIODevice& Device, TDibContainer& Image,
                 const std::function<void(int)>& Progress = {});

// The bytes of a BMP file holding dib, uncompressed, at its own depth.
QByteArray EncodeBmp(const TDibData& dib);
// Writes dib to fileName without touching an existing file until the new one is complete.
void SaveBmpFile(const QString& fileName, const TDibData& dib);
// The document save: the picture as a 24-bit BMP.
void SaveBmp24(const QString& fileName, const QImage& image);

} // namespace kolvar
