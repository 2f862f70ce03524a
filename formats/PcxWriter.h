#pragma once
// PCX writer for the export: 8 bits in one plane with the trailing 256-colour palette, 16
// colours as four 1-bit planes, and monochrome as one 1-bit plane. Run-length encoded,
// version 5, runs never crossing a plane's line.

#include "formats/DibData.h"

#include <QByteArray>
#include <QString>

namespace kolvar {

// dib must have 1, 4 or 8 bits per pixel; anything else raises EInvalidGraphic.
QByteArray EncodePCX(const TDibData& dib);
void SavePCX(const QString& fileName, const TDibData& dib);

} // namespace kolvar
