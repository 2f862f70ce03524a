#include "formats/PictureWriter.h"

#include "formats/DibData.h"
#include "formats/DibFile.h"

#include <QFileInfo>

#include <algorithm>

namespace kolvar {

namespace {

QString suffixOf(const QString& fileName) {
    return QFileInfo(fileName).suffix().toLower();
}

QString filterOf(const TPictureType& type) {
    QStringList masks;
    for (const QString& e : type.Extensions) masks << QStringLiteral("*.") + e;
    return type.Name + QStringLiteral(" (") + masks.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// The name without its extension (a dot that starts the file name is no extension).
QString withoutSuffix(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix();
    return suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1);
}

} // namespace

const std::vector<TPictureType>& WritablePictureTypes() {
    static const std::vector<TPictureType> types = {
        {QStringLiteral("BMP File"), {QStringLiteral("bmp")}},
        {QStringLiteral("JPEG File"), {QStringLiteral("jpg"), QStringLiteral("jpeg")}},
        {QStringLiteral("PNG File"), {QStringLiteral("png")}},
        {QStringLiteral("TIFF File"), {QStringLiteral("tif"), QStringLiteral("tiff")}},
        {QStringLiteral("PCX File"), {QStringLiteral("pcx")}},
    };
    return types;
}

const TPictureType* PictureTypeOf(const QString& fileName) {
    const QString suffix = suffixOf(fileName);
    if (suffix.isEmpty()) return nullptr;
    for (const TPictureType& type : WritablePictureTypes())
        if (type.Extensions.contains(suffix)) return &type;
    return nullptr;
}

bool CanWritePicture(const QString& fileName) {
    return PictureTypeOf(fileName) != nullptr;
}

QString SaveFileNameFor(const QString& fileName) {
    if (fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty()) return fileName;
    return fileName + QStringLiteral(".bmp");
}

QString ProposedSaveName(const QString& fileName) {
    if (fileName.isEmpty() || CanWritePicture(fileName)) return fileName;
    return withoutSuffix(fileName) + QStringLiteral(".bmp");
}

QString SaveTypeFilter() {
    QStringList filters;
    for (const TPictureType& type : WritablePictureTypes()) filters << filterOf(type);
    return filters.join(QStringLiteral(";;"));
}

QString SaveTypeFilterFor(const QString& fileName) {
    const TPictureType* type = PictureTypeOf(fileName);
    return filterOf(type ? *type : WritablePictureTypes().front());
}

QString NameForSaveType(const QString& fileName, const QString& filter, bool TypeChanged) {
    const auto& types = WritablePictureTypes();
    const auto chosen = std::find_if(types.begin(), types.end(),
                                     [&](const TPictureType& t) { return filterOf(t) == filter; });
    if (chosen == types.end() || fileName.isEmpty()) return fileName;
    if (!TypeChanged) return fileName;
    if (PictureTypeOf(fileName) == &*chosen) return fileName;
    // A name with an extension no writer knows ("holiday.2024") keeps it and gets the type's.
    const QString stem = CanWritePicture(fileName) ? withoutSuffix(fileName) : fileName;
    return stem + QLatin1Char('.') + chosen->Extensions.front();
}

void WritePicture(const QString& fileName, const TDibContainer& image,
                  const TPictureWriteOptions& options) {
    if (!CanWritePicture(fileName))
        throw EInvalidGraphic(QStringLiteral("No writer for files of type \"%1\".")
                                  .arg(QFileInfo(fileName).suffix()));
    TDibSaveOptions save;
    save.Quality = std::clamp(options.JpegQuality, 1, 100);
    SaveDibFile(fileName, image, save);
}

} // namespace kolvar
