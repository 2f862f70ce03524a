#pragma once
// Small helpers shared by the test suites.

#include "raster/DibContainer.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdlib>
#include <string>

namespace kolvar::test {

inline QByteArray ReadFileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QString TestDataPath(const QString& name) {
    return QStringLiteral(KOLVAR_TEST_DATA "/") + name;
}

// A W x H picture of the C library's random bytes after srand(Seed): every pixel differs from
// its neighbours, so any misplaced pixel shows.
inline TDibContainer NoisyImage(int32_t W, int32_t H, unsigned Seed) {
    TDibContainer c(W, H);
    std::srand(Seed);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            c.SetPixel(x, y,
                       TDibColor{uint8_t(std::rand()), uint8_t(std::rand()), uint8_t(std::rand())});
    return c;
}

} // namespace kolvar::test
