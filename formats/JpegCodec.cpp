#include "formats/JpegCodec.h"

#include "formats/DecodeBudget.h"
#include "formats/DibData.h"
#include "raster/DibContainer.h"

#include <QFile>
#include <QSaveFile>

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
    bool Damaged = false;
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}

// The warnings that mean pixels were lost or made up: libjpeg would pad or guess them (grey,
// or garbage up to the next restart marker) and call the picture a success. Other warnings
// (stray bytes between segments, unknown colour transform codes) leave every pixel intact.
bool IsDamage(int code) {
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
        return true;
    default:
        return false;
    }
}

// Warnings are not printed; damage ends the decode.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    if (IsDamage(cinfo->err->msg_code)) {
        reinterpret_cast<TErrorManager*>(cinfo->err)->Damaged = true;
        ErrorExit(cinfo);
    }
    cinfo->err->num_warnings++;
}

void InstallErrorManager(TErrorManager& err) {
    jpeg_std_error(&err.Pub);
    err.Pub.error_exit = ErrorExit;
    err.Pub.emit_message = EmitMessage;
    err.Message[0] = '\0';
}

// Whole-image buffers (progressive files) may use at most this much memory.
constexpr long kMaxLibraryMemory = 1024L * 1024 * 1024;

// A file read through one buffer, so that the compressed bytes are never held whole.
struct TFileSource {
    jpeg_source_mgr Pub;
    QFile* File = nullptr;
    // Bytes of the file not yet in the buffer.
    qint64 Unread = 0;
    JOCTET Buffer[65536];
};

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<TFileSource*>(cinfo->src);
    qint64 n = src->File->read(reinterpret_cast<char*>(src->Buffer), sizeof src->Buffer);
    if (n <= 0) {
        // As libjpeg's own sources do: the missing end is damage, and a made-up end marker
        // stops the decoder.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->Buffer[0] = 0xFF;
        src->Buffer[1] = JPEG_EOI;
        n = 2;
    } else {
        src->Unread -= n;
    }
    src->Pub.next_input_byte = src->Buffer;
    src->Pub.bytes_in_buffer = size_t(n);
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* src = cinfo->src;
    if (count <= 0) return;
    while (count > long(src->bytes_in_buffer)) {
        count -= long(src->bytes_in_buffer);
        FillInput(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= size_t(count);
}

void TermSource(j_decompress_ptr) {}

void UseFileSource(j_decompress_ptr cinfo, TFileSource& src) {
    src.Pub.init_source = InitSource;
    src.Pub.fill_input_buffer = FillInput;
    src.Pub.skip_input_data = SkipInput;
    src.Pub.resync_to_restart = jpeg_resync_to_restart;
    src.Pub.term_source = TermSource;
    src.Pub.bytes_in_buffer = 0;
    src.Pub.next_input_byte = nullptr;
    cinfo->src = &src.Pub;
}

enum class TRefusal { None, Size, TooLittleData, Budget };

struct TDecodeState {
    jpeg_decompress_struct Info;
    TErrorManager Err;
    const QByteArray* Data = nullptr;
    // Instead of Data: the file, read a buffer at a time.
    TFileSource* Source = nullptr;
    TDecodeBudget* Budget = nullptr;
    int64_t Needed = 0;
    int64_t Charged = 0;
    QImage Image;
    // When set, the picture goes straight into this container's rows instead of Image.
    TDibContainer* Dib = nullptr;
    const TJpegProgress* Progress = nullptr;
    TRefusal Refused = TRefusal::None;
};

// Every block of the first scan codes at least one bit (its DC difference, or a sequential
// block's end of block), so a file whose remaining data is shorter than that cannot hold its
// picture. Arithmetic coding has no such floor and is not judged.
bool FirstScanFits(const jpeg_decompress_struct* cinfo, int64_t remaining) {
    if (cinfo->arith_code) return true;
    int64_t blocks = 0;
    for (int i = 0; i < cinfo->comps_in_scan; ++i)
        blocks += int64_t(cinfo->cur_comp_info[i]->width_in_blocks) *
                  cinfo->cur_comp_info[i]->height_in_blocks;
    return blocks <= remaining * 8;
}

// What the decode holds: the picture, and for multi-scan files the coefficients of the whole
// image, which libjpeg keeps until the last scan.
int64_t DecodeBytes(const jpeg_decompress_struct* cinfo, int bytesPerPixel) {
    int64_t bytes = DibStride(cinfo->image_width, 8 * bytesPerPixel) * cinfo->image_height;
    if (!jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(cinfo))) return bytes;
    for (int i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info& c = cinfo->comp_info[i];
        const int64_t w = (c.width_in_blocks + c.h_samp_factor - 1) / c.h_samp_factor;
        const int64_t h = (c.height_in_blocks + c.v_samp_factor - 1) / c.v_samp_factor;
        bytes += w * c.h_samp_factor * h * c.v_samp_factor * DCTSIZE2 * int64_t(sizeof(JCOEF));
    }
    return bytes;
}

