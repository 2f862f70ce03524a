#pragma once
// PCX reader: turns 256-colour (8 bits, 1 plane), 16-colour (1 bit, 4 planes) and
// monochrome (1 bit, 1 plane) PCX data into an in-memory BMP file for the bitmap loader.

#include "formats/DibData.h"
#include "raster/DibContainer.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kolvar {

// A PCX file of a supported layout whose sizes or data do not hold together.
class EPCXError : public EInvalidGraphic {
public:
    EPCXError() : EInvalidGraphic("PCX image is not valid") {}
    using EInvalidGraphic::EInvalidGraphic;
};

// The header fields the decoders use.
struct TPCXHeader {
    uint8_t Manufacturer = 0;
    uint8_t BitsPerPixel = 0;
    uint16_t XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    uint8_t Palette16[48] = {};
    uint8_t Planes = 0;
    uint16_t BytesPerLine = 0;
};

// The file's bytes as a decoder reads them: a whole file in memory, or a device read a block
// at a time, so that a big picture's file need not be held whole.
class TPcxSource {
public:
    virtual ~TPcxSource() = default;
    virtual qsizetype Size() const = 0;
    // Copies n bytes from pos on into out; false when they are not all there.
    virtual bool Read(qsizetype pos, qsizetype n, uint8_t* out) = 0;
};

// Decodes the run-length data after the header into BMP rows. Subclasses give the depth.
class TDecoder {
public:
    TDecoder(const TPCXHeader& header, TPcxSource& file);
    virtual ~TDecoder() = default;

    // The whole BMP file.
    QByteArray Decode();
    // The picture straight into the container's rows, in the colours the BMP file's palette
    // gives; Progress hears the share of rows done.
    void DecodeInto(TDibContainer& Image, const std::function<void(int)>& Progress);

    int32_t Height = 0;
    int32_t Width = 0;
    int32_t RowSize = 0; // bytes of one BMP row, a multiple of 4

protected:
    virtual QByteArray BuildInfoBlock();
    virtual void FillInfoHeader(uint8_t* header) = 0;
    virtual void FillPalette(uint8_t* palette) = 0;
    virtual int32_t PaletteSize() const = 0;
    virtual int BitCount() const = 0;
    // Decodes every row, each into RowOut(r) and then handed on by RowDone(r).
    virtual void DecodeImage() = 0;

    // Where row r (top to bottom) goes: RowSize bytes of BMP pixels.
    uint8_t* RowOut(int32_t r);
    void RowDone(int32_t r);

    // Run-length decodes one PCX row of n bytes into out.
    void ReadRow(uint8_t* out, int32_t n);
    void CheckGeometry(int64_t bitsPerRow, int64_t rowBytes) const;
    void FillCommonHeader(uint8_t* header, uint16_t bitCount, uint32_t colorsUsed) const;
    // Where the run-length data read so far ends in the file.
    qsizetype DataEnd() const { return FFilePos - FBufferFill + FBufferPos; }

    const TPCXHeader& FHeader;
    TPcxSource& FFile;

private:
    uint8_t NextByte();

    uint8_t* FBits = nullptr;        // Decode: the BMP file's rows
    TDibContainer* FImage = nullptr; // DecodeInto: the container
    std::vector<uint8_t> FRow;       // DecodeInto: a row on its way into the container
    std::array<TDibColor, 256> FColours{};
    const std::function<void(int)>* FProgress = nullptr;

    uint8_t FBuffer[1024];
    int32_t FBufferFill = 0;
    int32_t FBufferPos = 0;
    qsizetype FFilePos = 128;
};

class TDecoder256 : public TDecoder {
public:
    TDecoder256(const TPCXHeader& header, TPcxSource& file);

protected:
    void FillInfoHeader(uint8_t* header) override;
    void FillPalette(uint8_t* palette) override;
    int32_t PaletteSize() const override { return 1024; }
    int BitCount() const override { return 8; }
    void DecodeImage() override;
};

class TDecoder16 : public TDecoder {
public:
    TDecoder16(const TPCXHeader& header, TPcxSource& file);

protected:
    void FillInfoHeader(uint8_t* header) override;
    void FillPalette(uint8_t* palette) override;
    int32_t PaletteSize() const override { return 64; }
    int BitCount() const override { return 4; }
    void DecodeImage() override;
};

class TDecoder2 : public TDecoder {
public:
    TDecoder2(const TPCXHeader& header, TPcxSource& file);

protected:
    void FillInfoHeader(uint8_t* header) override;
    void FillPalette(uint8_t* palette) override;
    int32_t PaletteSize() const override { return 8; }
    int BitCount() const override { return 1; }
    void DecodeImage() override;
};

// The BMP file for PCX data, or nothing when the data is not PCX of a supported layout.
// Raises EPCXError when a supported file is inconsistent or cut short.
std::optional<QByteArray> DecodePCX(const QByteArray& file);
std::optional<QByteArray> DecodePCX(QIODevice& stream);

// The bitmap class that also reads PCX.
class TPCXBitmap {
public:
    // Loads PCX data, or whatever the bitmap loader makes of data that is not PCX.
    void LoadFromStream(QIODevice& stream);
    void LoadFromFile(const QString& fileName);
    const QImage& Image() const { return FImage; }

private:
    void Load(const QByteArray& bytes);
    QImage FImage;
};

QImage LoadPcxPicture(const QString& fileName);
// A supported PCX layout read from the device straight into the container, with the pixels of
// LoadPcxPicture; false, with Image untouched, for data the decoders do not take (which the
// bitmap loader may still read). Raises EPCXError as DecodePCX does.
bool ReadPcxInto(QIODevice& Device, TDibContainer& Image,
                 const std::function<void(int)>& Progress = {});

} // namespace kolvar
