#pragma once
// Small containers the GIF reader decodes into: a bounds-checked byte array with 1-based
// indices, a two-dimensional byte array read and written a row at a time, and a sequential
// byte reader over the data sub-blocks as they came from the file.

#include "raster/Exceptions.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

namespace kolvar {

class EIndexOutOfBounds : public Exception {
public:
    using Exception::Exception;
};

class ENotEnoughMemory : public Exception {
public:
    using Exception::Exception;
};

// A read past the last chunk of a byte buffer.
class EListError : public Exception {
public:
    using Exception::Exception;
};

class TBigByteArray {
public:
    explicit TBigByteArray(int32_t n);
    ~TBigByteArray();
    TBigByteArray(const TBigByteArray&) = delete;
    TBigByteArray& operator=(const TBigByteArray&) = delete;

    int32_t Size() const { return FSize; }
    void SetByte(int32_t i, uint8_t value);
    uint8_t GetByte(int32_t i) const;
    // The raw block for bulk copies; Size() bytes long.
    uint8_t* Data() { return FData; }
    const uint8_t* Data() const { return FData; }

private:
    void CheckIndex(int32_t i) const;

    int32_t FSize = 0;
    uint8_t* FData = nullptr;
};

class TByteArray2D {
public:
    TByteArray2D(int32_t cols, int32_t rows);

    int32_t Cols() const { return FCols; }
    int32_t Rows() const { return FRows; }
    // A copy of row r (1-based); the caller owns it.
    std::unique_ptr<TBigByteArray> GetRow(int32_t r) const;
    void SetRow(int32_t r, const TBigByteArray& row);
    // Row r (1-based) in place, Cols() bytes; r must be in range.
    const uint8_t* RowData(int32_t r) const;

private:
    void CheckRow(int32_t r) const;

    std::unique_ptr<TBigByteArray> FData;
    int32_t FCols = 0;
    int32_t FRows = 0;
};

class TByteBuffer {
public:
    void AddChunk(const QByteArray& text);
    void Rewind();
    uint8_t ReadByte();
    int32_t Total() const { return FTotal; }
    int32_t ChunkCount() const { return static_cast<int32_t>(FChunks.size()); }

private:
    void NextChunk();

    std::vector<QByteArray> FChunks;
    int32_t FTotal = 0;
    QByteArray FCurrent;
    int32_t FChunkNumber = 0; // 1-based, 0 before the first Rewind
    int32_t FPosition = 1;    // 1-based within FCurrent
};

// Steps to the row after row in an interlaced image of the given height; pass (1 to 4) is
// updated when a pass ends. Starting at row 0 in pass 1 it visits 0, 8, 16, ..., 4, 12, ...,
// 2, 6, ..., 1, 3, 5, ... and finally returns a row at or beyond height.
int32_t NextInterlacedRow(int32_t row, int32_t height, int32_t& pass);

} // namespace kolvar
