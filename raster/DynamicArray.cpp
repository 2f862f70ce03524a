#include "raster/DynamicArray.h"

#include "raster/DibMatrix.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <typeinfo>

namespace kolvar {

namespace {

// No container may hold more than this many bytes: every size in the stream layout and every
// index is 32-bit signed.
constexpr int64_t kMaxBlockBytes = INT32_MAX;
constexpr qint64 kChunk = 65535;

int64_t CheckedBytes(int64_t count, int64_t itemSize) {
    const int64_t bytes = count * itemSize;
    if (count < 0 || bytes > kMaxBlockBytes)
        throw EArrayError(QStringLiteral("Container size of %1 items of %2 bytes is too large.")
                              .arg(count)
                              .arg(itemSize));
    return bytes;
}

void WriteBytes(QIODevice& stream, const QByteArray& bytes) {
    if (stream.write(bytes) != bytes.size())
        throw EArrayStreamError(QStringLiteral("Could not write to the stream."));
}

[[noreturn]] void ThrowTruncated() {
    throw EArrayStreamError(QStringLiteral("The stream ends before the container's data."));
}

void ReadExactly(QIODevice& stream, char* out, qint64 size) {
    while (size > 0) {
        const qint64 got = stream.read(out, size);
        if (got <= 0) ThrowTruncated();
        out += got;
        size -= got;
    }
}

// Reads size bytes. A seekable stream is checked against its length before anything is
// allocated; a sequential one grows the buffer only as the bytes actually arrive.
QByteArray ReadBlock(QIODevice& stream, int64_t size) {
    QByteArray block;
    if (size <= 0) return block;
    if (!stream.isSequential() && stream.size() - stream.pos() < size) ThrowTruncated();
    while (block.size() < size) {
        const qint64 part = std::min<qint64>(kChunk, size - block.size());
        const qsizetype at = block.size();
        block.resize(at + part);
        ReadExactly(stream, block.data() + at, part);
    }
    return block;
}

void CheckItemSize(int32_t stored, int32_t expected) {
    if (stored != expected)
        throw EArrayStreamError(
            QStringLiteral("The stream holds items of %1 bytes where %2 bytes were expected.")
                .arg(stored)
                .arg(expected));
}

int32_t ReadCount(QIODevice& stream, int64_t limit) {
    const int32_t v = ReadFilerInteger(stream);
    if (v < 0 || v > limit)
        throw EArrayStreamError(QStringLiteral("The stream holds an invalid count (%1).").arg(v));
    return v;
}

template <class Save> void SaveFileWith(const QString& fileName, Save save) {
    // The old file survives until the new one is complete.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EArrayStreamError(QStringLiteral("Could not write file %1.").arg(fileName));
    save(file);
    if (!file.commit())
        throw EArrayStreamError(QStringLiteral("Could not write file %1.").arg(fileName));
}

template <class Load> void LoadFileWith(const QString& fileName, Load load) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EArrayStreamError(QStringLiteral("Could not open file %1.").arg(fileName));
    load(file);
}

void AppendFilerInteger(QByteArray& out, int32_t value) {
    if (value >= -128 && value <= 127) {
        out.append(char(2));
        out.append(char(int8_t(value)));
    } else if (value >= -32768 && value <= 32767) {
        out.append(char(3));
        const uint16_t v = uint16_t(int16_t(value));
        out.append(char(v & 0xFF));
        out.append(char(v >> 8));
    } else {
        out.append(char(4));
        const uint32_t v = uint32_t(value);
        for (int shift = 0; shift < 32; shift += 8) out.append(char((v >> shift) & 0xFF));
    }
}

QByteArray FilerHeader(int32_t a, int32_t b, int32_t c) {
    QByteArray out;
    AppendFilerInteger(out, a);
    AppendFilerInteger(out, b);
    AppendFilerInteger(out, c);
    return out;
}

} // namespace