// bgr: the container's byte order instead of the toolkit bitmap's red, green, blue.
void StoreCmykRow(const uint8_t* src, uint8_t* dst, JDIMENSION width, bool inverted, bool bgr) {
    const int r = bgr ? 2 : 0, b = bgr ? 0 : 2;
    for (JDIMENSION x = 0; x < width; ++x, src += 4, dst += 3) {
        int c = src[0], m = src[1], y = src[2], k = src[3];
        // Adobe writes CMYK inverted; plain CMYK is turned around first.
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        dst[r] = uint8_t(c * k / 255);
        dst[1] = uint8_t(m * k / 255);
        dst[b] = uint8_t(y * k / 255);
    }
}

void StoreGrayRow(const uint8_t* src, uint8_t* dst, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, dst += 3) dst[0] = dst[1] = dst[2] = src[x];
}

// The container cannot raise out of the library's setjmp frame; a refusal is a failed decode.
bool AllocateDib(TDibContainer& dib, JDIMENSION width, JDIMENSION height) noexcept {
    try {
        dib.SetSize(int32_t(width), int32_t(height));
        return !dib.Empty();
    } catch (...) {
        return false;
    }
}

void ReportRows(const TDecodeState* st, JDIMENSION done, JDIMENSION total) {
    // Every 64 rows is often enough for a progress bar and costs nothing against the decode.
    if (st->Progress && *st->Progress && (done % 64 == 0 || done == total))
        (*st->Progress)(int(int64_t(done) * 100 / total));
}

bool RunDecode(TDecodeState* st) {
    jpeg_decompress_struct* cinfo = &st->Info;
    if (setjmp(st->Err.Jump)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxLibraryMemory;
    if (st->Source)
        UseFileSource(cinfo, *st->Source);
    else
        jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(st->Data->constData()),
                     static_cast<unsigned long>(st->Data->size()));
    jpeg_read_header(cinfo, TRUE);
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    const bool gray = cinfo->jpeg_color_space == JCS_GRAYSCALE;
    st->Refused = !PictureSizeAllowed(cinfo->image_width, cinfo->image_height) ? TRefusal::Size
                  : !FirstScanFits(cinfo, int64_t(cinfo->src->bytes_in_buffer) +
                                              (st->Source ? st->Source->Unread : 0))
                      ? TRefusal::TooLittleData
                      : TRefusal::None;
    if (st->Refused == TRefusal::None) {
        st->Needed = DecodeBytes(cinfo, gray && !st->Dib ? 1 : 3);
        if (st->Budget->TryCharge(st->Needed))
            st->Charged = st->Needed;
        else
            st->Refused = TRefusal::Budget;
    }
    if (st->Refused != TRefusal::None) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    TDibContainer* dib = st->Dib;
    cinfo->out_color_space = cmyk ? JCS_CMYK : gray ? JCS_GRAYSCALE : dib ? JCS_EXT_BGR : JCS_RGB;
    jpeg_start_decompress(cinfo);
    if (dib) {
        if (!AllocateDib(*dib, cinfo->output_width, cinfo->output_height)) {
            jpeg_destroy_decompress(cinfo);
            return false;
        }
    } else {
        st->Image = QImage(int(cinfo->output_width), int(cinfo->output_height),
                           gray ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
        if (st->Image.isNull()) {
            jpeg_destroy_decompress(cinfo);
            return false;
        }
    }
    // CMYK always, and grey when the rows are widened to three bytes, go through one row.
    const bool staged = cmyk || (gray && dib);
    JSAMPARRAY stage =
        staged ? (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                             cinfo->output_width * (cmyk ? 4 : 1), 1)
               : nullptr;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = int(cinfo->output_scanline);
        uint8_t* line = dib ? dib->ScanLine(y) : st->Image.scanLine(y);
        if (staged) {
            jpeg_read_scanlines(cinfo, stage, 1);
            if (cmyk)
                StoreCmykRow(stage[0], line, cinfo->output_width, cinfo->saw_Adobe_marker,
                             dib != nullptr);
            else
                StoreGrayRow(stage[0], line, cinfo->output_width);
        } else {
            JSAMPROW row = line;
            jpeg_read_scanlines(cinfo, &row, 1);
        }
        ReportRows(st, cinfo->output_scanline, cinfo->output_height);
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return true;
}

// A file written through one buffer, so that the compressed bytes are never held whole.
struct TFileDestination {
    jpeg_destination_mgr Pub;
    QSaveFile* File = nullptr;
    bool WriteFailed = false;
    JOCTET Buffer[65536];
};

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TFileDestination*>(cinfo->dest);
    dest->Pub.next_output_byte = dest->Buffer;
    dest->Pub.free_in_buffer = sizeof dest->Buffer;
}

