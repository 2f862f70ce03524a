#include "document/uOpenFiles.h"
#include "raster/Exceptions.h"
#include "shell/uLanguagesSuport.h"

#include <QFileInfo>

#include <exception>

namespace kolvar {

bool LoadPictureFile(const QString& Path, TDibContainer& Image,
                     const std::function<void(const QString& Text)>& OnReadError,
                     const TPictureProgress& Progress) {
    if (!QFileInfo(Path).isFile() || PictureKindsOfFile(Path).isEmpty()) return false;
    try {
        LoadPicture(Path, Image, Progress);
        return true;
    } catch (const Exception& e) {
        if (OnReadError) OnReadError(ReadErrorText(Path, e.Message()));
        return false;
    } catch (const std::exception&) {
        if (OnReadError) OnReadError(ReadErrorText(Path, QString()));
        return false;
    }
}

QString ReadErrorText(const QString& Path, const QString& Reason) {
    const QString text = LanguageMessage(QStringLiteral("Could not open file %1")).arg(Path);
    return Reason.isEmpty() ? text : text + QLatin1Char('\n') + Reason;
}

bool LoadPictureFile(const QString& Path, QImage& Bitmap,
                     const std::function<void(const QString& Text)>& OnReadError) {
    TDibContainer image;
    if (!LoadPictureFile(Path, image, OnReadError)) return false;
    Bitmap = image.ToImage();
    return true;
}

QString OpenPictureFilter() {
    // The first entry is what the dialog shows at first, so it lists every type the loader
    // reads; the types beyond the classic ones follow the classic entries.
    return QStringLiteral(
        "All files (*.bmp *.jpg *.jpeg *.emf *.wmf *.gif *.pcx *.png);;Bitmaps (*.bmp);;"
        "JPEG Files (*.jpg);;JPEG Files (*.jpeg);;Enhanced Metafiles (*.emf);;"
        "Metafiles (*.wmf);;GIF Files (*.gif);;PCX Files (*.pcx);;PNG Files (*.png)");
}

} // namespace kolvar
