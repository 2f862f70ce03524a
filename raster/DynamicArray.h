#pragma once
// Growable containers of fixed-size elements with change notification and a compact binary
// stream layout: flat arrays (TArray and its typed descendants), row-major matrices (TMatrix)
// and lists of separately allocated records (TItemList).
//
// Stream layout, little-endian: item size, capacity (matrices: rows), count (matrices: cols),
// each as a filer integer, then the raw element bytes. A filer integer is a tag byte and the
// value: 2 + 1 byte for -128..127, 3 + 2 bytes for -32768..32767, else 4 + 4 bytes.

#include "raster/DibTypes.h"
#include "raster/Exceptions.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;

namespace kolvar {

struct TTransformMatrix;

// Misuse of a container that cannot be ignored safely (capacity beyond its limit).
class EArrayError : public Exception {
public:
    using Exception::Exception;
};

// A stream or file that cannot be read or written as a container.
class EArrayStreamError : public EArrayError {
public:
    using EArrayError::EArrayError;
};

void WriteFilerInteger(QIODevice& stream, int32_t value);
// Raises EArrayStreamError on an unknown tag or a stream that ends early.
int32_t ReadFilerInteger(QIODevice& stream);

// The notification scheme every container shares. BeginUpdate/EndUpdate nest; the outermost
// EndUpdate calls Changed, which calls OnChange when it is assigned and no bracket is open.
template <class TSender> class TChangeNotifier {
public:
    std::function<void(TSender&)> OnChange;

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate() {
        // An unmatched EndUpdate is ignored rather than leaving the counter below zero,
        // which would silence every later notification.
        if (FUpdateCount == 0) return;
        if (--FUpdateCount == 0) Changed();
    }
    // Closes a bracket without notifying; for a bracket that an error is leaving.
    void AbortUpdate() {
        if (FUpdateCount > 0) --FUpdateCount;
    }
    virtual void Changed() {
        if (FUpdateCount == 0 && OnChange) OnChange(static_cast<TSender&>(*this));
    }
    int32_t UpdateCount() const { return FUpdateCount; }

protected:
    TChangeNotifier() = default;
    // A copy starts with no listener and no open bracket.
    TChangeNotifier(const TChangeNotifier&) {}
    TChangeNotifier& operator=(const TChangeNotifier&) = delete;
    virtual ~TChangeNotifier() = default;

    int32_t FUpdateCount = 0;
};

// Brackets a scope with BeginUpdate/EndUpdate. When an error passes through, the bracket is
// closed without notifying, so a listener never runs during unwinding.
template <class T> class TUpdateScope {
public:
    explicit TUpdateScope(T& target) : FTarget(target), FExceptions(std::uncaught_exceptions()) {
        FTarget.BeginUpdate();
    }
    ~TUpdateScope() {
        if (std::uncaught_exceptions() == FExceptions)
            FTarget.EndUpdate();
        else
            FTarget.AbortUpdate();
    }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    T& FTarget;
    int FExceptions;
};

// A contiguous block of elements of one size. Out-of-range indexes are ignored.
class TArray : public TChangeNotifier<TArray> {
public:
    TArray(int32_t initialCapacity, int32_t itemSize);
    ~TArray() override;

    int32_t Count() const { return FCount; }
    int32_t Capacity() const { return FCapacity; }
    int32_t ItemSize() const { return FItemSize; }
    void* Data() { return FData.get(); }
    const void* Data() const { return FData.get(); }
    // Pointer to element i, or null when i is out of range.
    void* ItemPtr(int32_t i);
    const void* ItemPtr(int32_t i) const;

    // Copies element i into buffer; false (buffer untouched) when i is out of range.
    bool Get(int32_t i, void* buffer) const;
    void Put(int32_t i, const void* buffer);
    // Appends a copy of buffer's element and returns its index.
    int32_t Add(const void* buffer);
    void Grow();
    // Shrinking below Count drops the elements beyond the new capacity.
    void SetCapacity(int32_t n);
    void SetCount(int32_t n);
    void Delete(int32_t i);
    void Clear();
    // Append and Assign accept only an array of exactly the same class and item size.
    void Append(const TArray& other);
    void Assign(const TArray& other);
    bool Equals(const TArray& other) const;

