#include "formats/PictureLoader.h"

#include "formats/BmpCodec.h"
#include "formats/JpegCodec.h"
#include "formats/Pcxctrl.h"

#include <QFileInfo>
#include <QStringList>

#include <mutex>

namespace kolvar {

namespace {

struct TRegistry {
    std::mutex Lock;
    QList<TPictureFormat> Formats{
        {QStringLiteral("BMP"), QStringLiteral("Bitmaps"), &LoadBmpFile},
        {QStringLiteral("JPG"), QStringLiteral("JPEG Image File"), &LoadJpegFile},
        {QStringLiteral("JPEG"), QStringLiteral("JPEG Image File"), &LoadJpegFile},
        {QStringLiteral("PCX"), QStringLiteral("PCX Files"), &LoadPcxPicture},
    };
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

TPictureReader ReaderFor(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix().toUpper();
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    for (const TPictureFormat& f : r.Formats)
        if (f.Extension == ext) return f.Reader;
    return nullptr;
}

} // namespace

void RegisterPictureFormat(const QString& extension, const QString& description,
                           TPictureReader reader) {
    const QString ext = extension.toUpper();
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    for (TPictureFormat& f : r.Formats)
        if (f.Extension == ext) {
            f = {ext, description, reader};
            return;
        }
    r.Formats.push_back({ext, description, reader});
}

QList<TPictureFormat> RegisteredPictureFormats() {
    TRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    return r.Formats;
}

bool CanLoadPicture(const QString& fileName) {
    return ReaderFor(fileName) != nullptr;
}

QImage LoadPicture(const QString& fileName) {
    const TPictureReader reader = ReaderFor(fileName);
    if (!reader)
        throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)")
                                  .arg(QFileInfo(fileName).suffix()));
    return reader(fileName);
}

QString PictureFileFilter() {
    QStringList all, entries;
    for (const TPictureFormat& f : RegisteredPictureFormats()) {
        const QString mask = QStringLiteral("*.") + f.Extension.toLower();
        all << mask;
        entries << QStringLiteral("%1 (%2)").arg(f.Description, mask);
    }
    return QStringLiteral("All (%1)").arg(all.join(' ')) + QStringLiteral(";;") +
           entries.join(QStringLiteral(";;"));
}

} // namespace kolvar
