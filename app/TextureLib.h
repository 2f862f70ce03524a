#pragma once
// Texture libraries: named pictures read from ".ptl" files. A file is a 32-bit signed
// little-endian count N followed by N records, each a name length L, L name bytes, a picture
// size S and S bytes of a complete BMP file, without padding. Names keep only their file-name
// part.

#include <QImage>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace kolvar {

class ETextureLibError : public std::runtime_error {
public:
    explicit ETextureLibError(const QString& message);
};

class TTextureLib {
public:
    // Replaces the contents by the file's textures. A file that cannot be opened, or whose
    // bytes cannot hold what its counts and sizes claim, or holding a picture that is not a
    // BMP, raises ETextureLibError; the library then keeps the entries read so far. Nothing is
    // allocated for a size before the file is known to hold that many bytes.
    void LoadFromFile(const QString& Path);
    // The same for a file's bytes (FileName only names the file in messages).
    void LoadFromBytes(const QByteArray& Bytes, const QString& FileName = QString());

    int GetCount() const { return int(entries_.size()); }
    void GetNamesList(QStringList& Names) const;
    // Raises ETextureLibError "Texture index not found." for an index out of range.
    void GetTexture(int Index, QImage& Bitmap) const;
    void AddTexture(const QString& Name, const QImage& Bitmap);
    void Clear() { entries_.clear(); }

private:
    struct TEntry {
        QString Name;
        QImage Bitmap;
    };
    std::vector<TEntry> entries_;
};

} // namespace kolvar
