#include "document/uOpenFiles.h"

#include "formats/BmpCodec.h"
#include "formats/GifUnit.h"
#include "formats/JpegCodec.h"
#include "formats/Metafile.h"
#include "formats/Pcxctrl.h"
#include "raster/Exceptions.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <exception>

namespace kolvar {

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw EInOutError(f.errorString());
    return f.readAll();
}

QByteArray readHead(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(64) : QByteArray();
}

QImage readPng(const QString& path) {
    QImageReader reader(path, "png");
    // Room for the largest picture the program accepts, 2^28 pixels of 4 bytes.
    reader.setAllocationLimit(1024);
    QImage image = reader.read();
    if (image.isNull()) throw EInvalidGraphic(reader.errorString());
    return image;
}

bool startsWith(const QByteArray& head, const char* bytes, int n, int at = 0) {
    return head.size() >= at + n && head.mid(at, n) == QByteArray(bytes, n);
}

} // namespace

QString ReadErrorText(const QString& Path, const QString& Reason) {
    const QString text = QStringLiteral("Could not open file ") + Path;
    return Reason.isEmpty() ? text : text + QLatin1Char('\n') + Reason;
}

TPictureKind PictureKindByExtension(const QString& Path) {
    const QString ext = QFileInfo(Path).suffix().toUpper();
    if (ext == QLatin1String("GIF")) return TPictureKind::Gif;
    if (ext == QLatin1String("BMP")) return TPictureKind::Bmp;
    if (ext == QLatin1String("JPG") || ext == QLatin1String("JPEG")) return TPictureKind::Jpeg;
    if (ext == QLatin1String("EMF")) return TPictureKind::Emf;
    if (ext == QLatin1String("WMF")) return TPictureKind::Wmf;
    if (ext == QLatin1String("PCX")) return TPictureKind::Pcx;
    if (ext == QLatin1String("PNG")) return TPictureKind::Png;
    return TPictureKind::Unknown;
}

TPictureKind PictureKindBySignature(const QByteArray& Head) {
    if (startsWith(Head, "BM", 2)) return TPictureKind::Bmp;
    if (startsWith(Head, "\xFF\xD8\xFF", 3)) return TPictureKind::Jpeg;
    if (startsWith(Head, "GIF87a", 6) || startsWith(Head, "GIF89a", 6)) return TPictureKind::Gif;
    if (startsWith(Head, " EMF", 4, 40)) return TPictureKind::Emf;
    if (startsWith(Head, "\xD7\xCD\xC6\x9A", 4) || startsWith(Head, "\x01\x00\x09\x00", 4) ||
        startsWith(Head, "\x02\x00\x09\x00", 4))
        return TPictureKind::Wmf;
    if (startsWith(Head, "\x89PNG\r\n\x1A\n", 8)) return TPictureKind::Png;
    return TPictureKind::Unknown;
}

QImage ReadPictureFile(const QString& Path, TPictureKind Kind) {
    switch (Kind) {
    case TPictureKind::Gif:
        return LoadGifPicture(Path);
    case TPictureKind::Bmp:
        return LoadBmpFile(Path);
    case TPictureKind::Jpeg:
        return LoadJpegFile(Path);
    case TPictureKind::Emf:
    case TPictureKind::Wmf:
        return LoadMetafile(readAll(Path), Kind == TPictureKind::Emf);
    case TPictureKind::Pcx:
        return LoadPcxPicture(Path);
    case TPictureKind::Png:
        return readPng(Path);
    case TPictureKind::Unknown:
        break;
    }
    throw EInvalidGraphic();
}

bool LoadPictureFile(const QString& Path, QImage& Bitmap,
                     const std::function<void(const QString& Text)>& OnReadError) {
    if (!QFileInfo(Path).isFile()) return false;
    const TPictureKind byName = PictureKindByExtension(Path);
    const TPictureKind byContent = PictureKindBySignature(readHead(Path));
    bool failed = false;
    QString reason; // the last reader's own message
    for (TPictureKind kind : {byName, byContent}) {
        if (kind == TPictureKind::Unknown || (failed && kind == byName)) continue;
        try {
            QImage image = ReadPictureFile(Path, kind);
            if (image.isNull()) throw EInvalidGraphic();
            Bitmap = std::move(image);
            return true;
        } catch (const Exception& e) {
            failed = true;
            reason = e.Message();
        } catch (const std::exception&) {
            failed = true;
            reason.clear();
        }
    }
    if (failed && OnReadError) OnReadError(ReadErrorText(Path, reason));
    return false;
}

QString OpenPictureFilter() {
    return QStringLiteral(
        "All files (*.bmp *.jpg *.jpeg *.emf *.wmf);;Bitmaps (*.bmp);;JPEG Files (*.jpg);;"
        "JPEG Files (*.jpeg);;Enhanced Metafiles (*.emf);;Metafiles (*.wmf);;"
        "GIF Files (*.gif);;PCX Files (*.pcx);;PNG Files (*.png);;"
        "All pictures (*.bmp *.jpg *.jpeg *.emf *.wmf *.gif *.pcx *.png)");
}

} // namespace kolvar
