#pragma once
// The two record sets of the metafile player: header parsing and playback.

#include "formats/MetafileReader.h"

#include <QImage>
#include <QRect>
#include <QSize>

namespace kolvar {

struct TEmfHeader {
    QRect Frame; // hundredths of a millimetre, as stored (right and bottom are the far edges)
    QSize Device;
    QSize Millimeters;
    uint32_t Handles = 0;
    uint32_t HeaderSize = 0;
};

TEmfHeader ReadEmfHeader(const TMetafileReader& data);
QSize EmfPictureSize(const TEmfHeader& header);
void PlayEmf(const TMetafileReader& data, const TEmfHeader& header, QImage& target);

struct TWmfHeader {
    bool Placeable = false;
    QRect Box; // placeable: the bounding box, edges as stored
    uint32_t UnitsPerInch = 0;
    QSize WindowExt; // old style: the first window extent the records set
    QPoint WindowOrg;
    uint32_t Objects = 0;
    uint64_t FirstRecord = 0;
};

TWmfHeader ReadWmfHeader(const TMetafileReader& data);
QSize WmfPictureSize(const TWmfHeader& header);
void PlayWmf(const TMetafileReader& data, const TWmfHeader& header, QImage& target);

// Single-byte text of the records, read as the Western code page.
QString DecodeAnsiText(const uint8_t* bytes, size_t count);

} // namespace kolvar
