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

// The question asked before a large picture opens; %1 x %2 is its size, %3 the megabytes.
inline constexpr const char* kLargePictureQuestion =
    "This picture is %1 x %2 pixels and needs %3 MB. Open it?";

// The question (or its translation, with the same places) filled in for the picture.
QString LargePictureQuestion(QSize picture,
                             const QString& text = QString::fromLatin1(kLargePictureQuestion));

} // namespace kolvar
