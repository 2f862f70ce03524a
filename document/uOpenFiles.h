#pragma once
// The picture loader of the document windows: chooses the reader by the file's extension and,
// when that reader fails or the extension is unknown, by the file's first bytes, so that a
// picture saved under a foreign extension still opens.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

namespace kolvar {

enum class TPictureKind { Unknown, Bmp, Jpeg, Gif, Emf, Wmf, Pcx, Png };

TPictureKind PictureKindByExtension(const QString& Path);
// Recognises BMP, JPEG, GIF, EMF, WMF (placeable or not) and PNG by their signatures.
TPictureKind PictureKindBySignature(const QByteArray& Head);
// Reads the file with the reader of Kind; raises that reader's error.
QImage ReadPictureFile(const QString& Path, TPictureKind Kind);

// Fills Bitmap with the file's picture. False at once when the file does not exist or no
// reader recognises it; when every reader that recognised it failed, OnReadError receives
// "Could not open file " + the upper-cased path, and the result is false.
bool LoadPictureFile(const QString& Path, QImage& Bitmap,
                     const std::function<void(const QString& Text)>& OnReadError = {});

// The Open dialog's filter: first every type the loader reads, then the classic entries in
// their order, then GIF, PCX and PNG.
QString OpenPictureFilter();

} // namespace kolvar