void WriteFilerInteger(QIODevice& stream, int32_t value) {
    QByteArray out;
    AppendFilerInteger(out, value);
    WriteBytes(stream, out);
}

int32_t ReadFilerInteger(QIODevice& stream) {
    char tag = 0;
    ReadExactly(stream, &tag, 1);
    unsigned char b[4] = {};
    switch (tag) {
    case 2:
        ReadExactly(stream, reinterpret_cast<char*>(b), 1);
        return int8_t(b[0]);
    case 3:
        ReadExactly(stream, reinterpret_cast<char*>(b), 2);
        return int16_t(uint16_t(b[0] | (b[1] << 8)));
    case 4:
        ReadExactly(stream, reinterpret_cast<char*>(b), 4);
        return int32_t(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) |
                       (uint32_t(b[3]) << 24));
    default:
        throw EArrayStreamError(
            QStringLiteral("Invalid integer tag %1 in the stream.").arg(int(uint8_t(tag))));
    }
}

// ---------------------------------------------------------------------------------------
// TArray

TArray::TArray(int32_t initialCapacity, int32_t itemSize) : FItemSize(itemSize) {
    if (itemSize < 1)
        throw EArrayError(QStringLiteral("Invalid array item size %1.").arg(itemSize));
    Reallocate(std::max(initialCapacity, 0));
}

TArray::TArray(const TArray& other) : TChangeNotifier<TArray>(other), FItemSize(other.FItemSize) {
    Reallocate(other.FCapacity);
    FCount = other.FCount;
    if (FCount > 0) std::memcpy(Bytes(), other.Bytes(), size_t(FCount) * FItemSize);
}

TArray::~TArray() = default;

void TArray::Reallocate(int32_t n) {
    const int64_t bytes = CheckedBytes(n, FItemSize);
    std::unique_ptr<std::byte[]> block;
    if (bytes > 0) block.reset(new std::byte[size_t(bytes)]());
    const int32_t keep = std::min(FCount, n);
    if (keep > 0) std::memcpy(block.get(), FData.get(), size_t(keep) * FItemSize);
    FData = std::move(block);
    FCapacity = n;
    FCount = keep;
}

void* TArray::ItemPtr(int32_t i) {
    return i >= 0 && i < FCount ? Bytes() + size_t(i) * FItemSize : nullptr;
}

const void* TArray::ItemPtr(int32_t i) const {
    return i >= 0 && i < FCount ? Bytes() + size_t(i) * FItemSize : nullptr;
}

bool TArray::Get(int32_t i, void* buffer) const {
    const void* p = ItemPtr(i);
    if (!p) return false;
    std::memcpy(buffer, p, size_t(FItemSize));
    return true;
}

void TArray::Put(int32_t i, const void* buffer) {
    void* p = ItemPtr(i);
    if (!p) return;
    TUpdateScope scope(*this);
    std::memmove(p, buffer, size_t(FItemSize));
}

int32_t TArray::Add(const void* buffer) {
    TUpdateScope scope(*this);
    if (FCount == FCapacity) {
        // buffer may point into our own block, which Grow reallocates.
        std::unique_ptr<std::byte[]> copy(new std::byte[size_t(FItemSize)]);
        std::memcpy(copy.get(), buffer, size_t(FItemSize));
        Grow();
        std::memcpy(Bytes() + size_t(FCount) * FItemSize, copy.get(), size_t(FItemSize));
    } else {
        std::memcpy(Bytes() + size_t(FCount) * FItemSize, buffer, size_t(FItemSize));
    }
    return FCount++;
}

void TArray::Grow() {
    if (FCapacity > INT32_MAX - 8) throw EArrayError(QStringLiteral("Array capacity exceeded."));
    SetCapacity(FCapacity + 8);
}

void TArray::SetCapacity(int32_t n) {
    if (n < 0 || n == FCapacity) return;
    if (n < FCount) {
        TUpdateScope scope(*this);
        Reallocate(n);
    } else {
        Reallocate(n);
    }
}

