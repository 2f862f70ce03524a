#include "formats/DibFile.h"

#include "formats/Bmp2Tiff.h"
#include "formats/BmpCodec.h"
#include "formats/ColorReduce.h"
#include "formats/DibData.h"
#include "formats/GifUnit.h"
#include "formats/JpegCodec.h"
#include "formats/Metafile.h"
#include "formats/PcxWriter.h"
#include "formats/Pcxctrl.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace kolvar {

namespace {

QString Extension(const QString& fileName) {
    return QFileInfo(fileName).suffix().toUpper();
}

// Enough for the largest BMP headers, bit-field masks and a 256-entry colour table.
constexpr qint64 BmpHeadBytes = 14 + 124 + 12 + 256 * 4;

// A 24-bit BMP read row by row into the container; false for any other layout, which the
// general reader then takes.
bool LoadBmp24(const QString& fileName, TDibContainer& Image) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) throw EInvalidGraphic();
    const QByteArray head = file.read(BmpHeadBytes);
    TBmpLayout layout;
    try {
        layout = ReadBmpLayout(head);
    } catch (const EInvalidGraphic&) {
        return false;
    }
    if (layout.BitCount != 24 || !layout.Plain) return false;
    const int64_t stride = DibStride(layout.Width, 24);
    const int64_t rowBytes = int64_t(layout.Width) * 3;
    // The final row's padding may be missing; anything shorter is truncated.
    if (file.size() - layout.BitsOffset < stride * (layout.Height - 1) + rowBytes ||
        !file.seek(layout.BitsOffset))
        throw EInvalidGraphic();
    TDibContainer image(layout.Width, layout.Height);
    // Rows come in chunks of about a megabyte: few calls, and a buffer that stays in the cache.
    const int32_t chunkRows = int32_t(std::clamp<int64_t>((1 << 20) / stride, 1, layout.Height));
    std::vector<char> chunk(size_t(stride) * size_t(chunkRows));
    for (int32_t r = 0; r < layout.Height; r += chunkRows) {
        const int32_t rows = std::min(chunkRows, layout.Height - r);
        const bool last = r + rows == layout.Height;
        const int64_t want = stride * rows - (last ? stride - rowBytes : 0);
        if (file.read(chunk.data(), want) != want) throw EInvalidGraphic();
        for (int32_t i = 0; i < rows; ++i) {
            const int32_t fileRow = r + i;
            uint8_t* row = image.ScanLine(layout.TopDown ? fileRow : layout.Height - 1 - fileRow);
            std::memcpy(row, chunk.data() + size_t(i) * size_t(stride), size_t(rowBytes));
            std::memset(row + rowBytes, 0, size_t(stride - rowBytes));
        }
    }
    Image = std::move(image);
    return true;
}

QImage LoadMetafileFile(const QString& fileName, bool enhanced) {
    try {
        return LoadMetafile(ReadWholeFile(fileName), enhanced);
    } catch (const EInOutError&) {
        throw EInvalidGraphic();
    }
}

QImage LoadOtherPicture(const QString& fileName, const QString& ext) {
    if (ext == u"BMP") return LoadBmpFile(fileName);
    if (ext == u"JPG" || ext == u"JPEG") return LoadJpegFile(fileName);
    if (ext == u"GIF") return LoadGifPicture(fileName);
    if (ext == u"PCX") return LoadPcxPicture(fileName);
    if (ext == u"EMF") return LoadMetafileFile(fileName, true);
    if (ext == u"WMF") return LoadMetafileFile(fileName, false);
    if (ext == u"PNG") {
        QImageReader reader(fileName, "png");
        const QSize size = reader.size();
        if (!size.isValid() || !PictureSizeAllowed(size.width(), size.height()))
            throw EInvalidGraphic();
        QImage image = reader.read();
        if (image.isNull()) throw EInvalidGraphic();
        return image;
    }
    throw EInvalidGraphic(QStringLiteral("No reader for files of type \"%1\".").arg(ext));
}

// The container's pixels seen as a toolkit bitmap, without a copy; valid while Image lives.
QImage Wrap(const TDibContainer& Image) {
    return QImage(Image.Bits(), Image.Width(), Image.Height(), Image.Stride(),
                  QImage::Format_BGR888);
}

void Put16(uint8_t* at, uint16_t v) {
    qToLittleEndian(v, at);
}

void Put32(uint8_t* at, uint32_t v) {
    qToLittleEndian(v, at);
}

