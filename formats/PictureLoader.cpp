#include "formats/PictureLoader.h"

#include "formats/BmpCodec.h"
#include "formats/DibData.h"
#include "formats/GifUnit.h"
#include "formats/JpegCodec.h"
#include "formats/Metafile.h"
#include "formats/Pcxctrl.h"
#include "formats/PngCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <exception>
#include <vector>

namespace kolvar {

namespace {

// Enough for every signature, and for the largest BMP headers, bit-field masks and a
// 256-entry colour table.
constexpr qint64 kHeadBytes = 14 + 124 + 12 + 256 * 4;

bool StartsWith(const QByteArray& head, const char* bytes, int n, int at = 0) {
    return head.size() >= at + n && std::memcmp(head.constData() + at, bytes, size_t(n)) == 0;
}

void Report(const TPictureProgress& progress, int percent) {
    if (progress) progress(percent);
}

// A BMP of plain rows read from the file a chunk of rows at a time into the container.
bool LoadBmpRows(const QString& fileName, TDibContainer& Image, const TPictureProgress& Progress) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) throw EInvalidGraphic();
    return ReadBmpRows(file, Image, Progress);
}

QImage ReadPng(const QString& path) {
    QImageReader reader(path, "png");
    const QSize size = reader.size();
    if (!size.isValid() || !PictureSizeAllowed(size.width(), size.height()))
        throw EInvalidGraphic();
    // Room for the largest picture the program accepts, 2^28 pixels of 4 bytes.
    reader.setAllocationLimit(1024);
    QImage image = reader.read();
    if (image.isNull()) throw EInvalidGraphic(reader.errorString());
    return image;
}

QImage ReadMetafile(const QString& path, bool enhanced) {
    QByteArray bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (const EInOutError&) {
        throw EInvalidGraphic();
    }
    return LoadMetafile(bytes, enhanced);
}

struct TKindInfo {
    TPictureKind Kind;
    const char* Description;
    QStringList Extensions; // upper case, without the dot
};

const std::vector<TKindInfo>& Kinds() {
    static const std::vector<TKindInfo> kinds{
        {TPictureKind::Bmp, "Bitmaps", {"BMP"}},
        {TPictureKind::Jpeg, "JPEG Image File", {"JPG", "JPEG"}},
        {TPictureKind::Gif, "GIF Files", {"GIF"}},
        {TPictureKind::Pcx, "PCX Files", {"PCX"}},
        {TPictureKind::Png, "PNG Files", {"PNG"}},
        {TPictureKind::Emf, "Enhanced Metafiles", {"EMF"}},
        {TPictureKind::Wmf, "Metafiles", {"WMF"}},
    };
    return kinds;
}

QByteArray ReadHead(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(kHeadBytes) : QByteArray();
}

} // namespace

TPictureKind PictureKindByExtension(const QString& Path) {
    const QString ext = QFileInfo(Path).suffix().toUpper();
    for (const TKindInfo& k : Kinds())
        if (k.Extensions.contains(ext)) return k.Kind;
    return TPictureKind::Unknown;
}

TPictureKind PictureKindBySignature(const QByteArray& Head) {
    if (StartsWith(Head, "BM", 2)) return TPictureKind::Bmp;
    if (StartsWith(Head, "\xFF\xD8\xFF", 3)) return TPictureKind::Jpeg;
    if (StartsWith(Head, "GIF87a", 6) || StartsWith(Head, "GIF89a", 6)) return TPictureKind::Gif;
    if (StartsWith(Head, " EMF", 4, 40)) return TPictureKind::Emf;
    if (StartsWith(Head, "\xD7\xCD\xC6\x9A", 4) || StartsWith(Head, "\x01\x00\x09\x00", 4) ||
        StartsWith(Head, "\x02\x00\x09\x00", 4))
        return TPictureKind::Wmf;
    if (StartsWith(Head, "\x89PNG\r\n\x1A\n", 8)) return TPictureKind::Png;
    return TPictureKind::Unknown;
}

QList<TPictureKind> PictureKindsOfFile(const QString& Path) {
    QList<TPictureKind> kinds;
    // Each signature rules out every other reader, so the content's reader goes first; the
    // extension's still gets its turn (a PCX file has no signature).
    for (TPictureKind kind : {PictureKindBySignature(ReadHead(Path)), PictureKindByExtension(Path)})
        if (kind != TPictureKind::Unknown && !kinds.contains(kind)) kinds << kind;
    return kinds;
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
        return ReadMetafile(Path, Kind == TPictureKind::Emf);
    case TPictureKind::Pcx:
        return LoadPcxPicture(Path);
    case TPictureKind::Png:
        return ReadPng(Path);
    case TPictureKind::Unknown:
        break;
    }
    throw EInvalidGraphic();
}

void ReadPictureFile(const QString& Path, TPictureKind Kind, TDibContainer& Image,
                     const TPictureProgress& Progress) {
    if (Kind == TPictureKind::Jpeg) {
        LoadJpegFileInto(Path, Image, Progress);
        return;
    }
    if (Kind == TPictureKind::Gif) {
        LoadGifFileInto(Path, Image, Progress);
        return;
    }
    if (Kind == TPictureKind::Pcx) {
        QFile file(Path);
        if (!file.open(QIODevice::ReadOnly)) throw EInvalidGraphic();
        if (ReadPcxInto(file, Image, Progress)) return;
    }
    if (Kind == TPictureKind::Bmp) {
        if (!LoadBmpRows(Path, Image, Progress)) LoadBmpFileInto(Path, Image);
        Report(Progress, 100);
        return;
    }
    if (Kind == TPictureKind::Png && ReadPngInto(Path, Image, Progress)) return;
    TDibContainer image;
    image.AssignBitmap(ReadPictureFile(Path, Kind));
    if (image.Empty()) throw EInvalidGraphic();
    Image = std::move(image);
    Report(Progress, 100);
}

void LoadPicture(const QString& fileName, TDibContainer& Image, const TPictureProgress& Progress) {
    const QList<TPictureKind> kinds = PictureKindsOfFile(fileName);
    if (kinds.isEmpty()) throw EInvalidGraphic();
    if (QFile file(fileName); !file.open(QIODevice::ReadOnly))
        throw EInOutError(file.errorString());
    std::exception_ptr first;
    for (TPictureKind kind : kinds) {
        try {
            ReadPictureFile(fileName, kind, Image, Progress);
            return;
        } catch (const std::exception&) {
            if (!first) first = std::current_exception();
        }
    }
    std::rethrow_exception(first);
}

QImage LoadPicture(const QString& fileName) {
    TDibContainer image;
    LoadPicture(fileName, image);
    return image.ToImage();
}

bool CanLoadPicture(const QString& fileName) {
    return !PictureKindsOfFile(fileName).isEmpty();
}

QString PictureFileFilter() {
    QStringList all, entries;
    for (const TKindInfo& k : Kinds()) {
        QStringList masks;
        for (const QString& ext : k.Extensions) masks << QStringLiteral("*.") + ext.toLower();
        all << masks;
        entries << QStringLiteral("%1 (%2)").arg(QLatin1String(k.Description), masks.join(' '));
    }
    return QStringLiteral("All (%1)").arg(all.join(' ')) + QStringLiteral(";;") +
           entries.join(QStringLiteral(";;"));
}

} // namespace kolvar