void TArray::SetCount(int32_t n) {
    if (n < 0 || n == FCount) return;
    TUpdateScope scope(*this);
    const int32_t old = FCount;
    if (n != FCapacity) Reallocate(n);
    // A reallocated block is zero-filled; slots left behind by Delete in the same block are
    // cleared too, so new elements always start at zero.
    FCount = n;
    if (n > old) std::memset(Bytes() + size_t(old) * FItemSize, 0, size_t(n - old) * FItemSize);
}

void TArray::Delete(int32_t i) {
    if (i < 0 || i >= FCount) return;
    TUpdateScope scope(*this);
    --FCount;
    if (i < FCount) {
        std::byte* p = Bytes() + size_t(i) * FItemSize;
        std::memmove(p, p + FItemSize, size_t(FCount - i) * FItemSize);
    }
}

void TArray::Clear() {
    TUpdateScope scope(*this);
    FData.reset();
    FCount = 0;
    FCapacity = 0;
}

bool TArray::SameKind(const TArray& other) const {
    return typeid(*this) == typeid(other) && FItemSize == other.FItemSize;
}

void TArray::Append(const TArray& other) {
    if (!SameKind(other)) return;
    const int32_t n = other.FCount;
    if (int64_t(FCapacity) + other.FCapacity > INT32_MAX)
        throw EArrayError(QStringLiteral("Array capacity exceeded."));
    TUpdateScope scope(*this);
    Reallocate(FCapacity + other.FCapacity);
    if (n > 0)
        std::memmove(Bytes() + size_t(FCount) * FItemSize, other.Bytes(), size_t(n) * FItemSize);
    FCount += n;
}

void TArray::Assign(const TArray& other) {
    if (&other == this || !SameKind(other)) return;
    TUpdateScope scope(*this);
    Clear();
    Append(other);
}

bool TArray::Equals(const TArray& other) const {
    if (FCount != other.FCount || FItemSize != other.FItemSize) return false;
    return FCount == 0 || std::memcmp(Bytes(), other.Bytes(), size_t(FCount) * FItemSize) == 0;
}

void TArray::SaveToStream(QIODevice& stream) const {
    QByteArray out = FilerHeader(FItemSize, FCapacity, FCount);
    out.append(reinterpret_cast<const char*>(Bytes()), qsizetype(FCount) * FItemSize);
    WriteBytes(stream, out);
}

void TArray::LoadFromStream(QIODevice& stream) {
    CheckItemSize(ReadFilerInteger(stream), FItemSize);
    const int64_t limit = kMaxBlockBytes / FItemSize;
    // The stored capacity is only checked: the loaded array gets room for its elements, so
    // a forged capacity cannot cause a large allocation.
    ReadCount(stream, limit);
    const int32_t count = ReadCount(stream, limit);
    const QByteArray block = ReadBlock(stream, int64_t(count) * FItemSize);
    TUpdateScope scope(*this);
    FCount = 0;
    Reallocate(count);
    if (count > 0) std::memcpy(Bytes(), block.constData(), size_t(block.size()));
    FCount = count;
}

void TArray::SaveToFile(const QString& fileName) const {
    SaveFileWith(fileName, [this](QIODevice& s) { SaveToStream(s); });
}

void TArray::LoadFromFile(const QString& fileName) {
    LoadFileWith(fileName, [this](QIODevice& s) { LoadFromStream(s); });
}

// ---------------------------------------------------------------------------------------
// Typed arrays

int32_t TIntegerArray::Items(int32_t i) const {
    int32_t v = 0;
    TArray::Get(i, &v);
    return v;
}

TPoints::TPoints(const TPoints2D& source, const TTransformMatrix& m)
    : TArray(source.Count(), sizeof(TPoint)) {
    const TPoint2D* p = source.Data();
    for (int32_t i = 0; i < source.Count(); ++i) Add(RoundPoint(TransformPoint2D(m, p[i])));
}

