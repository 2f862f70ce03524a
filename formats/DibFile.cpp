#include "formats/DibFile.h"

#include "formats/Bmp2Tiff.h"
#include "formats/BmpCodec.h"
#include "formats/ColorReduce.h"
#include "formats/DibData.h"
#include "formats/JpegCodec.h"
#include "formats/PcxWriter.h"
#include "formats/PictureLoader.h"
#include "formats/PngCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

namespace kolvar {

namespace {

QString Extension(const QString& fileName) {
    return QFileInfo(fileName).suffix().toUpper();
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

[[noreturn]] void WriteFailed(const QString& fileName, const QFileDevice& file) {
    throw EWriteError(QStringLiteral("Cannot write file %1: %2").arg(fileName, file.errorString()));
}

} // namespace

void SaveDibBmp24(const QString& fileName, const TDibContainer& Image) {
    if (Image.Empty()) throw EInvalidGraphic();
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
    if (!file.open(QIODevice::WriteOnly)) WriteFailed(fileName, file);
    if (file.write(reinterpret_cast<const char*>(header), 54) != 54) WriteFailed(fileName, file);
    // Rows go out in chunks of about a megabyte through a buffer whose padding stays zero.
    const size_t rowBytes = size_t(Image.Width()) * 3;
    const int32_t chunkRows = std::clamp<int32_t>(int32_t((1u << 20) / stride), 1, Image.Height());
    std::vector<char> chunk(size_t(stride) * size_t(chunkRows), 0);
    for (int32_t y = Image.Height() - 1; y >= 0;) {
        int32_t rows = 0;
        for (; rows < chunkRows && y >= 0; ++rows, --y)
            std::memcpy(chunk.data() + size_t(rows) * stride, Image.ScanLine(y), rowBytes);
        const qint64 bytes = qint64(rows) * stride;
        if (file.write(chunk.data(), bytes) != bytes) WriteFailed(fileName, file);
    }
    if (!file.commit()) WriteFailed(fileName, file);
}

QStringList DibReadableExtensions() {
    return {"BMP", "JPG", "JPEG", "GIF", "PCX", "PNG", "EMF", "WMF"};
}

QStringList DibWritableExtensions() {
    return {"BMP", "PNG", "JPG", "JPEG", "TIF", "TIFF", "PCX"};
}

void LoadDibFile(const QString& fileName, TDibContainer& Image) {
    LoadPicture(fileName, Image);
}

void SaveDibFile(const QString& fileName, const TDibContainer& Image,
                 const TDibSaveOptions& Options) {
    if (Image.Empty()) throw EInvalidGraphic();
    const QString ext = Extension(fileName);
    if (ext == u"BMP") {
        SaveDibBmp24(fileName, Image);
    } else if (ext == u"PNG") {
        SavePngFile(fileName, Image);
    } else if (ext == u"JPG" || ext == u"JPEG") {
        TJpegOptions jpeg;
        jpeg.Quality = Options.Quality;
        SaveJpegFile(fileName, Image, jpeg);
    } else if (ext == u"TIF" || ext == u"TIFF") {
        SaveTIFF(fileName, ConvertToDib(Wrap(Image), 24));
    } else if (ext == u"PCX") {
        SavePCX(fileName, ConvertToDib(Wrap(Image), 8));
    } else {
        throw EInvalidGraphic(QStringLiteral("No writer for files of type \"%1\".").arg(ext));
    }
}

} // namespace kolvar
