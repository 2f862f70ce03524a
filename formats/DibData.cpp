#include "formats/DibData.h"

#include <algorithm>
#include <atomic>

namespace kolvar {

namespace {
std::atomic<int64_t> gPixelLimit{kMaxPicturePixels};
}

int64_t DibStride(int64_t width, int bitCount) {
    return ((width * bitCount + 31) / 32) * 4;
}

int32_t TDibData::Stride() const {
    return static_cast<int32_t>(DibStride(Width, BitCount));
}

const uint8_t* TDibData::ScanLine(int32_t topRow) const {
    const auto offset = int64_t(Height - 1 - topRow) * Stride();
    return reinterpret_cast<const uint8_t*>(Bits.constData()) + offset;
}

uint8_t* TDibData::ScanLine(int32_t topRow) {
    const auto offset = int64_t(Height - 1 - topRow) * Stride();
    return reinterpret_cast<uint8_t*>(Bits.data()) + offset;
}

TDibData TDibData::Make(int32_t width, int32_t height, uint16_t bitCount) {
    TDibData dib;
    dib.Width = width;
    dib.Height = height;
    dib.BitCount = bitCount;
    if (bitCount <= 8) dib.Palette.resize(size_t(1) << bitCount);
    dib.Bits = QByteArray(qsizetype(DibStride(width, bitCount) * height), '\0');
    return dib;
}

int64_t PicturePixelLimit() {
    return gPixelLimit.load();
}

void SetPicturePixelLimit(int64_t pixels) {
    gPixelLimit.store(std::clamp<int64_t>(pixels, 1, kMaxPicturePixels));
}

bool PictureSizeAllowed(int64_t width, int64_t height) {
    if (width < 1 || height < 1) return false;
    if (width > kMaxPictureSide || height > kMaxPictureSide) return false;
    return width * height <= PicturePixelLimit();
}

} // namespace kolvar

#include <QFile>
#include <QSaveFile>

namespace kolvar {

void WriteFileSafely(const QString& fileName, const QByteArray& bytes) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EWriteError(
            QStringLiteral("Cannot write file %1: %2").arg(fileName, file.errorString()));
}

QByteArray ReadWholeFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(
            QStringLiteral("Cannot open file %1: %2").arg(fileName, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(
            QStringLiteral("Cannot read file %1: %2").arg(fileName, file.errorString()));
    return bytes;
}

} // namespace kolvar