TPoint TPoints::Get(int32_t i) const {
    TPoint p;
    TArray::Get(i, &p);
    return p;
}

void TPoints::Transform(const TTransformMatrix& m) {
    if (Count() == 0) return;
    TUpdateScope scope(*this);
    TPoint* p = Data();
    for (int32_t i = 0; i < Count(); ++i) p[i] = TransformPoint(m, p[i]);
}

TPoints2D::TPoints2D(const TPoints& source, const TTransformMatrix& m)
    : TArray(source.Count(), sizeof(TPoint2D)) {
    const TPoint* p = source.Data();
    for (int32_t i = 0; i < source.Count(); ++i)
        Add(TransformPoint2D(m, TPoint2D{double(p[i].X), double(p[i].Y)}));
}

TPoint2D TPoints2D::Get(int32_t i) const {
    TPoint2D p;
    TArray::Get(i, &p);
    return p;
}

void TPoints2D::Transform(const TTransformMatrix& m) {
    if (Count() == 0) return;
    TUpdateScope scope(*this);
    TPoint2D* p = Data();
    for (int32_t i = 0; i < Count(); ++i) p[i] = TransformPoint2D(m, p[i]);
}

int32_t TDibColorArray::Add(uint32_t color) {
    const TDibColor c{uint8_t(color & 0xFF), uint8_t((color >> 8) & 0xFF),
                      uint8_t((color >> 16) & 0xFF)};
    return Add(c);
}

TDibColor TDibColorArray::Get(int32_t i) const {
    TDibColor c;
    TArray::Get(i, &c);
    return c;
}

// ---------------------------------------------------------------------------------------
// TMatrix

TMatrix::TMatrix(int32_t rows, int32_t cols, int32_t itemSize) : FItemSize(itemSize) {
    if (itemSize < 1)
        throw EArrayError(QStringLiteral("Invalid matrix item size %1.").arg(itemSize));
    SetSize(rows, cols);
}

TMatrix::~TMatrix() = default;

void TMatrix::SetSize(int32_t rows, int32_t cols) {
    rows = std::max(rows, 0);
    cols = std::max(cols, 0);
    if (rows == FRows && cols == FCols) return;
    TUpdateScope scope(*this);
    std::unique_ptr<std::byte[]> block;
    if (rows > 0 && cols > 0) {
        const int64_t bytes = CheckedBytes(int64_t(rows) * cols, FItemSize);
        block.reset(new std::byte[size_t(bytes)]());
        const int32_t keepRows = std::min(rows, FRows);
        const size_t rowBytes = size_t(std::min(cols, FCols)) * FItemSize;
        for (int32_t r = 0; FData && r < keepRows; ++r)
            std::memcpy(block.get() + size_t(r) * cols * FItemSize,
                        FData.get() + size_t(r) * FCols * FItemSize, rowBytes);
    }
    FData = std::move(block);
    FRows = rows;
    FCols = cols;
}

bool TMatrix::GetItem(int32_t r, int32_t c, void* buffer) const {
    if (r < 0 || r >= FRows || c < 0 || c >= FCols) return false;
    std::memcpy(buffer, Bytes() + (size_t(r) * FCols + c) * FItemSize, size_t(FItemSize));
    return true;
}

void TMatrix::PutItem(int32_t r, int32_t c, const void* buffer) {
    if (r < 0 || r >= FRows || c < 0 || c >= FCols) return;
    TUpdateScope scope(*this);
    std::memmove(Bytes() + (size_t(r) * FCols + c) * FItemSize, buffer, size_t(FItemSize));
}

bool TMatrix::SameKind(const TMatrix& other) const {
    return typeid(*this) == typeid(other) && FItemSize == other.FItemSize;
}

