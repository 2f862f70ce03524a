#pragma once
// JPEG decoding and encoding through libjpeg. Every library error becomes an EJpegError
// carrying libjpeg's own message; nothing ends the process.

#include "raster/Exceptions.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

namespace kolvar {

class TDibContainer;

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

// Percent of the rows decoded so far; it must not raise.
using TJpegProgress = std::function<void(int Percent)>;
// The same pixels written straight into the container's rows (libjpeg gives them in its byte
// order), with no toolkit bitmap in between. Image is replaced only when the decode succeeds.
void DecodeJpegInto(const QByteArray& data, TDibContainer& Image,
                    const TJpegProgress& Progress = {});
void LoadJpegFileInto(const QString& fileName, TDibContainer& Image,
                      const TJpegProgress& Progress = {});

QByteArray EncodeJpeg(const QImage& image, const TJpegOptions& options);
// An existing file is replaced only once the new one is complete.
void SaveJpegFile(const QString& fileName, const QImage& image, const TJpegOptions& options);
// The same bytes from the container's rows, with no toolkit bitmap in between; the file is
// written as the bytes come, through a temporary file that replaces the old one when complete
// (EWriteError with the system's reason otherwise).
QByteArray EncodeJpeg(const TDibContainer& Image, const TJpegOptions& options);
void SaveJpegFile(const QString& fileName, const TDibContainer& Image, const TJpegOptions& options);

} // namespace kolvar
