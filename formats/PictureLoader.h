#pragma once
// The one picture loader of the program, shared by the editor and the batch command. A file is
// recognised by its first bytes and by its extension, so that a picture saved under a foreign
// extension still opens. Pictures are read straight into an image container where the format
// allows it (JPEG, GIF, BMP of plain rows and PNG without a transparent colour go into the
// container's own rows); the others pass through their reader's toolkit bitmap, converted a
// band of rows at a time.

#include "raster/DibContainer.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <functional>

namespace kolvar {

enum class TPictureKind { Unknown, Bmp, Jpeg, Gif, Emf, Wmf, Pcx, Png };

TPictureKind PictureKindByExtension(const QString& Path);
// Recognises BMP, JPEG, GIF, EMF, WMF (placeable or not) and PNG by their signatures.
TPictureKind PictureKindBySignature(const QByteArray& Head);
// The readers to try, best first: the one the first bytes name, then the extension's. Empty
// when neither is known (or the file cannot be read).
QList<TPictureKind> PictureKindsOfFile(const QString& Path);

// Percent of the picture read so far. Called on the reading thread; it must not raise.
using TPictureProgress = std::function<void(int Percent)>;

// Reads the file with the reader of Kind; raises that reader's error.
QImage ReadPictureFile(const QString& Path, TPictureKind Kind);
// The same into a container, replaced only when the reader succeeds.
void ReadPictureFile(const QString& Path, TPictureKind Kind, TDibContainer& Image,
                     const TPictureProgress& Progress = {});

// Replaces Image with the file's picture, trying the readers of PictureKindsOfFile in turn.
// Raises the error of the first reader that failed, EInOutError when the file cannot be read,
// or EInvalidGraphic when nothing recognises it.
void LoadPicture(const QString& fileName, TDibContainer& Image,
                 const TPictureProgress& Progress = {});
QImage LoadPicture(const QString& fileName);
// True when the file's name or first bytes name a picture type the loader reads.
bool CanLoadPicture(const QString& fileName);

// A file-dialog filter: all readable types first, then one entry per type, for example
// "PCX Files (*.pcx)".
QString PictureFileFilter();

} // namespace kolvar