void TMatrix::Assign(const TMatrix& other) {
    if (&other == this || !SameKind(other)) return;
    TUpdateScope scope(*this);
    SetSize(other.FRows, other.FCols);
    if (FData) std::memcpy(Bytes(), other.Bytes(), size_t(FRows) * FCols * FItemSize);
}

bool TMatrix::Equals(const TMatrix& other) const {
    if (FRows != other.FRows || FCols != other.FCols || FItemSize != other.FItemSize) return false;
    return !FData || std::memcmp(Bytes(), other.Bytes(), size_t(FRows) * FCols * FItemSize) == 0;
}

void TMatrix::SaveToStream(QIODevice& stream) const {
    QByteArray out = FilerHeader(FItemSize, FRows, FCols);
    if (FData)
        out.append(reinterpret_cast<const char*>(Bytes()), qsizetype(FRows) * FCols * FItemSize);
    WriteBytes(stream, out);
}

void TMatrix::LoadFromStream(QIODevice& stream) {
    CheckItemSize(ReadFilerInteger(stream), FItemSize);
    const int32_t rows = ReadCount(stream, INT32_MAX);
    const int32_t cols = ReadCount(stream, INT32_MAX);
    const int64_t bytes = rows > 0 && cols > 0 ? int64_t(rows) * cols * FItemSize : 0;
    if (bytes > kMaxBlockBytes)
        throw EArrayStreamError(
            QStringLiteral("The stream holds an invalid matrix size %1 x %2.").arg(rows).arg(cols));
    const QByteArray block = ReadBlock(stream, bytes);
    TUpdateScope scope(*this);
    SetSize(rows, cols);
    if (bytes > 0) std::memcpy(Bytes(), block.constData(), size_t(bytes));
}

void TMatrix::SaveToFile(const QString& fileName) const {
    SaveFileWith(fileName, [this](QIODevice& s) { SaveToStream(s); });
}

void TMatrix::LoadFromFile(const QString& fileName) {
    LoadFileWith(fileName, [this](QIODevice& s) { LoadFromStream(s); });
}

double TDoubleMatrix::Items(int32_t r, int32_t c) const {
    double v = 0;
    GetItem(r, c, &v);
    return v;
}

int32_t TIntegerMatrix::Items(int32_t r, int32_t c) const {
    int32_t v = 0;
    GetItem(r, c, &v);
    return v;
}

// ---------------------------------------------------------------------------------------
// TItemList

TItemList::TItemList(int32_t initialCapacity, int32_t itemSize) : FItemSize(itemSize) {
    if (itemSize < 1) throw EArrayError(QStringLiteral("Invalid list item size %1.").arg(itemSize));
    SetCapacity(initialCapacity);
}

TItemList::~TItemList() {
    for (int32_t i = 0; i < FCount; ++i) TItemList::FreeItem(FItems[size_t(i)]);
}

void* TItemList::Item(int32_t index) {
    return index >= 0 && index < FCount ? FItems[size_t(index)] : nullptr;
}

const void* TItemList::Item(int32_t index) const {
    return index >= 0 && index < FCount ? FItems[size_t(index)] : nullptr;
}

void TItemList::NewItem(void*& item) {
    item = new std::byte[size_t(FItemSize)]();
}

void TItemList::FreeItem(void*& item) {
    delete[] static_cast<std::byte*>(item);
    item = nullptr;
}

bool TItemList::GetItem(int32_t index, void* buffer) const {
    const void* p = Item(index);
    if (!p) return false;
    std::memcpy(buffer, p, size_t(FItemSize));
    return true;
}

void TItemList::PutItem(int32_t index, const void* buffer) {
    void* p = Item(index);
    if (!p) return;
    TUpdateScope scope(*this);
    std::memmove(p, buffer, size_t(FItemSize));
}

