#pragma once
// JPEG decoding and encoding through libjpeg. Every library error becomes an EJpegError
// carrying libjpeg's own message; nothing ends the process.

#include "raster/Exceptions.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace kolvar {

class EJpegError : public Exception {
public:
    using Exception::Exception;
};

struct TJpegOptions {
    int Quality = 75; // 1 to 100
    bool GrayScale = false;
    bool Progressive = false;
};

// Greyscale files come back as Format_Grayscale8, all others as Format_RGB888. Damaged data
// raises EJpegError saying so; a picture past the decoding budget raises EDecodeBudgetError.
QImage DecodeJpeg(const QByteArray& data);
QImage LoadJpegFile(const QString& fileName);

QByteArray EncodeJpeg(const QImage& image, const TJpegOptions& options);
// An existing file is replaced only once the new one is complete.
void SaveJpegFile(const QString& fileName, const QImage& image, const TJpegOptions& options);

} // namespace kolvar
