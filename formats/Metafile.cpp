#include "formats/Metafile.h"

#include "formats/DecodeBudget.h"
#include "formats/MetafileRecords.h"

namespace kolvar {

QString DecodeAnsiText(const uint8_t* bytes, size_t count) {
    // The Western code page differs from Latin-1 only in 0x80..0x9F.
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(qsizetype(count));
    for (size_t i = 0; i < count; ++i) {
        uint8_t b = bytes[i];
        text.append(QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b)));
    }
    return text;
}

QSize MetafilePictureSize(const QByteArray& bytes, bool enhanced) {
    TMetafileReader data(bytes);
    return enhanced ? EmfPictureSize(ReadEmfHeader(data)) : WmfPictureSize(ReadWmfHeader(data));
}

namespace {

// Everything a play charges stays charged until it ends: the metafile total bounds it anyway,
// and bitmaps decoded for one record are gone before the next.
class TPlayCharges {
public:
    explicit TPlayCharges(TDecodeBudget& budget)
        : FBudget(budget), FStart(budget.MetafileTotal()) {}
    ~TPlayCharges() { FBudget.Release(FBudget.MetafileTotal() - FStart); }
    TPlayCharges(const TPlayCharges&) = delete;
    TPlayCharges& operator=(const TPlayCharges&) = delete;

private:
    TDecodeBudget& FBudget;
    int64_t FStart;
};

} // namespace

QImage LoadMetafile(const QByteArray& bytes, bool enhanced) {
    TDecodeScope scope;
    TPlayCharges charges(scope.Budget());
    TMetafileReader data(bytes);
    TEmfHeader emf;
    TWmfHeader wmf;
    QSize size;
    if (enhanced) {
        emf = ReadEmfHeader(data);
        size = EmfPictureSize(emf);
    } else {
        wmf = ReadWmfHeader(data);
        size = WmfPictureSize(wmf);
    }
    scope.Budget().ChargeMetafile(int64_t(size.width()) * size.height() * 4,
                                  "the canvas of a metafile");
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) throw EMetafileError("Not enough memory for the metafile's picture.");
    image.fill(Qt::white);
    if (enhanced)
        PlayEmf(data, emf, image);
    else
        PlayWmf(data, wmf, image);
    // Raster operations may touch the unused alpha byte; keep every pixel opaque.
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) row[x] |= 0xFF000000u;
    }
    return image;
}

} // namespace kolvar
