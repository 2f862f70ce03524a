#pragma once
// The document windows' use of the program's picture loader (formats/PictureLoader): which
// files open, what the user is told when one cannot be read, and the Open dialog's filter.

#include "formats/PictureLoader.h"

#include <QImage>
#include <QString>

#include <functional>

namespace kolvar {

// Fills Image with the file's picture. False at once when the file does not exist or no
// reader recognises it; when every reader that recognised it failed, OnReadError receives
// "Could not open file " + the upper-cased path, and the result is false. Progress reports the
// reading in percent, on the calling thread.
bool LoadPictureFile(const QString& Path, TDibContainer& Image,
                     const std::function<void(const QString& Text)>& OnReadError = {},
                     const TPictureProgress& Progress = {});
// The same through a toolkit bitmap.
bool LoadPictureFile(const QString& Path, QImage& Bitmap,
                     const std::function<void(const QString& Text)>& OnReadError = {});

// The Open dialog's filter: the classic entries in their order, then GIF, PCX, PNG and
// "All pictures".
QString OpenPictureFilter();

} // namespace kolvar
