#pragma once
// The metafile fuzz targets' shared body: play one input, swallowing only the player's error.
// Text drawing needs fonts, so the targets start an offscreen GUI application first.

#include "formats/Metafile.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

namespace kolvar::fuzz {

inline void StartMetafileFuzzer() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_metafile";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

inline void PlayMetafile(const uint8_t* data, size_t size, bool enhanced) {
    // Giant pictures are legal but slow; the fuzzers look for faults, not for the size limit.
    constexpr int64_t kPixelLimit = int64_t(1) << 22;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        QSize picture = MetafilePictureSize(bytes, enhanced);
        if (int64_t(picture.width()) * picture.height() > kPixelLimit) return;
        if (LoadMetafile(bytes, enhanced).size() != picture) __builtin_trap();
    } catch (const EMetafileError&) {
    }
}

} // namespace kolvar::fuzz