void WriteOut(j_compress_ptr cinfo, size_t bytes) {
    auto* dest = reinterpret_cast<TFileDestination*>(cinfo->dest);
    if (bytes > 0 && dest->File->write(reinterpret_cast<const char*>(dest->Buffer),
                                       qint64(bytes)) != qint64(bytes)) {
        dest->WriteFailed = true;
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
}

boolean EmptyOutput(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TFileDestination*>(cinfo->dest);
    WriteOut(cinfo, sizeof dest->Buffer);
    InitDestination(cinfo);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TFileDestination*>(cinfo->dest);
    WriteOut(cinfo, sizeof dest->Buffer - dest->Pub.free_in_buffer);
}

struct TEncodeState {
    jpeg_compress_struct Info;
    TErrorManager Err;
    const QImage* Image = nullptr; // Format_RGB888
    // When set, the rows come straight from this container instead of Image.
    const TDibContainer* Dib = nullptr;
    TJpegOptions Options;
    unsigned char* Out = nullptr;
    unsigned long OutSize = 0;
    // Instead of Out: the file the bytes go to.
    TFileDestination* Destination = nullptr;
};

bool RunEncode(TEncodeState* st) {
    jpeg_compress_struct* cinfo = &st->Info;
    if (setjmp(st->Err.Jump)) {
        jpeg_destroy_compress(cinfo);
        return false;
    }
    jpeg_create_compress(cinfo);
    if (st->Destination) {
        TFileDestination& dest = *st->Destination;
        dest.Pub.init_destination = InitDestination;
        dest.Pub.empty_output_buffer = EmptyOutput;
        dest.Pub.term_destination = TermDestination;
        cinfo->dest = &dest.Pub;
    } else {
        jpeg_mem_dest(cinfo, &st->Out, &st->OutSize);
    }
    const TDibContainer* dib = st->Dib;
    cinfo->image_width = JDIMENSION(dib ? dib->Width() : st->Image->width());
    cinfo->image_height = JDIMENSION(dib ? dib->Height() : st->Image->height());
    cinfo->input_components = 3;
    cinfo->in_color_space = dib ? JCS_EXT_BGR : JCS_RGB;
    jpeg_set_defaults(cinfo);
    if (st->Options.GrayScale) jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(cinfo, std::clamp(st->Options.Quality, 1, 100), TRUE);
    if (st->Options.Progressive) jpeg_simple_progression(cinfo);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        const int y = int(cinfo->next_scanline);
        JSAMPROW row = const_cast<JSAMPROW>(dib ? dib->ScanLine(y) : st->Image->constScanLine(y));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    jpeg_destroy_compress(cinfo);
    return true;
}

} // namespace

