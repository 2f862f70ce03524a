#include "formats/DibData.h"

namespace kolvar {

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

} // namespace kolvar

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kolvar {

namespace {

// The system's own words for the failure (a full disk says "No space left on device").
[[noreturn]] void WriteFailed(const QString& fileName, int error) {
    throw EWriteError(
        QStringLiteral("Cannot write file %1: %2").arg(fileName, qt_error_string(error)));
}

// A new file beside the target, made with the permissions a new file gets.
int CreateSibling(const QByteArray& target, QByteArray& name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".kolvar-" + QByteArray::number(qint64(::getpid())) + "-" +
               QByteArray::number(counter++);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// 0, or the errno of the first failure.
int WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        p += n;
        left -= n;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

} // namespace

void WriteFileSafely(const QString& fileName, const QByteArray& bytes) {
    // A link keeps pointing where it did: the file it names is the one replaced.
    const QFileInfo info(fileName);
    const QByteArray target = QFile::encodeName(info.isSymLink() ? info.symLinkTarget() : fileName);
    QByteArray temp;
    const int fd = CreateSibling(target, temp);
    if (fd < 0) WriteFailed(fileName, errno);
    int error = WriteAll(fd, bytes);
    struct stat old;
    if (!error && ::stat(target.constData(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0)
        error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temp.constData(), target.constData()) != 0) error = errno;
    if (error) {
        ::unlink(temp.constData());
        WriteFailed(fileName, error);
    }
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