// The system's words for a failed write. An unbuffered file reports the failing call's own
// error; a commit that fails may have lost it on closing, and then errno still holds it.
[[noreturn]] void WriteFailed(const QString& fileName, const QFileDevice& file, int error) {
    QString reason = file.error() != QFileDevice::NoError ? file.errorString() : QString();
    if ((reason.isEmpty() || reason == QLatin1String("Unknown error")) && error != 0)
        reason = qt_error_string(error);
    if (reason.isEmpty()) reason = QStringLiteral("Unknown error");
    throw EWriteError(QStringLiteral("Cannot write file %1: %2").arg(fileName, reason), reason);
}

// The document's 24-bit BMP, written row by row from the container.
void SaveBmp24(const QString& fileName, const TDibContainer& Image) {
    const uint32_t stride = uint32_t(Image.Stride());
    const uint32_t bits = stride * uint32_t(Image.Height());
    uint8_t header[54] = {'B', 'M'};
    Put32(header + 2, 54 + bits);
    Put32(header + 10, 54);
    Put32(header + 14, 40);
    Put32(header + 18, uint32_t(Image.Width()));
    Put32(header + 22, uint32_t(Image.Height()));
    Put16(header + 26, 1);
    Put16(header + 28, 24);
    Put32(header + 34, bits);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        WriteFailed(fileName, file, errno);
    if (file.write(reinterpret_cast<const char*>(header), 54) != 54)
        WriteFailed(fileName, file, errno);
    // Rows go out in chunks of about a megabyte through a buffer whose padding stays zero.
    const size_t rowBytes = size_t(Image.Width()) * 3;
    const int32_t chunkRows = std::clamp<int32_t>(int32_t((1u << 20) / stride), 1, Image.Height());
    std::vector<char> chunk(size_t(stride) * size_t(chunkRows), 0);
    for (int32_t y = Image.Height() - 1; y >= 0;) {
        int32_t rows = 0;
        for (; rows < chunkRows && y >= 0; ++rows, --y)
            std::memcpy(chunk.data() + size_t(rows) * stride, Image.ScanLine(y), rowBytes);
        const qint64 bytes = qint64(rows) * stride;
        if (file.write(chunk.data(), bytes) != bytes) WriteFailed(fileName, file, errno);
    }
    if (!file.commit()) WriteFailed(fileName, file, errno);
}

void SavePng(const QString& fileName, const TDibContainer& Image) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        WriteFailed(fileName, file, errno);
    QImageWriter writer(&file, "png");
    errno = 0;
    if (!writer.write(Wrap(Image))) {
        const int error = errno;
        if (file.error() == QFileDevice::NoError && !error)
            throw EWriteError(
                QStringLiteral("Cannot write file %1: %2").arg(fileName, writer.errorString()),
                writer.errorString());
        WriteFailed(fileName, file, error);
    }
    if (!file.commit()) WriteFailed(fileName, file, errno);
}

} // namespace

QStringList DibReadableExtensions() {
    return {"BMP", "JPG", "JPEG", "GIF", "PCX", "PNG", "EMF", "WMF"};
}

QStringList DibWritableExtensions() {
    return {"BMP", "PNG", "JPG", "JPEG", "TIF", "TIFF", "PCX"};
}

void LoadDibFile(const QString& fileName, TDibContainer& Image) {
    const QString ext = Extension(fileName);
    if (ext == u"BMP" && LoadBmp24(fileName, Image)) return;
    TDibContainer image;
    image.AssignBitmap(LoadOtherPicture(fileName, ext));
    if (image.Empty()) throw EInvalidGraphic();
    Image = std::move(image);
}

void SaveDibFile(const QString& fileName, const TDibContainer& Image,
                 const TDibSaveOptions& Options) {
    if (Image.Empty()) throw EInvalidGraphic();
    const QString ext = Extension(fileName);
    if (ext == u"BMP") {
        SaveBmp24(fileName, Image);
    } else if (ext == u"PNG") {
        SavePng(fileName, Image);
    } else if (ext == u"JPG" || ext == u"JPEG") {
        TJpegOptions jpeg;
        jpeg.Quality = Options.Quality;
        SaveJpegFile(fileName, Wrap(Image), jpeg);
    } else if (ext == u"TIF" || ext == u"TIFF") {
        SaveTIFF(fileName, ConvertToDib(Wrap(Image), 24));
    } else if (ext == u"PCX") {
        SavePCX(fileName, ConvertToDib(Wrap(Image), 8));
    } else {
        throw EInvalidGraphic(QStringLiteral("No writer for files of type \"%1\".").arg(ext));
    }
}

} // namespace kolvar
