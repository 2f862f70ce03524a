#include "formats/GifUnit.h"

#include "formats/DibData.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>

#include <cstring>

namespace kolvar {

namespace {

const TGifColor kColors16[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

bool IsTableSize(int32_t n) {
    return n >= 2 && n <= 256 && (n & (n - 1)) == 0;
}

// The wait cursor while a file is read, when there is a GUI to show it.
class TWaitCursor {
public:
    TWaitCursor()
        : FActive(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (FActive) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~TWaitCursor() {
        if (FActive) QGuiApplication::restoreOverrideCursor();
    }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    bool FActive;
};

// Lets pending repaints through during a long decode. User input stays queued so that nothing
// can close or reopen the document while its picture is half read.
class TEventPump {
public:
    TEventPump() {
        auto* app = QCoreApplication::instance();
        FActive = app && QThread::currentThread() == app->thread();
        if (FActive) FTimer.start();
    }
    void RowDone() {
        if (FActive && FTimer.elapsed() >= 100) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            FTimer.restart();
        }
    }

private:
    bool FActive = false;
    QElapsedTimer FTimer;
};

} // namespace

// Reads the file's blocks from memory; running out of bytes is the reader's error.
class TGifReader {
public:
    explicit TGifReader(const QByteArray& bytes) : FBytes(bytes) {}
    bool AtEnd() const { return FPos >= FBytes.size(); }
    uint8_t Byte() {
        Need(1);
        return static_cast<uint8_t>(FBytes[FPos++]);
    }
    uint16_t Word() {
        const uint16_t lo = Byte();
        return static_cast<uint16_t>(lo | (Byte() << 8));
    }
    QByteArray Bytes(qsizetype n) {
        Need(n);
        QByteArray out = FBytes.mid(FPos, n);
        FPos += n;
        return out;
    }
    qsizetype Remaining() const { return FBytes.size() - FPos; }

private:
    void Need(qsizetype n) const {
        if (FBytes.size() - FPos < n) throw EGifException("Unexpected end of file");
    }

