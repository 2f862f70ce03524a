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

// "Could not open file " + the path as given, with the reader's own message (when there is
// one) on a second line.
QString ReadErrorText(const QString& Path, const QString& Reason);

// Fills Bitmap with the file's picture. False at once when the file does not exist or no
// reader recognises it; when every reader that recognised it failed, OnReadError receives
// ReadErrorText with the last reader's message, and the result is false.
bool LoadPictureFile(const QString& Path, QImage& Bitmap,
                     const std::function<void(const QString& Text)>& OnReadError = {});

// The Open dialog's filter: the classic entries in their order, then GIF, PCX, PNG and
// "All pictures".
QString OpenPictureFilter();

} // namespace kolvar
