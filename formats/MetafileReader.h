#pragma once
// Bounds-checked little-endian access to metafile bytes. Every read outside the window raises
// EMetafileError, so record handlers can read fields without checking each one themselves.

#include "formats/MetafileError.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kolvar {

class TMetafileReader {
public:
    TMetafileReader() = default;
    TMetafileReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit TMetafileReader(const QByteArray& bytes)
        : data_(reinterpret_cast<const uint8_t*>(bytes.constData())),
          size_(static_cast<size_t>(bytes.size())) {}

    size_t Size() const { return size_; }
    bool Fits(uint64_t offset, uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    void Require(uint64_t offset, uint64_t length) const {
        if (!Fits(offset, length)) throw EMetafileError("The metafile is damaged.");
    }
    const uint8_t* Data(uint64_t offset, uint64_t length) const {
        Require(offset, length);
        return data_ + offset;
    }
    TMetafileReader Sub(uint64_t offset, uint64_t length) const {
        return TMetafileReader(Data(offset, length), static_cast<size_t>(length));
    }

    uint8_t U8(uint64_t offset) const { return *Data(offset, 1); }
    uint16_t U16(uint64_t offset) const {
        const uint8_t* p = Data(offset, 2);
        return static_cast<uint16_t>(p[0] | (p[1] << 8));
    }
    int16_t I16(uint64_t offset) const { return static_cast<int16_t>(U16(offset)); }
    uint32_t U32(uint64_t offset) const {
        const uint8_t* p = Data(offset, 4);
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
               (uint32_t(p[3]) << 24);
    }
    int32_t I32(uint64_t offset) const { return static_cast<int32_t>(U32(offset)); }
    float F32(uint64_t offset) const {
        uint32_t bits = U32(offset);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace kolvar