    const QByteArray& FBytes;
    qsizetype FPos = 0;
};

namespace {

void ReadColorTable(TGifReader& reader, TGifColorTable& table) {
    for (int i = 0; i < table.Size(); ++i) {
        table[i].Red = reader.Byte();
        table[i].Green = reader.Byte();
        table[i].Blue = reader.Byte();
    }
}

std::vector<QByteArray> ReadSubBlocks(TGifReader& reader) {
    std::vector<QByteArray> blocks;
    for (uint8_t n = reader.Byte(); n != 0; n = reader.Byte()) blocks.push_back(reader.Bytes(n));
    return blocks;
}

} // namespace

TGifColorTable::TGifColorTable(int32_t size) : FSize(size) {
    if (size == 2) {
        FColors[1] = {255, 255, 255};
    } else if (size == 16) {
        std::copy(std::begin(kColors16), std::end(kColors16), FColors.begin());
    } else if (size == 256) {
        for (int i = 0; i < 256; ++i) FColors[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    }
}

TGifSubImage::TGifSubImage(TGifFile& owner, int32_t colorCount)
    : FOwner(owner), FLocalColorTable(colorCount) {
    if (!IsTableSize(colorCount))
        throw EGifException(
            QStringLiteral("Number of colors (%1) wrong; must be a power of 2").arg(colorCount));
}

void TGifSubImage::Read(TGifReader& reader, bool keepData) {
    FDescriptor.Left = reader.Word();
    FDescriptor.Top = reader.Word();
    FDescriptor.Width = reader.Word();
    FDescriptor.Height = reader.Word();
    FDescriptor.Flags = reader.Byte();
    if (HasLocalColorTable()) {
        FLocalColorTable = TGifColorTable(1 << ((FDescriptor.Flags & 7) + 1));
        ReadColorTable(reader, FLocalColorTable);
    }
    FCodeSize = reader.Byte();
    for (uint8_t n = reader.Byte(); n != 0; n = reader.Byte()) {
        QByteArray block = reader.Bytes(n);
        if (keepData) FData.AddChunk(block);
    }
    CheckGeometry();
}

void TGifSubImage::CheckGeometry() const {
    const auto& screen = FOwner.ScreenDescriptor();
    const TGifImageDescriptor& d = FDescriptor;
    if (!PictureSizeAllowed(d.Width, d.Height)) throw EGifException("Image size is not valid");
    if (int64_t(d.Left) + d.Width > screen.Width || int64_t(d.Top) + d.Height > screen.Height)
        throw EGifException("Image lies outside the logical screen");
}

const TGifColorTable& TGifSubImage::ActiveColorTable() const {
    return HasLocalColorTable() ? FLocalColorTable : FOwner.GlobalColorTable();
}

// Where decoded rows go: the sub-image's own pixel array, or the picture handed out.
class TGifRowTarget {
public:
    virtual ~TGifRowTarget() = default;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    // row is 0-based.
    virtual void StoreRow(int32_t row, const TBigByteArray& pixels) = 0;
};

namespace {

constexpr int kMaxCodes = 4096;

class TArrayTarget : public TGifRowTarget {
public:
    explicit TArrayTarget(TByteArray2D& pixels) : FPixels(pixels) {}
    int32_t Width() const override { return FPixels.Cols(); }
    int32_t Height() const override { return FPixels.Rows(); }
    void StoreRow(int32_t row, const TBigByteArray& pixels) override {
        FPixels.SetRow(row + 1, pixels);
    }

private:
    TByteArray2D& FPixels;
};

class TImageTarget : public TGifRowTarget {
public:
    explicit TImageTarget(QImage& image) : FImage(image) {}
    int32_t Width() const override { return FImage.width(); }
    int32_t Height() const override { return FImage.height(); }
    void StoreRow(int32_t row, const TBigByteArray& pixels) override {
        std::memcpy(FImage.scanLine(row), pixels.Data(), size_t(pixels.Size()));
    }

private:
    QImage& FImage;
};

// Stores each row as the colours of its indices.
class TContainerTarget : public TGifRowTarget {
public:
    TContainerTarget(TDibContainer& dib, const TGifColorTable& table,
                     const std::function<void(int)>& progress)
        : FDib(dib), FTable(table), FProgress(progress) {}
    int32_t Width() const override { return FDib.Width(); }
    int32_t Height() const override { return FDib.Height(); }
    void StoreRow(int32_t row, const TBigByteArray& pixels) override {
        uint8_t* d = FDib.ScanLine(row);
        const uint8_t* index = pixels.Data();
        for (int32_t x = 0, n = pixels.Size(); x < n; ++x, d += 3) {
            const TGifColor& c = FTable[index[x]];
            d[0] = c.Blue;
            d[1] = c.Green;
            d[2] = c.Red;
        }
        if (FProgress && ++FStored % 64 == 0) FProgress(int(int64_t(FStored) * 100 / Height()));
    }

private:
    TDibContainer& FDib;
    const TGifColorTable& FTable;
    const std::function<void(int)>& FProgress;
    int32_t FStored = 0;
};

// Collects decoded pixels into rows and stores each finished row where the (interlaced)
// row order puts it. Full() turns true once a row beyond the image would be stored.
class TRowSink {
public:
    TRowSink(TGifRowTarget& target, bool interlaced)
        : FTarget(target), FRow(target.Width()), FInterlaced(interlaced) {}

    bool Full() const { return FFull; }
    // Appends n pixels taken from src; returns false once the image is complete.
    bool Put(const uint8_t* src, int n) {
        while (n > 0 && !FFull) {
            const int take = std::min(n, FRow.Size() - FCol);
            std::memcpy(FRow.Data() + FCol, src, size_t(take));
            FCol += take;
            src += take;
            n -= take;
            if (FCol == FRow.Size()) StoreRow();
        }
        return !FFull;
    }
    // Room for n pixels inside the current row, or null when they would cross its end.
    uint8_t* Reserve(int n) { return FCol + n <= FRow.Size() ? FRow.Data() + FCol : nullptr; }
    void Commit(int n) {
        FCol += n;
        if (FCol == FRow.Size()) StoreRow();
    }

private:
    void StoreRow() {
        FCol = 0;
        if (FY >= FTarget.Height()) {
            FFull = true;
            return;
        }
        FTarget.StoreRow(FY, FRow);
        FY = FInterlaced ? NextInterlacedRow(FY, FTarget.Height(), FPass) : FY + 1;
        if (FY >= FTarget.Height()) FFull = true;
        FPump.RowDone();
    }

    TGifRowTarget& FTarget;
    TBigByteArray FRow;
    bool FInterlaced;
    int32_t FCol = 0;
    int32_t FY = 0;
    int32_t FPass = 1;
    bool FFull = false;
    TEventPump FPump;
};

// Variable-width codes, least significant bit first.
class TCodeReader {
public:
    explicit TCodeReader(const TByteBuffer& data) : FData(data) { FData.Rewind(); }
    int Read(int width) {
        while (FBits < width) {
            uint8_t b;
            try {
                b = FData.ReadByte();
            } catch (const EListError&) {
                throw EGifException("Unexpected end of image data");
            }
            FAcc |= uint32_t(b) << FBits;
            FBits += 8;
        }
        const int code = int(FAcc & ((1u << width) - 1));
        FAcc >>= width;
        FBits -= width;
        return code;
    }

private:
    TByteBuffer FData;
    uint32_t FAcc = 0;
    int FBits = 0;
};

class TLzwDecoder {
public:
    TLzwDecoder(int codeSize, TCodeReader& codes, TRowSink& sink)
        : FRootCount(1 << codeSize), FClear(FRootCount), FEnd(FRootCount + 1),
          FInitialWidth(codeSize + 1), FCodes(codes), FSink(sink) {
        Reset();
    }

    void Run() {
        while (!FSink.Full()) {
            int code = FCodes.Read(FWidth);
            if (code == FClear) {
                code = AfterClear();
            } else if (code == FEnd) {
                return;
            } else if (code < FNext) {
                Emit(code);
                if (FPrev >= 0 && !FTableFull) Add(FPrev, FirstOf(code));
            } else if (code == FNext && FPrev >= 0 && !FTableFull) {
                Add(FPrev, FirstOf(FPrev));
                Emit(code);
            } else {
                throw EGifException("Bad code");
            }
            FPrev = code;
        }
    }

private:
    void Reset() {
        FWidth = FInitialWidth;
        FLimit = 1 << FInitialWidth;
        FNext = FRootCount + 2;
        FTableFull = false;
    }

    int AfterClear() {
        Reset();
        int code;
        do code = FCodes.Read(FWidth);
        while (code == FClear);
        if (code == FEnd) throw EGifException("Bad code");
        if (code >= FNext) code = 0;
        Emit(code);
        return code;
    }

    uint8_t FirstOf(int code) const { return code < FRootCount ? uint8_t(code) : FFirst[code]; }

    void Add(int prefix, uint8_t suffix) {
        FPrefix[FNext] = uint16_t(prefix);
        FSuffix[FNext] = suffix;
        FFirst[FNext] = FirstOf(prefix);
        FLength[FNext] = uint16_t((prefix < FRootCount ? 1 : FLength[prefix]) + 1);
        ++FNext;
        if (FNext < FLimit) return;
        // A full table at 12 bits stays as it is until the encoder sends a clear code; codes
        // keep their width meanwhile (the deferred clear some encoders use).
        if (FWidth == 12) {
            FTableFull = true;
        } else {
            FLimit <<= 1;
            ++FWidth;
        }
    }

    void Emit(int code) {
        const int n = code < FRootCount ? 1 : FLength[code];
        if (uint8_t* dst = FSink.Reserve(n)) {
            // The common case: the string fits in the row, so it is written there directly,
            // last pixel first.
            for (uint8_t* p = dst + n - 1; code >= FRootCount; code = FPrefix[code])
                *p-- = FSuffix[code];
            *dst = uint8_t(code);
            FSink.Commit(n);
            return;
        }
        int sp = kMaxCodes;
        while (code >= FRootCount) {
            FStack[--sp] = FSuffix[code];
            code = FPrefix[code];
        }
        FStack[--sp] = uint8_t(code);
        FSink.Put(FStack + sp, kMaxCodes - sp);
    }

    const int FRootCount;
    const int FClear;
    const int FEnd;
    const int FInitialWidth;
    TCodeReader& FCodes;
    TRowSink& FSink;
    int FWidth = 0;
    int FLimit = 0;
    int FNext = 0;
    int FPrev = -1;
    bool FTableFull = false;
    uint16_t FPrefix[kMaxCodes] = {};
    uint8_t FSuffix[kMaxCodes] = {};
    uint8_t FFirst[kMaxCodes] = {};
    uint16_t FLength[kMaxCodes] = {};
    uint8_t FStack[kMaxCodes] = {};
};

} // namespace

void TGifSubImage::CheckDataCanFill() const {
    const int m = FCodeSize;
    if (m < 2 || m > 9) throw EGifException("Bad code Size");
    // No code yields more than 4096 pixels, so data that cannot fill the image even at that
    // rate belongs to a size that lies; refusing it keeps tiny files from huge allocations.
    const int64_t pixels = int64_t(FDescriptor.Width) * FDescriptor.Height;
    const int64_t maxCodes = int64_t(FData.Total()) * 8 / (m + 1) + 1;
    if (pixels > maxCodes * kMaxCodes) throw EGifException("Image size is not valid");
}

void TGifSubImage::DecodeInto(TGifRowTarget& target) const {
    TRowSink sink(target, Interlaced());
    TCodeReader codes(FData);
    auto lzw = std::make_unique<TLzwDecoder>(FCodeSize, codes, sink);
    lzw->Run();
}

void TGifSubImage::Decode() {
    CheckDataCanFill();
    FOwner.FCharges.emplace_back(int64_t(FDescriptor.Width) * FDescriptor.Height,
                                 "the pixels of a GIF image");
    FPixels = std::make_unique<TByteArray2D>(FDescriptor.Width, FDescriptor.Height);
    TArrayTarget target(*FPixels);
    DecodeInto(target);
}

TGifFile::TGifFile() = default;
TGifFile::~TGifFile() = default;

void TGifFile::Clear() {
    FSignature.clear();
    FScreen = {};
    FGlobalColorTable = TGifColorTable(2);
    FImages.clear();
}

namespace {

QByteArray ReadGifBytes(const QString& fileName) {
    try {
        return ReadWholeFile(fileName);
    } catch (const EInOutError& e) {
        throw EGifException(e.Message());
    }
}

} // namespace

void TGifFile::LoadGifFile(const QString& fileName) {
    TWaitCursor wait;
    LoadFromBytes(ReadGifBytes(fileName));
}

void TGifFile::ReadHeader(TGifReader& reader) {
    FSignature = reader.Bytes(6);
    const QByteArray version = FSignature.mid(3);
    if (version != "87a" && version != "89a" && version != "87A" && version != "89A")
        throw EGifException("Gif Version must be 87a or 89a");
    FScreen.Width = reader.Word();
    FScreen.Height = reader.Word();
    FScreen.Flags = reader.Byte();
    FScreen.Background = reader.Byte();
    FScreen.Aspect = reader.Byte();
    if (FScreen.Width == 0 || FScreen.Height == 0)
        throw EGifException("Logical screen size is not valid");
    if (HasGlobalColorTable()) {
        FGlobalColorTable = TGifColorTable(1 << ((FScreen.Flags & 7) + 1));
        ReadColorTable(reader, FGlobalColorTable);
    }
}

TExtension TGifFile::ReadExtension(TGifReader& reader) {
    TExtension ext;
    const uint8_t label = reader.Byte();
    switch (label) {
    case 0xF9:
        ext.Kind = etGraphicControl;
        ext.Fixed = reader.Bytes(6);
        break;
    case 0x01:
        ext.Kind = etPlainText;
        ext.Fixed = reader.Bytes(13);
        ext.SubBlocks = ReadSubBlocks(reader);
        break;
    case 0xFE:
        ext.Kind = etComment;
        ext.SubBlocks = ReadSubBlocks(reader);
        break;
    case 0xFF:
        ext.Kind = etApplication;
        ext.Fixed = reader.Bytes(12);
        ext.SubBlocks = ReadSubBlocks(reader);
        break;
    default:
        throw EGifException(QStringLiteral("Unrecognized extension block.\r\nCode = $%1")
                                .arg(QString::number(label, 16).toUpper(), 2, QLatin1Char('0')));
    }
    return ext;
}

void TGifFile::ReadImage(TGifReader& reader, std::vector<TExtension>& pending, bool decode) {
    auto image = std::make_unique<TGifSubImage>(*this, FGlobalColorTable.Size());
    image->FExtensions = std::move(pending);
    pending.clear();
    const bool keepData = decode || FImages.empty();
    image->Read(reader, keepData);
    if (keepData) FCharges.emplace_back(image->FData.Total(), "the image data of a GIF file");
    if (decode) image->Decode();
    FImages.push_back(std::move(image));
}

void TGifFile::Parse(const QByteArray& bytes, bool decodeAll) {
    Clear();
    TGifReader reader(bytes);
    ReadHeader(reader);
    std::vector<TExtension> pending;
    // A file that ends where only its trailer is missing still holds complete images.
    auto nextByte = [&]() -> int {
        if (reader.AtEnd() && !FImages.empty()) return 0x3B;
        return reader.Byte();
    };
    for (int b = nextByte(); b != 0x3B; b = nextByte()) {
        if (b == 0x21) {
            pending.push_back(ReadExtension(reader));
        } else if (b == 0x2C) {
            ReadImage(reader, pending, decodeAll);
        }
    }
}

namespace {

// Ends the decode's hold on the budget however LoadFromBytes leaves.
class TReleaseCharges {
public:
    explicit TReleaseCharges(std::vector<TBudgetCharge>& charges) : FCharges(charges) {}
    ~TReleaseCharges() { FCharges.clear(); }
    TReleaseCharges(const TReleaseCharges&) = delete;
    TReleaseCharges& operator=(const TReleaseCharges&) = delete;

private:
    std::vector<TBudgetCharge>& FCharges;
};

QVector<QRgb> PaletteOf(const TGifColorTable& table) {
    QVector<QRgb> colors(256);
    for (int i = 0; i < 256; ++i) colors[i] = qRgb(table[i].Red, table[i].Green, table[i].Blue);
    return colors;
}

QImage NewPicture(int32_t width, int32_t height, const TGifColorTable& table) {
    QImage image(width, height, QImage::Format_Indexed8);
    if (image.isNull()) throw EGifException("Not enough memory for the picture");
    image.setColorTable(PaletteOf(table));
    return image;
}

} // namespace

void TGifFile::LoadFromBytes(const QByteArray& bytes, TGifDecode what) {
    TDecodeScope scope;
    TReleaseCharges release(FCharges);
    Parse(bytes, what == TGifDecode::AllImages);
    if (what == TGifDecode::FirstImageOnly && !FImages.empty()) FImages.front()->Decode();
}

QImage DecodeGifPicture(const QByteArray& bytes) {
    TDecodeScope scope;
    TGifFile gif;
    TReleaseCharges release(gif.FCharges);
    gif.Parse(bytes, false);
    if (gif.FImages.empty()) throw EGifException("GIF file holds no image");
    const TGifSubImage& first = *gif.FImages.front();
    const TGifImageDescriptor& d = first.Descriptor();
    first.CheckDataCanFill();
    TBudgetCharge picture(int64_t(DibStride(d.Width, 8)) * d.Height, "a GIF picture");
    QImage image = NewPicture(d.Width, d.Height, first.ActiveColorTable());
    image.fill(0); // rows the data never reaches
    TImageTarget target(image);
    first.DecodeInto(target);
    return image;
}

void DecodeGifPictureInto(QByteArray bytes, TDibContainer& Image,
                          const std::function<void(int)>& Progress) {
    TDecodeScope scope;
    TGifFile gif;
    TReleaseCharges release(gif.FCharges);
    gif.Parse(bytes, false);
    // The first image keeps its own copy of its data: the file's bytes can go before the
    // picture comes.
    bytes = QByteArray();
    if (gif.FImages.empty()) throw EGifException("GIF file holds no image");
    const TGifSubImage& first = *gif.FImages.front();
    const TGifImageDescriptor& d = first.Descriptor();
    first.CheckDataCanFill();
    // Charged as the 8-bit picture it replaces, so that the same files are refused.
    TBudgetCharge picture(int64_t(DibStride(d.Width, 8)) * d.Height, "a GIF picture");
    TDibContainer dib;
    try {
        dib.SetSize(d.Width, d.Height);
    } catch (const EDibSizeError&) {
        throw EGifException("Not enough memory for the picture");
    }
    const TGifColorTable& table = first.ActiveColorTable();
    dib.Clear(
        TDibColor{table[0].Blue, table[0].Green, table[0].Red}); // rows the data never reaches
    TContainerTarget target(dib, table, Progress);
    first.DecodeInto(target);
    Image = std::move(dib);
    if (Progress) Progress(100);
}

void LoadGifFileInto(const QString& fileName, TDibContainer& Image,
                     const std::function<void(int)>& Progress) {
    DecodeGifPictureInto(ReadGifBytes(fileName), Image, Progress);
}

QByteArray TGifFile::FirstImageAsBmpStream() const {
    if (FImages.empty() || !FImages.front()->Pixels())
        throw EGifException("GIF file holds no image");
    const TGifSubImage& image = *FImages.front();
    const TByteArray2D& pixels = *image.Pixels();
    const int32_t w = pixels.Cols();
    const int32_t h = pixels.Rows();
    const int32_t stride = (w + 3) & ~3;
    QByteArray out(qsizetype(1078) + qsizetype(stride) * h, '\0');
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    auto put16 = [&](int at, uint16_t v) { p[at] = uint8_t(v), p[at + 1] = uint8_t(v >> 8); };
    auto put32 = [&](int at, uint32_t v) {
        put16(at, uint16_t(v)), put16(at + 2, uint16_t(v >> 16));
    };
    p[0] = 'B';
    p[1] = 'M';
    put32(2, uint32_t(w) * uint32_t(h) + 819);
    put32(10, 1078);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put16(26, 1);
    put16(28, 8);
    put32(38, 143);
    put32(42, 143);
    const TGifColorTable& table = image.ActiveColorTable();
    for (int i = 0; i < 256; ++i) {
        p[54 + 4 * i] = table[i].Blue;
        p[55 + 4 * i] = table[i].Green;
        p[56 + 4 * i] = table[i].Red;
    }
    for (int32_t r = h; r >= 1; --r)
        std::memcpy(p + 1078 + qsizetype(h - r) * stride, pixels.RowData(r), size_t(w));
    return out;
}

QImage TGifFile::FirstImageAsBitmap() const {
    if (FImages.empty() || !FImages.front()->Pixels())
        throw EGifException("GIF file holds no image");
    const TGifSubImage& first = *FImages.front();
    const TByteArray2D& pixels = *first.Pixels();
    QImage image = NewPicture(pixels.Cols(), pixels.Rows(), first.ActiveColorTable());
    for (int32_t r = 1; r <= pixels.Rows(); ++r)
        std::memcpy(image.scanLine(r - 1), pixels.RowData(r), size_t(pixels.Cols()));
    return image;
}

QImage LoadGifPicture(const QString& fileName) {
    TWaitCursor wait;
    return DecodeGifPicture(ReadGifBytes(fileName));
}

} // namespace kolvar
