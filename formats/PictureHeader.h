#pragma once
// A picture's size read from its file's header, before anything is decoded, and the rule by
// which the editor asks before opening a picture that would take much of the machine's memory.

#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

class QByteArray;

namespace kolvar {

// The size of the picture the file holds (BMP, JPEG, GIF's first image, PCX, PNG, EMF, WMF),
// recognised by its first bytes; none when the header is not recognised or is damaged (the
// reader then says what is wrong).
std::optional<QSize> PictureSizeFromHeader(const QByteArray& head);
std::optional<QSize> PictureSizeOfFile(const QString& fileName);

// True for the first bytes of an enhanced or old-style metafile.
bool IsMetafileHead(const QByteArray& head);

// What a document of this size holds: its 24-bit image and the undo copy of it.
int64_t DocumentBytes(QSize picture);

// Pictures above this many pixels are only opened when the user says so.
constexpr int64_t kLargePicturePixels = 100'000'000;

// True when opening a picture of this size should be confirmed first: it has more than
// kLargePicturePixels, or with the documents already open (openBytes) it would take more than
// half of the machine's physical memory (physicalBytes; 0 when unknown).
bool ShouldConfirmOpening(QSize picture, int64_t openBytes, int64_t physicalBytes);

// The machine's physical memory in bytes, or 0 when the system does not say.
int64_t PhysicalMemoryBytes();

// "This picture is W x H pixels and needs N MB. Open it?"
QString LargePictureQuestion(QSize picture);

} // namespace kolvar
