#include "formats/PictureHeader.h"

#include "formats/DibData.h"
#include "formats/Metafile.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <cstdlib>

#include <unistd.h>

namespace kolvar {

namespace {

// Enough for the headers of every raster format, JPEG's application segments included.
constexpr qint64 kHeadBytes = 1 << 20;
constexpr qint64 kWholeMetafileBytes = 64 << 20;

bool At(const QByteArray& b, qsizetype at, const char* bytes, qsizetype n) {
    return at >= 0 && b.size() >= at + n && std::equal(bytes, bytes + n, b.constData() + at);
}

uint16_t U16LE(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<uint16_t>(b.constData() + at);
}

uint16_t U16BE(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<uint16_t>(b.constData() + at);
}

std::optional<QSize> Valid(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) return std::nullopt;
    return QSize(int(std::min<int64_t>(width, 1 << 30)), int(std::min<int64_t>(height, 1 << 30)));
}

std::optional<QSize> Valid(QSize size) {
    return Valid(size.width(), size.height());
}

std::optional<QSize> JpegSize(const QByteArray& b) {
    qsizetype at = 2;
    while (at + 4 <= b.size()) {
        if (uint8_t(b[at]) != 0xFF) return std::nullopt;
        const uint8_t marker = uint8_t(b[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > b.size()) return std::nullopt;
            return Valid(U16BE(b, at + 7), U16BE(b, at + 5));
        }
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;
        at += 2 + U16BE(b, at + 2);
    }
    return std::nullopt;
}

std::optional<QSize> GifSize(const QByteArray& b) {
    if (b.size() < 13) return std::nullopt;
    const uint8_t flags = uint8_t(b[10]);
    qsizetype at = 13 + ((flags & 0x80) ? 3 * (qsizetype(2) << (flags & 7)) : 0);
    while (at < b.size()) {
        const uint8_t block = uint8_t(b[at]);
        if (block == 0x2C) {
            if (at + 9 > b.size()) return std::nullopt;
            return Valid(U16LE(b, at + 5), U16LE(b, at + 7));
        }
        if (block != 0x21) return std::nullopt;
        at += 2; // introducer and label, then sub-blocks up to an empty one
        while (at < b.size() && b[at] != 0) at += 1 + uint8_t(b[at]);
        ++at;
    }
    return std::nullopt;
}

} // namespace

bool IsMetafileHead(const QByteArray& b) {
    return At(b, 40, " EMF", 4) || At(b, 0, "\xD7\xCD\xC6\x9A", 4) ||
           At(b, 0, "\x01\x00\x09\x00", 4) || At(b, 0, "\x02\x00\x09\x00", 4);
}

std::optional<QSize> PictureSizeFromHeader(const QByteArray& head) {
    try {
        if (At(head, 0, "BM", 2) && head.size() >= 26) {
            // The header as it stands, even for sizes the reader refuses.
            if (qFromLittleEndian<uint32_t>(head.constData() + 14) == 12)
                return Valid(U16LE(head, 18), U16LE(head, 20));
            return Valid(qFromLittleEndian<int32_t>(head.constData() + 18),
                         std::abs(int64_t(qFromLittleEndian<int32_t>(head.constData() + 22))));
        }
        if (At(head, 0, "\xFF\xD8\xFF", 3)) return JpegSize(head);
        if (At(head, 0, "GIF87a", 6) || At(head, 0, "GIF89a", 6)) return GifSize(head);
        if (At(head, 0, "\x89PNG\r\n\x1A\n", 8) && At(head, 12, "IHDR", 4))
            return Valid(qFromBigEndian<uint32_t>(head.constData() + 16),
                         qFromBigEndian<uint32_t>(head.constData() + 20));
        if (IsMetafileHead(head)) return Valid(MetafilePictureSize(head, At(head, 40, " EMF", 4)));
        if (head.size() >= 128 && head[0] == 0x0A && head[2] == 1)
            return Valid(int64_t(U16LE(head, 8)) - U16LE(head, 4) + 1,
                         int64_t(U16LE(head, 10)) - U16LE(head, 6) + 1);
    } catch (const Exception&) {
    }
    return std::nullopt;
}

std::optional<QSize> PictureSizeOfFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray head = file.read(kHeadBytes);
    // An old metafile gives its size in a record that may come late.
    if (IsMetafileHead(head) && file.size() <= kWholeMetafileBytes) head += file.readAll();
    return PictureSizeFromHeader(head);
}

int64_t DocumentBytes(QSize picture) {
    return 2 * DibStride(picture.width(), 24) * int64_t(picture.height());
}

bool ShouldConfirmOpening(QSize picture, int64_t openBytes, int64_t physicalBytes) {
    if (int64_t(picture.width()) * picture.height() > kLargePicturePixels) return true;
    return physicalBytes > 0 && openBytes + DocumentBytes(picture) > physicalBytes / 2;
}

int64_t PhysicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? int64_t(pages) * pageSize : 0;
}

QString LargePictureQuestion(QSize picture, const QString& text) {
    const int64_t megabytes = (DocumentBytes(picture) + (1 << 20) - 1) >> 20;
    return QString(text).arg(picture.width()).arg(picture.height()).arg(megabytes);
}

} // namespace kolvar
