#pragma once
// The reader calls shared by the fuzz targets and the corpus replay test. Each feeds one
// input to a reader and swallows only that reader's own error; anything else escaping (or a
// crash) is a finding.

#include "formats/BmpCodec.h"
#include "formats/DecodeBudget.h"
#include "formats/DibData.h"
#include "formats/GifUnit.h"
#include "formats/JpegCodec.h"
#include "formats/Pcxctrl.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace kolvar::fuzz {

// Giant pictures are legal but slow; the fuzzers look for faults, not for the size limit.
constexpr int64_t kFuzzPixelLimit = int64_t(1) << 22;

// A budget well inside the fuzzers' memory limit; going past it is the readers' own error.
inline TDecodeLimits FuzzLimits() {
    TDecodeLimits limits;
    limits.PicturePixels = kFuzzPixelLimit;
    limits.PeakBytes = int64_t(256) << 20;
    limits.MetafileBytes = int64_t(128) << 20;
    return limits;
}

class TFuzzScope {
public:
    TFuzzScope() : FBudget(FuzzLimits()), FScope(FBudget) {}

private:
    TDecodeBudget FBudget;
    TDecodeScope FScope;
};

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// The three paths: the picture (first image only), the same straight into a container, and
// the file decoded whole, which must all agree.
inline void ReadGif(const uint8_t* data, size_t size) {
    QImage picture;
    try {
        TFuzzScope scope;
        picture = DecodeGifPicture(Bytes(data, size));
        if (picture.isNull()) __builtin_trap();
    } catch (const EGifException&) {
    }
    try {
        TFuzzScope scope;
        TDibContainer direct;
        DecodeGifPictureInto(Bytes(data, size), direct);
        TDibContainer expected;
        expected.AssignBitmap(picture);
        if (picture.isNull() || !direct.SameImage(expected)) __builtin_trap();
    } catch (const EGifException&) {
        if (!picture.isNull()) __builtin_trap();
    }
    try {
        TFuzzScope scope;
        TGifFile gif;
        gif.LoadFromBytes(Bytes(data, size));
        if (gif.FirstImageAsBitmap() != picture) __builtin_trap();
    } catch (const EGifException&) {
    } catch (const EDecodeBudgetError&) {
    }
}

// The bitmap path and the container path, which must agree where the container path reads.
inline void ReadPcx(const uint8_t* data, size_t size) {
    QBuffer buffer;
    buffer.setData(Bytes(data, size));
    buffer.open(QIODevice::ReadOnly);
    QImage picture;
    try {
        TFuzzScope scope;
        TPCXBitmap bitmap;
        bitmap.LoadFromStream(buffer);
        picture = bitmap.Image();
    } catch (const EInvalidGraphic&) {
    }
    try {
        TFuzzScope scope;
        TDibContainer direct;
        if (!ReadPcxInto(buffer, direct)) return;
        TDibContainer expected;
        expected.AssignBitmap(picture);
        if (picture.isNull() || !direct.SameImage(expected)) __builtin_trap();
    } catch (const EInvalidGraphic&) {
        if (!picture.isNull()) __builtin_trap();
    }
}

// The whole-file reader, the same into a container, and the row reader for the layouts it
// takes, which must all agree.
inline void ReadBmpFile(const uint8_t* data, size_t size) {
    QImage picture;
    try {
        TFuzzScope scope;
        picture = ReadBmp(Bytes(data, size));
    } catch (const EInvalidGraphic&) {
    }
    TDibContainer expected;
    expected.AssignBitmap(picture);
    try {
        TFuzzScope scope;
        TDibContainer into;
        ReadBmpInto(Bytes(data, size), into);
        if (picture.isNull() || !into.SameImage(expected)) __builtin_trap();
    } catch (const EInvalidGraphic&) {
        if (!picture.isNull()) __builtin_trap();
    }
    try {
        TFuzzScope scope;
        QBuffer buffer;
        buffer.setData(Bytes(data, size));
        buffer.open(QIODevice::ReadOnly);
        TDibContainer rows;
        if (ReadBmpRows(buffer, rows) && (picture.isNull() || !rows.SameImage(expected)))
            __builtin_trap();
    } catch (const EInvalidGraphic&) {
    }
}

inline void ReadJpeg(const uint8_t* data, size_t size) {
    try {
        TFuzzScope scope;
        DecodeJpeg(Bytes(data, size));
    } catch (const EJpegError&) {
    } catch (const EDecodeBudgetError&) {
    }
}

} // namespace kolvar::fuzz
