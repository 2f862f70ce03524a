#pragma once
// Uncompressed single-strip little-endian TIFF from a bitmap's device-independent data:
// palette images (1, 4 and 8 bits) with a colour map, the others as 8-bit RGB.

#include "formats/DibData.h"

#include <QIODevice>
#include <QString>

namespace kolvar {

// Writes the whole file sequentially and patches the IFD offset at the end. Raises
// EInvalidGraphic for a dib without pixels and EWriteError when the stream fails.
void WriteTIFF(QIODevice& stream, const TDibData& bitmap);
// Writes to fileName; an existing file is replaced only once the new one is complete.
void SaveTIFF(const QString& fileName, const TDibData& bitmap);

} // namespace kolvar
