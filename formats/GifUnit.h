#pragma once
// GIF87a / GIF89a reader: parses every block of the file, decodes its images with LZW and
// hands the first one out as an 8-bit palette picture. Opening a GIF as a picture decodes the
// first image only; TGifFile decodes every image when asked to. Both draw on the decoding
// budget (formats/DecodeBudget.h).

#include "formats/ByteArrays.h"
#include "formats/DecodeBudget.h"
#include "raster/DibContainer.h"
#include "raster/Exceptions.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kolvar {

class EGifException : public Exception {
public:
    using Exception::Exception;
};

struct TGifColor {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    friend bool operator==(const TGifColor&, const TGifColor&) = default;
};

// A colour table always holds 256 entries; Size of them belong to the table, and loading from
// a file overwrites only those. The rest keep the contents a table of that size starts with.
class TGifColorTable {
public:
    explicit TGifColorTable(int32_t size = 2);
    int32_t Size() const { return FSize; }
    const TGifColor& operator[](int i) const { return FColors[size_t(i)]; }
    TGifColor& operator[](int i) { return FColors[size_t(i)]; }

private:
    int32_t FSize;
    std::array<TGifColor, 256> FColors{};
};

struct TGifScreenDescriptor {
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t Flags = 0;
    uint8_t Background = 0;
    uint8_t Aspect = 0;
};

struct TGifImageDescriptor {
    uint16_t Left = 0;
    uint16_t Top = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t Flags = 0;
};

enum TExtensionKind : uint8_t {
    etGraphicControl = 0,
    etPlainText = 1,
    etApplication = 2,
    etComment = 3,
};

// An extension block as read; kept with the image that follows it but not interpreted.
struct TExtension {
    TExtensionKind Kind = etGraphicControl;
    QByteArray Fixed;                  // the block's fixed part
    std::vector<QByteArray> SubBlocks; // plain text, application and comment data
};

class TGifFile;
class TGifReader;
class TGifRowTarget;

// How much of a file LoadFromBytes decodes. Images that are not decoded are still parsed
// (descriptor, colour table, extensions) but their data is skipped and Pixels() stays empty.
enum class TGifDecode { AllImages, FirstImageOnly };

class TGifSubImage {
public:
    // colorCount is the size of the file's global table at the time the image is met.
    TGifSubImage(TGifFile& owner, int32_t colorCount);

    const TGifImageDescriptor& Descriptor() const { return FDescriptor; }
    bool HasLocalColorTable() const { return (FDescriptor.Flags & 0x80) != 0; }
    bool Interlaced() const { return (FDescriptor.Flags & 0x40) != 0; }
    const TGifColorTable& LocalColorTable() const { return FLocalColorTable; }
    uint8_t LZWCodeSize() const { return FCodeSize; }
    const std::vector<TExtension>& Extensions() const { return FExtensions; }
    // Colour indices, rows numbered from 1; empty until decoded.
    const TByteArray2D* Pixels() const { return FPixels.get(); }
    // The colour table that applies: the local one, or the file's global one.
    const TGifColorTable& ActiveColorTable() const;

private:
    friend class TGifFile;
    friend QImage DecodeGifPicture(const QByteArray& bytes);
    friend void DecodeGifPictureInto(QByteArray bytes, TDibContainer& Image,
                                     const std::function<void(int)>& Progress);
    void Read(TGifReader& reader, bool keepData);
    void Decode();
    void DecodeInto(TGifRowTarget& target) const;
    void CheckGeometry() const;
    void CheckDataCanFill() const;

    TGifFile& FOwner;
    TGifImageDescriptor FDescriptor;
    TGifColorTable FLocalColorTable;
    uint8_t FCodeSize = 0;
    TByteBuffer FData;
    std::vector<TExtension> FExtensions;
    std::unique_ptr<TByteArray2D> FPixels;
};

class TGifFile {
public:
    TGifFile();
    ~TGifFile();

    // Reads and decodes the named file; the wait cursor shows meanwhile.
    void LoadGifFile(const QString& fileName);
    // The same from bytes already in memory.
    void LoadFromBytes(const QByteArray& bytes, TGifDecode what = TGifDecode::AllImages);

    // Sub-image 0 as an in-memory 8-bit BMP file.
    QByteArray FirstImageAsBmpStream() const;
    // Sub-image 0 as a picture, the same one the BMP stream above gives.
    QImage FirstImageAsBitmap() const;

    const QByteArray& Signature() const { return FSignature; }
    const TGifScreenDescriptor& ScreenDescriptor() const { return FScreen; }
    bool HasGlobalColorTable() const { return (FScreen.Flags & 0x80) != 0; }
    int32_t ColorResolution() const { return ((FScreen.Flags >> 4) & 7) + 1; }
    const TGifColorTable& GlobalColorTable() const { return FGlobalColorTable; }
    int32_t ImageCount() const { return static_cast<int32_t>(FImages.size()); }
    const TGifSubImage& Image(int32_t i) const { return *FImages.at(size_t(i)); }

private:
    friend class TGifSubImage;
    friend QImage DecodeGifPicture(const QByteArray& bytes);
    friend void DecodeGifPictureInto(QByteArray bytes, TDibContainer& Image,
                                     const std::function<void(int)>& Progress);
    void Clear();
    void Parse(const QByteArray& bytes, bool decodeLater);
    void ReadHeader(TGifReader& reader);
    TExtension ReadExtension(TGifReader& reader);
    void ReadImage(TGifReader& reader, std::vector<TExtension>& pending, bool decode);

    QByteArray FSignature;
    TGifScreenDescriptor FScreen;
    TGifColorTable FGlobalColorTable;
    std::vector<std::unique_ptr<TGifSubImage>> FImages;
    // What the decode in progress holds on the budget; emptied when it ends.
    std::vector<TBudgetCharge> FCharges;
};

// The picture loaders' path: the first image of a GIF file, decoded straight into the
// picture (Format_Indexed8, 256 colours); later images are parsed and skipped.
QImage DecodeGifPicture(const QByteArray& bytes);
QImage LoadGifPicture(const QString& fileName);
// The same picture decoded straight into the container's 24-bit rows, with no 8-bit copy and
// without the file's bytes once parsed; Progress hears the share of rows stored. Image is only
// replaced once the decode succeeded.
void DecodeGifPictureInto(QByteArray bytes, TDibContainer& Image,
                          const std::function<void(int)>& Progress = {});
void LoadGifFileInto(const QString& fileName, TDibContainer& Image,
                     const std::function<void(int)>& Progress = {});

} // namespace kolvar
