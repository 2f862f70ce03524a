#include "document/uOpenFiles.h"
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
    } catch (const std::exception&) {
        if (OnReadError)
            OnReadError(
                LanguageMessage(QStringLiteral("Could not open file %1")).arg(Path.toUpper()));
        return false;
    }
}

bool LoadPictureFile(const QString& Path, QImage& Bitmap,
                     const std::function<void(const QString& Text)>& OnReadError) {
    TDibContainer image;
    if (!LoadPictureFile(Path, image, OnReadError)) return false;
    Bitmap = image.ToImage();
    return true;
}

QString OpenPictureFilter() {
    return QStringLiteral(
        "All files (*.bmp *.jpg *.jpeg *.emf *.wmf);;Bitmaps (*.bmp);;JPEG Files (*.jpg);;"
        "JPEG Files (*.jpeg);;Enhanced Metafiles (*.emf);;Metafiles (*.wmf);;"
        "GIF Files (*.gif);;PCX Files (*.pcx);;PNG Files (*.png);;"
        "All pictures (*.bmp *.jpg *.jpeg *.emf *.wmf *.gif *.pcx *.png)");
}

} // namespace kolvar
