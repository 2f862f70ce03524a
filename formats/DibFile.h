#pragma once
// Picture files read into and written from an image container without a toolkit bitmap in
// between where the format allows it: 24-bit BMP rows go straight between the file and the
// container's rows. The other formats pass through their own readers and writers.

#include "raster/DibContainer.h"

#include <QString>
#include <QStringList>

namespace kolvar {

// Upper-case extensions, without the dot.
QStringList DibReadableExtensions();
QStringList DibWritableExtensions();

// Replaces Image with the picture in fileName, through the program's picture loader: the type
// is recognised by the first bytes and the extension. Raises EInvalidGraphic (or the format's
// own error) for a file it cannot read, EInOutError for a file it cannot open.
void LoadDibFile(const QString& fileName, TDibContainer& Image);

struct TDibSaveOptions {
    // JPEG quality, 1 to 100.
    int Quality = 75;
};

// Writes Image in the format the extension names: BMP and TIFF with 24 bits, PNG, JPEG, and
// PCX reduced to 256 colours. An existing file is replaced only once the new one is complete.
// Raises EInvalidGraphic for an unknown extension and EInOutError when the file cannot be
// written.
void SaveDibFile(const QString& fileName, const TDibContainer& Image,
                 const TDibSaveOptions& Options = {});
// The document save: a 24-bit BMP whatever the extension, written row by row from the
// container (the same bytes as SaveBmp24 of its toolkit bitmap).
void SaveDibBmp24(const QString& fileName, const TDibContainer& Image);

} // namespace kolvar
