#include "resources/uCompactRotines.h"

#include <zlib.h>

#include <memory>

namespace kolvar {

EResNotFound::EResNotFound(const QString& name)
    : std::runtime_error(QStringLiteral("Resource %1 not found").arg(name).toStdString()) {}

namespace {

constexpr int kChunk = 4096;

// Pulls inflated data from a device, at most a caller-given number of bytes per read, the
// way a decompression stream is read.
class InflateReader {
public:
    explicit InflateReader(QIODevice& source) : source_(source) {
        if (inflateInit(&z_) != Z_OK) throw EZDecompressionError("zlib initialisation failed");
    }
    ~InflateReader() { inflateEnd(&z_); }
    InflateReader(const InflateReader&) = delete;
    InflateReader& operator=(const InflateReader&) = delete;

    // Returns the number of bytes written to out; 0 at the end of the stream.
    int read(char* out, int size) {
        z_.next_out = reinterpret_cast<Bytef*>(out);
        z_.avail_out = uInt(size);
        while (z_.avail_out > 0 && !finished_) {
            if (z_.avail_in == 0) refill();
            int rc = inflate(&z_, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                finished_ = true;
            } else if (rc == Z_BUF_ERROR && z_.avail_in == 0 && sourceDry_) {
                throw EZDecompressionError("Unexpected end of compressed data");
            } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
                throw EZDecompressionError(z_.msg ? z_.msg : "Invalid compressed data");
            }
        }
        return size - int(z_.avail_out);
    }

private:
    void refill() {
        qint64 n = source_.read(input_, sizeof input_);
        if (n <= 0) {
            sourceDry_ = true;
            n = 0;
        }
        z_.next_in = reinterpret_cast<Bytef*>(input_);
        z_.avail_in = uInt(n);
    }

    QIODevice& source_;
    z_stream z_{};
    char input_[kChunk];
    bool finished_ = false;
    bool sourceDry_ = false;
};

const TCompressedResource* findResource(const QString& name) {
    const QByteArray key = name.toUpper().toLatin1();
    for (const TCompressedResource* r = CompressedResourceTable(); r->name; ++r)
        if (key == r->name) return r;
    return nullptr;
}

void openForAppend(QBuffer& stream) {
    if (!stream.isOpen()) stream.open(QIODevice::ReadWrite);
    stream.seek(stream.size());
}

} // namespace

QStringList CompressedResourceNames() {
    QStringList names;
    for (const TCompressedResource* r = CompressedResourceTable(); r->name; ++r)
        names << QString::fromLatin1(r->name);
    return names;
}

void LoadCompressedResource(QIODevice& resource, QBuffer& stream) {
    InflateReader reader(resource);
    openForAppend(stream);
    char buffer[kChunk];
    for (;;) {
        int n = reader.read(buffer, kChunk);
        if (n == 0) break;
        stream.write(buffer, n);
    }
}

void LoadCompressedResource(const QString& name, QBuffer& stream) {
    const TCompressedResource* r = findResource(name);
    if (!r) throw EResNotFound(name);
    QByteArray raw =
        QByteArray::fromRawData(reinterpret_cast<const char*>(r->data), qsizetype(r->size));
    QBuffer resource(&raw);
    resource.open(QIODevice::ReadOnly);
    try {
        LoadCompressedResource(resource, stream);
    } catch (...) {
        stream.seek(0);
        throw;
    }
    stream.seek(0);
}

QByteArray CompressedResourceBytes(const QString& name) {
    QBuffer stream;
    LoadCompressedResource(name, stream);
    return stream.data();
}

} // namespace kolvar
