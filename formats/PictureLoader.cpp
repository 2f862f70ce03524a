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

bool DirectBmpLayout(const TBmpLayout& layout) {
    return layout.Plain && (layout.BitCount == 1 || layout.BitCount == 4 || layout.BitCount == 8 ||
                            layout.BitCount == 24 || layout.BitCount == 32);
}

// One file row as the container's pixels: the palette's colours, or the colour bytes with the
// fourth byte of a 32-bit pixel dropped, as the bitmap reader and its conversion give them.
void StoreBmpRow(const TBmpLayout& layout, const uint8_t* src, uint8_t* dst) {
    const int32_t w = layout.Width;
    if (layout.BitCount == 24) {
        std::memcpy(dst, src, size_t(w) * 3);
        return;
    }
    for (int32_t x = 0; x < w; ++x, dst += 3) {
        if (layout.BitCount == 32) {
            dst[0] = src[4 * x], dst[1] = src[4 * x + 1], dst[2] = src[4 * x + 2];
            continue;
        }
        int index = src[x];
        if (layout.BitCount == 4) index = (x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4);
        if (layout.BitCount == 1) index = (src[x / 8] >> (7 - (x & 7))) & 1;
        const QRgb c = layout.Palette[index];
        dst[0] = uint8_t(qBlue(c)), dst[1] = uint8_t(qGreen(c)), dst[2] = uint8_t(qRed(c));
    }
}

// A BMP of plain rows read a chunk of rows at a time into the container, without the whole
// file or a second picture in memory; false for the layouts (run-length coding, bit fields,
// 16 bits) the general reader takes.
bool LoadBmpRows(const QString& fileName, TDibContainer& Image, const TPictureProgress& Progress) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) throw EInvalidGraphic();
    const QByteArray head = file.read(kHeadBytes);
    TBmpLayout layout;
    try {
        layout = ReadBmpLayout(head);
    } catch (const EInvalidGraphic&) {
        return false;
    }
    if (!DirectBmpLayout(layout)) return false;
    const int64_t stride = DibStride(layout.Width, layout.BitCount);
    const int64_t rowBytes = (int64_t(layout.Width) * layout.BitCount + 7) / 8;
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
            StoreBmpRow(layout,
                        reinterpret_cast<const uint8_t*>(chunk.data()) + size_t(i) * size_t(stride),
                        image.ScanLine(layout.TopDown ? fileRow : layout.Height - 1 - fileRow));
        }
        Report(Progress, int(int64_t(r + rows) * 100 / layout.Height));
    }
    Image = std::move(image);
    return true;
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
    if (Kind == TPictureKind::Bmp && LoadBmpRows(Path, Image, Progress)) return;
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
