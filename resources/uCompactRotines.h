#pragma once
// Access to the data files linked into the program as zlib-compressed blobs.

#include <QBuffer>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <stdexcept>

namespace kolvar {

// A name for which the program carries no resource.
class EResNotFound : public std::runtime_error {
public:
    explicit EResNotFound(const QString& name);
};

// A resource stream that is not a valid zlib stream.
class EZDecompressionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TCompressedResource {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

// The generated table of blobs, ended by an entry whose name is null.
const TCompressedResource* CompressedResourceTable();

// Names of every linked resource, in table order.
QStringList CompressedResourceNames();

// Inflates the named resource and appends it to stream, then rewinds stream to position 0.
// The caller creates and owns stream; it is opened for reading and writing when it is not.
void LoadCompressedResource(const QString& name, QBuffer& stream);

// Only the inflation step: inflates everything resource yields and appends it to stream.
void LoadCompressedResource(QIODevice& resource, QBuffer& stream);

// Convenience for readers that want the bytes: the inflated resource.
QByteArray CompressedResourceBytes(const QString& name);

} // namespace kolvar
