#pragma once
// PNG files through libpng, straight between the file and the image container's rows: no
// 32-bit toolkit bitmap in between, so a picture is only ever held once.

#include "raster/DibContainer.h"

#include <QString>

#include <functional>

namespace kolvar {

// Percent of the rows read so far; it must not raise.
using TPngProgress = std::function<void(int Percent)>;

// Reads an 8-bit RGB or grey picture without transparency into Image (replaced only on
// success) and gives true. Gives false, reading nothing, for the other layouts, which the
// toolkit's reader takes with the same pixels. Raises EInvalidGraphic for a damaged file and
// for a picture past the size limits.
bool ReadPngInto(const QString& fileName, TDibContainer& Image, const TPngProgress& Progress = {});

// Writes Image as an 8-bit RGB PNG; an existing file is replaced only once the new one is
// complete. Raises EWriteError with the system's reason.
void SavePngFile(const QString& fileName, const TDibContainer& Image);

} // namespace kolvar
