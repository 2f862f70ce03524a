#include "formats/JpegCodec.h"

#include "formats/DibData.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace kolvar {

namespace {

// libjpeg reports errors through error_exit, which must not return. It jumps back to the
// setjmp in the function that called the library; that function keeps no C++ objects alive
// across library calls, and the caller turns the recorded message into an exception.
struct TErrorManager {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}

// Warnings are not printed. A file cut short is an error here: libjpeg would otherwise pad
// the picture with grey and call it a success.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) ErrorExit(cinfo);
    if (level < 0) cinfo->err->num_warnings++;
}

void InstallErrorManager(TErrorManager& err) {
    jpeg_std_error(&err.Pub);
    err.Pub.error_exit = ErrorExit;
    err.Pub.emit_message = EmitMessage;
    err.Message[0] = '\0';
}

// Whole-image buffers (progressive files) may use at most this much memory.
constexpr long kMaxLibraryMemory = 1024L * 1024 * 1024;

struct TDecodeState {
    jpeg_decompress_struct Info;
    TErrorManager Err;
    const QByteArray* Data = nullptr;
    QImage Image;
    bool SizeRefused = false;
};

void StoreCmykRow(const uint8_t* src, uint8_t* dst, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, src += 4, dst += 3) {
        int c = src[0], m = src[1], y = src[2], k = src[3];
        // Adobe writes CMYK inverted; plain CMYK is turned around first.
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        dst[0] = uint8_t(c * k / 255);
        dst[1] = uint8_t(m * k / 255);
        dst[2] = uint8_t(y * k / 255);
    }
}

bool RunDecode(TDecodeState* st) {
    jpeg_decompress_struct* cinfo = &st->Info;
    if (setjmp(st->Err.Jump)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(st->Data->constData()),
                 static_cast<unsigned long>(st->Data->size()));
    jpeg_read_header(cinfo, TRUE);
    if (!PictureSizeAllowed(cinfo->image_width, cinfo->image_height)) {
        st->SizeRefused = true;
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    const bool gray = cinfo->jpeg_color_space == JCS_GRAYSCALE;
    cinfo->out_color_space = cmyk ? JCS_CMYK : gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(cinfo);
    st->Image = QImage(int(cinfo->output_width), int(cinfo->output_height),
                       gray ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (st->Image.isNull()) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    JSAMPARRAY cmykRow = cmyk ? (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                            JPOOL_IMAGE, cinfo->output_width * 4, 1)
                              : nullptr;
    while (cinfo->output_scanline < cinfo->output_height) {
        uint8_t* line = st->Image.scanLine(int(cinfo->output_scanline));
        if (cmyk) {
            jpeg_read_scanlines(cinfo, cmykRow, 1);
            StoreCmykRow(cmykRow[0], line, cinfo->output_width, cinfo->saw_Adobe_marker);
        } else {
            JSAMPROW row = line;
            jpeg_read_scanlines(cinfo, &row, 1);
        }
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return true;
}

struct TEncodeState {
    jpeg_compress_struct Info;
    TErrorManager Err;
    const QImage* Image = nullptr; // Format_RGB888
    TJpegOptions Options;
    unsigned char* Out = nullptr;
    unsigned long OutSize = 0;
};

bool RunEncode(TEncodeState* st) {
    jpeg_compress_struct* cinfo = &st->Info;
    if (setjmp(st->Err.Jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, &st->Out, &st->OutSize);
    cinfo->image_width = JDIMENSION(st->Image->width());
    cinfo->image_height = JDIMENSION(st->Image->height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    if (st->Options.GrayScale) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(cinfo, std::clamp(st->Options.Quality, 1, 100), TRUE);
    if (st->Options.Progressive) jpeg_simple_progression(cinfo);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(st->Image->constScanLine(int(cinfo->next_scanline)));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

} // namespace

QImage DecodeJpeg(const QByteArray& data) {
    auto st = std::make_unique<TDecodeState>();
    st->Info.err = &st->Err.Pub;
    InstallErrorManager(st->Err);
    st->Data = &data;
    if (!RunDecode(st.get())) {
        if (st->SizeRefused) throw EJpegError("JPEG image is too large");
        throw EJpegError(st->Err.Message[0] ? st->Err.Message : "JPEG image could not be decoded");
    }
    return std::move(st->Image);
}

QImage LoadJpegFile(const QString& fileName) {
    QByteArray bytes;
    try {
        bytes = ReadWholeFile(fileName);
    } catch (const EInOutError& e) {
        throw EJpegError(e.Message());
    }
    return DecodeJpeg(bytes);
}

QByteArray EncodeJpeg(const QImage& image, const TJpegOptions& options) {
    if (image.isNull()) throw EJpegError("Cannot encode an empty picture");
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    auto st = std::make_unique<TEncodeState>();
    st->Info.err = &st->Err.Pub;
    InstallErrorManager(st->Err);
    st->Image = &rgb;
    st->Options = options;
    const bool ok = RunEncode(st.get());
    QByteArray out;
    if (ok) out = QByteArray(reinterpret_cast<const char*>(st->Out), qsizetype(st->OutSize));
    std::free(st->Out);
    if (!ok) throw EJpegError(st->Err.Message);
    return out;
}

void SaveJpegFile(const QString& fileName, const QImage& image, const TJpegOptions& options) {
    WriteFileSafely(fileName, EncodeJpeg(image, options));
}

} // namespace kolvar