namespace {

// Runs the decode and raises its error; on success the picture is in st.
// Runs the decode of st's data or file source (size bytes) and raises its error.
void Decode(TDecodeState& state, qint64 size) {
    TDecodeScope scope;
    TDecodeState* st = &state;
    st->Info.err = &st->Err.Pub;
    InstallErrorManager(st->Err);
    st->Budget = &scope.Budget();
    const bool ok = RunDecode(st);
    st->Budget->Release(st->Charged);
    if (ok) return;
    switch (st->Refused) {
    case TRefusal::Size:
        throw EJpegError("JPEG image is too large");
    case TRefusal::TooLittleData:
        throw EJpegError(
            QStringLiteral("JPEG file is damaged: %1 bytes cannot hold a picture of %2 x %3 pixels")
                .arg(size)
                .arg(st->Info.image_width)
                .arg(st->Info.image_height));
    case TRefusal::Budget:
        scope.Budget().Charge(st->Needed, "a JPEG picture and its coefficients"); // raises
        break;
    case TRefusal::None:
        break;
    }
    if (st->Err.Damaged)
        throw EJpegError(QStringLiteral("JPEG file is damaged: %1").arg(st->Err.Message));
    throw EJpegError(st->Err.Message[0] ? st->Err.Message : "JPEG image could not be decoded");
}

QByteArray ReadJpegBytes(const QString& fileName) {
    try {
        return ReadWholeFile(fileName);
    } catch (const EInOutError& e) {
        throw EJpegError(e.Message());
    }
}

} // namespace

QImage DecodeJpeg(const QByteArray& data) {
    auto st = std::make_unique<TDecodeState>();
    st->Data = &data;
    Decode(*st, data.size());
    return std::move(st->Image);
}

void DecodeJpegInto(const QByteArray& data, TDibContainer& Image, const TJpegProgress& Progress) {
    auto st = std::make_unique<TDecodeState>();
    TDibContainer picture;
    st->Dib = &picture;
    st->Progress = &Progress;
    st->Data = &data;
    Decode(*st, data.size());
    Image = std::move(picture);
}

void LoadJpegFileInto(const QString& fileName, TDibContainer& Image,
                      const TJpegProgress& Progress) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EJpegError(
            QStringLiteral("Cannot open file %1: %2").arg(fileName, file.errorString()));
    auto source = std::make_unique<TFileSource>();
    source->File = &file;
    source->Unread = file.size();
    auto st = std::make_unique<TDecodeState>();
    TDibContainer picture;
    st->Dib = &picture;
    st->Progress = &Progress;
    st->Source = source.get();
    Decode(*st, file.size());
    Image = std::move(picture);
}

QImage LoadJpegFile(const QString& fileName) {
    return DecodeJpeg(ReadJpegBytes(fileName));
}

namespace {

QByteArray Encode(TEncodeState& state) {
    TEncodeState* st = &state;
    st->Info.err = &st->Err.Pub;
    InstallErrorManager(st->Err);
    const bool ok = RunEncode(st);
    QByteArray out;
    if (ok) out = QByteArray(reinterpret_cast<const char*>(st->Out), qsizetype(st->OutSize));
    std::free(st->Out);
    if (!ok) throw EJpegError(st->Err.Message);
    return out;
}

} // namespace

QByteArray EncodeJpeg(const QImage& image, const TJpegOptions& options) {
    if (image.isNull()) throw EJpegError("Cannot encode an empty picture");
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    auto st = std::make_unique<TEncodeState>();
    st->Image = &rgb;
    st->Options = options;
    return Encode(*st);
}

QByteArray EncodeJpeg(const TDibContainer& Image, const TJpegOptions& options) {
    if (Image.Empty()) throw EJpegError("Cannot encode an empty picture");
    auto st = std::make_unique<TEncodeState>();
    st->Dib = &Image;
    st->Options = options;
    return Encode(*st);
}

void SaveJpegFile(const QString& fileName, const TDibContainer& Image,
                  const TJpegOptions& options) {
    if (Image.Empty()) throw EJpegError("Cannot encode an empty picture");
    QSaveFile file(fileName);
    const auto writeFailed = [&] {
        throw EWriteError(
            QStringLiteral("Cannot write file %1: %2").arg(fileName, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly)) writeFailed();
    auto dest = std::make_unique<TFileDestination>();
    dest->File = &file;
    auto st = std::make_unique<TEncodeState>();
    st->Dib = &Image;
    st->Options = options;
    st->Destination = dest.get();
    st->Info.err = &st->Err.Pub;
    InstallErrorManager(st->Err);
    if (!RunEncode(st.get())) {
        if (dest->WriteFailed) writeFailed();
        throw EJpegError(st->Err.Message);
    }
    if (!file.commit()) writeFailed();
}

void SaveJpegFile(const QString& fileName, const QImage& image, const TJpegOptions& options) {
    WriteFileSafely(fileName, EncodeJpeg(image, options));
}

} // namespace kolvar
