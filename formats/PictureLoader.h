#pragma once
// The picture class: loads a picture file by its extension through the registered readers.
// BMP, JPEG ("JPG", "JPEG") and PCX are registered from the start; other layers may add more.

#include <QImage>
#include <QList>
#include <QString>

namespace kolvar {

using TPictureReader = QImage (*)(const QString& fileName);

struct TPictureFormat {
    QString Extension; // upper case, without the dot
    QString Description;
    TPictureReader Reader = nullptr;
};

// Adds or replaces the reader for an extension.
void RegisterPictureFormat(const QString& extension, const QString& description,
                           TPictureReader reader);
QList<TPictureFormat> RegisteredPictureFormats();

// True when a reader is registered for the file's extension.
bool CanLoadPicture(const QString& fileName);
// Raises the reader's error, or EInvalidGraphic when no reader takes the extension.
QImage LoadPicture(const QString& fileName);

// A file-dialog filter: all registered types first, then one entry per type, for example
// "PCX Files (*.pcx)".
QString PictureFileFilter();

} // namespace kolvar