    virtual void SaveToStream(QIODevice& stream) const;
    virtual void LoadFromStream(QIODevice& stream);
    virtual void SaveToFile(const QString& fileName) const;
    virtual void LoadFromFile(const QString& fileName);

protected:
    // Copies the elements, not the listener.
    TArray(const TArray& other);
    std::byte* Bytes() { return FData.get(); }
    const std::byte* Bytes() const { return FData.get(); }

private:
    bool SameKind(const TArray& other) const;
    void Reallocate(int32_t n);

    std::unique_ptr<std::byte[]> FData;
    int32_t FCount = 0;
    int32_t FCapacity = 0;
    int32_t FItemSize = 0;
};

class TIntegerArray : public TArray {
public:
    explicit TIntegerArray(int32_t initialCapacity = 0) : TArray(initialCapacity, 4) {}
    TIntegerArray(const TIntegerArray&) = default;

    // 0 when i is out of range.
    int32_t Items(int32_t i) const;
    void Put(int32_t i, int32_t value) { TArray::Put(i, &value); }
    int32_t Add(int32_t value) { return TArray::Add(&value); }
    int32_t* Data() { return static_cast<int32_t*>(TArray::Data()); }
    const int32_t* Data() const { return static_cast<const int32_t*>(TArray::Data()); }
};

class TPoints2D;

class TPoints : public TArray {
public:
    explicit TPoints(int32_t initialCapacity = 0) : TArray(initialCapacity, sizeof(TPoint)) {}
    TPoints(const TPoints&) = default;
    // Every point of source mapped through m and rounded to nearest.
    TPoints(const TPoints2D& source, const TTransformMatrix& m);

    int32_t Add(int32_t x, int32_t y) { return Add(TPoint{x, y}); }
    int32_t Add(const TPoint& p) { return TArray::Add(&p); }
    // (0, 0) when i is out of range.
    TPoint Get(int32_t i) const;
    void Put(int32_t i, const TPoint& p) { TArray::Put(i, &p); }
    // Maps every point through m, truncating toward zero.
    void Transform(const TTransformMatrix& m);
    TPoint* Data() { return static_cast<TPoint*>(TArray::Data()); }
    const TPoint* Data() const { return static_cast<const TPoint*>(TArray::Data()); }
};

class TPoints2D : public TArray {
public:
    explicit TPoints2D(int32_t initialCapacity = 0) : TArray(initialCapacity, sizeof(TPoint2D)) {}
    TPoints2D(const TPoints2D&) = default;
    // Every point of source mapped through m, without rounding.
    TPoints2D(const TPoints& source, const TTransformMatrix& m);

    int32_t Add(double x, double y) { return Add(TPoint2D{x, y}); }
    int32_t Add(const TPoint2D& p) { return TArray::Add(&p); }
    TPoint2D Get(int32_t i) const;
    void Put(int32_t i, const TPoint2D& p) { TArray::Put(i, &p); }
    void Transform(const TTransformMatrix& m);
    TPoint2D* Data() { return static_cast<TPoint2D*>(TArray::Data()); }
    const TPoint2D* Data() const { return static_cast<const TPoint2D*>(TArray::Data()); }
};

class TDibColorArray : public TArray {
public:
    explicit TDibColorArray(int32_t initialCapacity = 0)
        : TArray(initialCapacity, sizeof(TDibColor)) {}
    TDibColorArray(const TDibColorArray&) = default;

    // color is the integer form 0x00RRGGBB.
    int32_t Add(uint32_t color);
    int32_t Add(const TDibColor& color) { return TArray::Add(&color); }
    TDibColor Get(int32_t i) const;
    void Put(int32_t i, const TDibColor& color) { TArray::Put(i, &color); }
    TDibColor* Data() { return static_cast<TDibColor*>(TArray::Data()); }
    const TDibColor* Data() const { return static_cast<const TDibColor*>(TArray::Data()); }
};

// Rows x Cols elements stored row by row; element (r, c) at index r * Cols + c.
class TMatrix : public TChangeNotifier<TMatrix> {
public:
    TMatrix(int32_t rows, int32_t cols, int32_t itemSize);
    ~TMatrix() override;
    TMatrix(const TMatrix&) = delete;

    int32_t Rows() const { return FRows; }
    int32_t Cols() const { return FCols; }
    int32_t ItemSize() const { return FItemSize; }
    // Null while either side is 0.
    void* Data() { return FData.get(); }
    const void* Data() const { return FData.get(); }