int32_t TItemList::Add(const void* buffer) {
    if (FCount >= MaxCapacity)
        throw EArrayError(
            QStringLiteral("A list cannot hold more than %1 items.").arg(MaxCapacity));
    TUpdateScope scope(*this);
    if (FCount == FCapacity) Grow();
    void*& slot = FItems[size_t(FCount)];
    NewItem(slot);
    ++FCount;
    PutItem(FCount - 1, buffer);
    return FCount - 1;
}

void TItemList::Grow() {
    int32_t delta = 16;
    if (FCapacity > 64)
        delta = FCapacity / 4;
    else if (FCapacity < 9)
        delta = 4;
    SetCapacity(FCapacity + delta);
}

void TItemList::SetCapacity(int32_t n) {
    n = std::clamp(n, 0, MaxCapacity);
    if (n == FCapacity) return;
    if (n < FCount) {
        TUpdateScope scope(*this);
        for (int32_t i = n; i < FCount; ++i) FreeItem(FItems[size_t(i)]);
        FCount = n;
    }
    FItems.resize(size_t(n), nullptr);
    FItems.shrink_to_fit();
    FCapacity = n;
}

bool TItemList::SameKind(const TItemList& other) const {
    return typeid(*this) == typeid(other) && FItemSize == other.FItemSize;
}

void TItemList::Append(const TItemList& other) {
    if (!SameKind(other)) return;
    const int32_t n = other.FCount;
    if (int64_t(FCount) + n > MaxCapacity)
        throw EArrayError(
            QStringLiteral("A list cannot hold more than %1 items.").arg(MaxCapacity));
    TUpdateScope scope(*this);
    SetCapacity(std::max(FCapacity, FCount + n));
    // n was taken first, so appending a list to itself copies each record once.
    for (int32_t i = 0; i < n; ++i) Add(other.FItems[size_t(i)]);
}

void TItemList::Assign(const TItemList& other) {
    if (&other == this || !SameKind(other)) return;
    TUpdateScope scope(*this);
    Clear();
    Append(other);
}

bool TItemList::Equals(const TItemList& other) const {
    if (FCount != other.FCount || FItemSize != other.FItemSize) return false;
    for (int32_t i = 0; i < FCount; ++i) {
        if (std::memcmp(FItems[size_t(i)], other.FItems[size_t(i)], size_t(FItemSize)) != 0)
            return false;
    }
    return true;
}

void TItemList::Changed() {
    if (OnChange) OnChange(*this);
}

void TItemList::SaveToStream(QIODevice& stream) const {
    QByteArray out = FilerHeader(FItemSize, FCapacity, FCount);
    for (int32_t i = 0; i < FCount; ++i)
        out.append(static_cast<const char*>(FItems[size_t(i)]), FItemSize);
    WriteBytes(stream, out);
}

void TItemList::LoadFromStream(QIODevice& stream) {
    CheckItemSize(ReadFilerInteger(stream), FItemSize);
    const int32_t capacity = ReadCount(stream, MaxCapacity);
    const int32_t count = ReadCount(stream, MaxCapacity);
    if (FCount + count > MaxCapacity)
        throw EArrayStreamError(
            QStringLiteral("A list cannot hold more than %1 items.").arg(MaxCapacity));
    const QByteArray block = ReadBlock(stream, int64_t(count) * FItemSize);
    TUpdateScope scope(*this);
    // Never below what the records already present and the new ones need, so loading can
    // only add.
    SetCapacity(std::max({capacity, FCapacity, FCount + count}));
    for (int32_t i = 0; i < count; ++i) Add(block.constData() + qsizetype(i) * FItemSize);
}

void TItemList::SaveToFile(const QString& fileName) const {
    SaveFileWith(fileName, [this](QIODevice& s) { SaveToStream(s); });
}

void TItemList::LoadFromFile(const QString& fileName) {
    LoadFileWith(fileName, [this](QIODevice& s) { LoadFromStream(s); });
}

} // namespace kolvar
