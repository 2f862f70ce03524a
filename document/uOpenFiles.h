#pragma once
// The document windows' use of the program's picture loader (formats/PictureLoader): which
// files open, what the user is told when one cannot be read, and the Open dialog's filter.

#include "formats/PictureLoader.h"

#include <QImage>
#include <QString>

#include <functional>

namespace kolvar {

// "Could not open file " + the path as given, with the reader's own message (when there is
// one) on a second line.
QString ReadErrorText(const QString& Path, const QString& Reason);

// Fills Image with the file's picture. False at once when the file does not exist or no
// reader recognises it; when every reader that recognised it failed, OnReadError receives
// ReadErrorText with the reader's message, and the result is false. Progress reports the
// reading in percent, on the calling thread.
bool LoadPictureFile(const QString& Path, TDibContainer& Image,
                     const std::function<void(const QString& Text)>& OnReadError = {},
                     const TPictureProgress& Progress = {});
// The same through a toolkit bitmap.
bool LoadPictureFile(const QString& Path, QImage& Bitmap,
                     const std::function<void(const QString& Text)>& OnReadError = {});

// The Open dialog's filter: first every type the loader reads, then the classic entries in
// their order, then GIF, PCX and PNG.
QString OpenPictureFilter();

} // namespace kolvar
