#pragma once
// Windows metafiles (enhanced EMF and the older WMF, placeable or not) played into a bitmap.
// There is no platform service for them here, so the program carries its own player of the
// records drawings use. Every size, count and offset is checked against the bytes present;
// damaged input raises EMetafileError and never reads outside the data.

#include "formats/MetafileError.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace kolvar {

// The picture's size in pixels: an enhanced metafile's frame at 96 pixels per inch, a
// placeable metafile's bounding box in its units per inch (also at 96 pixels per inch), an
// old-style metafile's window extent. Raises EMetafileError for bad headers and for pictures
// above 2^28 pixels or 65535 on a side.
QSize MetafilePictureSize(const QByteArray& bytes, bool enhanced);

// Plays the metafile into a white RGB32 image of MetafilePictureSize, without anti-aliasing.
// The canvas and every bitmap the records decode count towards the decoding budget's metafile
// total (formats/DecodeBudget.h); past it the play raises EDecodeBudgetError.
QImage LoadMetafile(const QByteArray& bytes, bool enhanced);

} // namespace kolvar
