#include "app/TextureLib.h"

#include "formats/BmpCodec.h"

#include <QFile>

#include <cstdint>
#include <cstring>

namespace kolvar {

ETextureLibError::ETextureLibError(const QString& message)
    : std::runtime_error(message.toStdString()) {}

namespace {

// Reads the record fields and refuses any that claim more bytes than remain.
class TPtlReader {
public:
    TPtlReader(const QByteArray& bytes, const QString& fileName) : bytes_(bytes), name_(fileName) {}

    qsizetype Remaining() const { return bytes_.size() - pos_; }

    int32_t Int(const char* what) {
        if (Remaining() < 4) Fail(QStringLiteral("the file ends inside %1").arg(what));
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(bytes_[pos_ + i]);
        pos_ += 4;
        return int32_t(v);
    }

    // A length field: not negative and not past the end of the file.
    int32_t Length(const char* what) {
        const int32_t n = Int(what);
        if (n < 0 || n > Remaining())
            Fail(QStringLiteral("%1 %2 is more than the file holds").arg(what).arg(n));
        return n;
    }

    QByteArray Take(int32_t n) {
        QByteArray part = bytes_.mid(pos_, n);
        pos_ += n;
        return part;
    }

    [[noreturn]] void Fail(const QString& why) const {
        throw ETextureLibError(QStringLiteral("Invalid texture library %1: %2.").arg(name_, why));
    }

private:
    const QByteArray& bytes_;
    QString name_;
    qsizetype pos_ = 0;
};

QString fileNamePart(const QString& name) {
    const int cut =
        std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return name.mid(cut + 1);
}

} // namespace

void TTextureLib::LoadFromFile(const QString& Path) {
    Clear();
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        throw ETextureLibError(QStringLiteral("Cannot open texture library %1.").arg(Path));
    LoadFromBytes(file.readAll(), Path);
}

void TTextureLib::LoadFromBytes(const QByteArray& Bytes, const QString& FileName) {
    Clear();
    TPtlReader in(Bytes, FileName);
    const int32_t count = in.Int("the texture count");
    // Every record takes at least its two length fields.
    if (count < 0 || int64_t(count) * 8 > in.Remaining())
        in.Fail(QStringLiteral("the texture count %1 is more than the file holds").arg(count));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t nameLength = in.Length("the name length");
        const QString name = QString::fromLatin1(in.Take(nameLength));
        const int32_t size = in.Length("the picture size");
        const QByteArray picture = in.Take(size);
        QImage bitmap;
        try {
            if (!picture.startsWith("BM")) throw EInvalidGraphic();
            bitmap = ReadBmp(picture);
        } catch (const Exception&) {
            in.Fail(QStringLiteral("the picture of \"%1\" is not a BMP file").arg(name));
        }
        AddTexture(name, bitmap);
    }
}

void TTextureLib::GetNamesList(QStringList& Names) const {
    Names.clear();
    for (const TEntry& e : entries_) Names << e.Name;
}

void TTextureLib::GetTexture(int Index, QImage& Bitmap) const {
    if (Index < 0 || Index >= GetCount())
        throw ETextureLibError(QStringLiteral("Texture index not found."));
    Bitmap = entries_[size_t(Index)].Bitmap.copy();
}

void TTextureLib::AddTexture(const QString& Name, const QImage& Bitmap) {
    entries_.push_back({fileNamePart(Name), Bitmap.copy()});
}

} // namespace kolvar