    virtual bool GetItem(int32_t r, int32_t c, void* buffer) const;
    virtual void PutItem(int32_t r, int32_t c, const void* buffer);
    virtual void SaveToStream(QIODevice& stream) const;
    virtual void LoadFromStream(QIODevice& stream);
    virtual void SaveToFile(const QString& fileName) const;
    virtual void LoadFromFile(const QString& fileName);

    // Keeps the overlapping top-left part and zero-fills the rest; negative sizes count as 0.
    void SetSize(int32_t rows, int32_t cols);
    void SetRows(int32_t n) { SetSize(n, FCols); }
    void SetCols(int32_t n) { SetSize(FRows, n); }
    // Same class and item size only.
    void Assign(const TMatrix& other);
    bool Equals(const TMatrix& other) const;

protected:
    std::byte* Bytes() { return FData.get(); }
    const std::byte* Bytes() const { return FData.get(); }

private:
    bool SameKind(const TMatrix& other) const;

    std::unique_ptr<std::byte[]> FData;
    int32_t FRows = 0;
    int32_t FCols = 0;
    int32_t FItemSize = 0;
};

class TDoubleMatrix : public TMatrix {
public:
    explicit TDoubleMatrix(int32_t rows = 0, int32_t cols = 0) : TMatrix(rows, cols, 8) {}
    // 0 outside the matrix.
    double Items(int32_t r, int32_t c) const;
    void SetItems(int32_t r, int32_t c, double value) { PutItem(r, c, &value); }
    double* Data() { return static_cast<double*>(TMatrix::Data()); }
    const double* Data() const { return static_cast<const double*>(TMatrix::Data()); }
};

class TIntegerMatrix : public TMatrix {
public:
    explicit TIntegerMatrix(int32_t rows = 0, int32_t cols = 0) : TMatrix(rows, cols, 4) {}
    int32_t Items(int32_t r, int32_t c) const;
    void SetItems(int32_t r, int32_t c, int32_t value) { PutItem(r, c, &value); }
    int32_t* Data() { return static_cast<int32_t*>(TMatrix::Data()); }
    const int32_t* Data() const { return static_cast<const int32_t*>(TMatrix::Data()); }
};

// Pointers to separately allocated, zero-initialised records of one size; at most
// MaxCapacity of them. A descendant that overrides NewItem and FreeItem must call Clear in
// its own destructor, since the base destructor can only use the base FreeItem.
class TItemList : public TChangeNotifier<TItemList> {
public:
    static constexpr int32_t MaxCapacity = 16382;

    TItemList(int32_t initialCapacity, int32_t itemSize);
    ~TItemList() override;
    TItemList(const TItemList&) = delete;

    int32_t Count() const { return FCount; }
    int32_t Capacity() const { return FCapacity; }
    int32_t ItemSize() const { return FItemSize; }
    // The record at index, or null when index is out of range.
    void* Item(int32_t index);
    const void* Item(int32_t index) const;

    virtual void NewItem(void*& item);
    virtual void FreeItem(void*& item);
    virtual bool GetItem(int32_t index, void* buffer) const;
    virtual void PutItem(int32_t index, const void* buffer);
    virtual void SaveToStream(QIODevice& stream) const;
    // Adds the stored records after the ones already present.
    virtual void LoadFromStream(QIODevice& stream);
    virtual void SaveToFile(const QString& fileName) const;
    virtual void LoadFromFile(const QString& fileName);

    // Raises EArrayError when the list already holds MaxCapacity records.
    int32_t Add(const void* buffer);
    void Grow();
    // Limited to 0..MaxCapacity; shrinking below Count frees the records beyond it.
    void SetCapacity(int32_t n);
    void Clear() { SetCapacity(0); }
    // Same class and item size only; raises EArrayError, changing nothing, when the result
    // would exceed MaxCapacity.
    void Append(const TItemList& other);
    void Assign(const TItemList& other);
    bool Equals(const TItemList& other) const;

    // Notifies even inside an open bracket.
    void Changed() override;

private:
    bool SameKind(const TItemList& other) const;

    std::vector<void*> FItems;
    int32_t FCount = 0;
    int32_t FCapacity = 0;
    int32_t FItemSize = 0;
};

} // namespace kolvar
