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

// Replaces Image with the picture in fileName, chosen by the extension. Raises EInvalidGraphic
// (or the format's own error) for a file it cannot read and for an unknown extension.
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

} // namespace kolvar
