#include "formats/ByteArrays.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace kolvar {

namespace {

const char* const kIndexMessage = "Dynamic array index out of bounds";

[[noreturn]] void RaiseNoMemory(int64_t n) {
    throw ENotEnoughMemory(
        QStringLiteral("error in TBigByteArray.create: Not enough contiguous memory available\r\n"
                       " requested memory block: %1 bytes")
            .arg(n));
}

} // namespace

TBigByteArray::TBigByteArray(int32_t n) {
    if (n < 0) RaiseNoMemory(n);
    if (n == 0) return;
    FData = static_cast<uint8_t*>(std::calloc(size_t(n), 1));
    if (!FData) RaiseNoMemory(n);
    FSize = n;
}

TBigByteArray::~TBigByteArray() {
    std::free(FData);
    FData = nullptr;
    FSize = 0;
}

void TBigByteArray::CheckIndex(int32_t i) const {
    if (i < 1 || i > FSize) throw EIndexOutOfBounds(kIndexMessage);
}

void TBigByteArray::SetByte(int32_t i, uint8_t value) {
    CheckIndex(i);
    FData[i - 1] = value;
}

uint8_t TBigByteArray::GetByte(int32_t i) const {
    CheckIndex(i);
    return FData[i - 1];
}

TByteArray2D::TByteArray2D(int32_t cols, int32_t rows) {
    const int64_t n = int64_t(cols) * rows;
    if (cols < 0 || rows < 0 || n > std::numeric_limits<int32_t>::max()) RaiseNoMemory(n);
    FData = std::make_unique<TBigByteArray>(static_cast<int32_t>(n));
    FCols = cols;
    FRows = rows;
}

void TByteArray2D::CheckRow(int32_t r) const {
    if (r <= 0 || r > FRows) throw EIndexOutOfBounds(kIndexMessage);
}

std::unique_ptr<TBigByteArray> TByteArray2D::GetRow(int32_t r) const {
    // An unchecked row would read outside the block.
    CheckRow(r);
    auto row = std::make_unique<TBigByteArray>(FCols);
    if (FCols > 0) std::memcpy(row->Data(), RowData(r), size_t(FCols));
    return row;
}

void TByteArray2D::SetRow(int32_t r, const TBigByteArray& row) {
    CheckRow(r);
    if (row.Size() != FCols)
        throw Exception("Row doesn't have equal number of elements as Matrix row");
    if (FCols > 0) std::memcpy(FData->Data() + int64_t(r - 1) * FCols, row.Data(), size_t(FCols));
}

const uint8_t* TByteArray2D::RowData(int32_t r) const {
    return FData->Data() + int64_t(r - 1) * FCols;
}

void TByteBuffer::AddChunk(const QByteArray& text) {
    FChunks.push_back(text);
    FTotal = static_cast<int32_t>(uint32_t(FTotal) + uint32_t(text.size()));
}

void TByteBuffer::Rewind() {
    FChunkNumber = 1;
    FCurrent = FChunks.empty() ? QByteArray() : FChunks.front();
    FPosition = 1;
}

void TByteBuffer::NextChunk() {
    if (FChunkNumber >= ChunkCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(FChunkNumber));
    FCurrent = FChunks[size_t(FChunkNumber)];
    ++FChunkNumber;
    FPosition = 1;
}

uint8_t TByteBuffer::ReadByte() {
    // Empty chunks are stepped over, so the byte read is always inside a chunk.
    while (FPosition > FCurrent.size()) NextChunk();
    return static_cast<uint8_t>(FCurrent[FPosition++ - 1]);
}

namespace {

int32_t FirstRowOfPass(int32_t pass) {
    switch (pass) {
    case 2:
        return 4;
    case 3:
        return 2;
    case 4:
        return 1;
    default:
        return 0;
    }
}

int32_t PassStep(int32_t pass) {
    switch (pass) {
    case 1:
    case 2:
        return 8;
    case 3:
        return 4;
    case 4:
        return 2;
    default:
        return 0;
    }
}

} // namespace

int32_t NextInterlacedRow(int32_t row, int32_t height, int32_t& pass) {
    const int32_t step = PassStep(pass);
    if (step == 0) return 0;
    row += step;
    if (row < height) return row;
    // A pass whose first row lies beyond a short image is empty: go on to the next one, so
    // that images of fewer than five rows still receive every row.
    while (pass < 4) {
        ++pass;
        const int32_t first = FirstRowOfPass(pass);
        if (first < height) return first;
    }
    ++pass;
    return row;
}

} // namespace kolvar
