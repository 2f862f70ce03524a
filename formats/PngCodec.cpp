#include "formats/PngCodec.h"

#include "formats/DecodeBudget.h"
#include "formats/DibData.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>

#include <png.h>

#include <memory>

namespace kolvar {

namespace {

// libpng reports errors through a longjmp to the setjmp of the function that called it; those
// functions keep no C++ objects alive across library calls.
void ErrorFn(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void WarningFn(png_structp, png_const_charp) {}

enum class TReadResult { Read, OtherLayout, Failed };

struct TReadState {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    FILE* File = nullptr;
    TDibContainer* Dib = nullptr;
    const TPngProgress* Progress = nullptr;
    bool TooLarge = false;
};

bool Allocate(TDibContainer& dib, png_uint_32 w, png_uint_32 h) noexcept {
    try {
        dib.SetSize(int32_t(w), int32_t(h));
        return !dib.Empty();
    } catch (...) {
        return false;
    }
}

TReadResult RunRead(TReadState* st) {
    if (setjmp(png_jmpbuf(st->Png))) return TReadResult::Failed;
    png_init_io(st->Png, st->File);
    png_read_info(st->Png, st->Info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(st->Png, st->Info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
    if (!PictureSizeAllowed(w, h)) {
        st->TooLarge = true;
        return TReadResult::Failed;
    }
    // The toolkit's reader keeps the colour values of transparent palette entries and of an
    // 8-bit colour picture's transparent colour; grey and 16-bit pictures with a transparent
    // colour come out otherwise, so those few files keep its reader.
    const bool trns = png_get_valid(st->Png, st->Info, PNG_INFO_tRNS);
    if (trns && colorType != PNG_COLOR_TYPE_PALETTE &&
        !(colorType == PNG_COLOR_TYPE_RGB && depth == 8))
        return TReadResult::OtherLayout;
    // Every other layout becomes 8-bit blue, green, red as the toolkit's reader and
    // conversion make it: palettes and low depths expanded, 16 bits scaled with rounding,
    // alpha dropped with the colour values kept.
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(st->Png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(st->Png);
    if (depth == 16) png_set_scale_16(st->Png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) || (trns && colorType == PNG_COLOR_TYPE_PALETTE))
        png_set_strip_alpha(st->Png);
    if (!(colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(st->Png);
    png_set_bgr(st->Png);
    const int passes = png_set_interlace_handling(st->Png);
    png_read_update_info(st->Png, st->Info);
    // The rows must be exactly the container's pixels, whatever the transformations made.
    if (png_get_rowbytes(st->Png, st->Info) != png_size_t(w) * 3) return TReadResult::OtherLayout;
    if (!Allocate(*st->Dib, w, h)) return TReadResult::Failed;
    const int64_t rows = int64_t(h) * passes;
    int64_t done = 0;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < h; ++y, ++done) {
            png_read_row(st->Png, st->Dib->ScanLine(int32_t(y)), nullptr);
            if (*st->Progress && (done % 64 == 0)) (*st->Progress)(int(done * 100 / rows));
        }
    png_read_end(st->Png, nullptr);
    return TReadResult::Read;
}

struct TWriteState {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    QSaveFile* File = nullptr;
    const TDibContainer* Dib = nullptr;
    bool WriteFailed = false;
    int Errno = 0; // the system's error of the failed write
};

void WriteFn(png_structp png, png_bytep data, png_size_t length) {
    auto* st = static_cast<TWriteState*>(png_get_io_ptr(png));
    if (st->File->write(reinterpret_cast<const char*>(data), qint64(length)) != qint64(length)) {
        st->WriteFailed = true;
        st->Errno = errno;
        png_longjmp(png, 1);
    }
}

void FlushFn(png_structp) {}

bool RunWrite(TWriteState* st) {
    if (setjmp(png_jmpbuf(st->Png))) return false;
    png_set_write_fn(st->Png, st, WriteFn, FlushFn);
    png_set_IHDR(st->Png, st->Info, png_uint_32(st->Dib->Width()), png_uint_32(st->Dib->Height()),
                 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(st->Png, st->Info);
    png_set_bgr(st->Png);
    for (int32_t y = 0; y < st->Dib->Height(); ++y)
        png_write_row(st->Png, const_cast<png_bytep>(st->Dib->ScanLine(y)));
    png_write_end(st->Png, st->Info);
    return true;
}

} // namespace

bool ReadPngInto(const QString& fileName, TDibContainer& Image, const TPngProgress& Progress) {
    auto st = std::make_unique<TReadState>();
    st->File = std::fopen(QFile::encodeName(fileName).constData(), "rb");
    if (!st->File) throw EInvalidGraphic();
    st->Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorFn, WarningFn);
    st->Info = st->Png ? png_create_info_struct(st->Png) : nullptr;
    TDibContainer picture;
    st->Dib = &picture;
    st->Progress = &Progress;
    const TReadResult result = st->Info ? RunRead(st.get()) : TReadResult::Failed;
    png_destroy_read_struct(&st->Png, &st->Info, nullptr);
    std::fclose(st->File);
    if (result == TReadResult::OtherLayout) return false;
    if (result == TReadResult::Failed) throw EInvalidGraphic();
    Image = std::move(picture);
    if (Progress) Progress(100);
    return true;
}

void SavePngFile(const QString& fileName, const TDibContainer& Image) {
    if (Image.Empty()) throw EInvalidGraphic();
    QSaveFile file(fileName);
    // Unbuffered, a failed write reports the system's own reason; a failed commit may have lost
    // it on closing, and then errno still holds it.
    const auto failed = [&](QString reason, int error) {
        if ((reason.isEmpty() || reason == QLatin1String("Unknown error")) && error != 0)
            reason = qt_error_string(error);
        throw EWriteError(QStringLiteral("Cannot write file %1: %2").arg(fileName, reason), reason);
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) failed(file.errorString(), errno);
    auto st = std::make_unique<TWriteState>();
    st->File = &file;
    st->Dib = &Image;
    st->Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorFn, WarningFn);
    st->Info = st->Png ? png_create_info_struct(st->Png) : nullptr;
    const bool ok = st->Info && RunWrite(st.get());
    png_destroy_write_struct(&st->Png, &st->Info);
    if (!ok && st->WriteFailed) failed(file.errorString(), st->Errno);
    if (!ok) failed(QStringLiteral("PNG encoder error"), 0);
    if (!file.commit()) failed(file.errorString(), errno);
}

} // namespace kolvar
