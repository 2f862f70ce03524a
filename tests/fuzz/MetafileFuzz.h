#pragma once
// The metafile fuzz targets' shared body: play one input, swallowing only the player's error.
// Text drawing needs fonts, so the targets start an offscreen GUI application first. Run them
// with LSAN_OPTIONS=suppressions=tests/fuzz/metafile.lsan: the font library keeps lookups it
// never frees.

#include "formats/DecodeBudget.h"
#include "formats/Metafile.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>

namespace kolvar::fuzz {

inline void StartMetafileFuzzer() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_metafile";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    // Font lookups fill caches once; do the common ones before the first input.
    QImage scratch(8, 8, QImage::Format_RGB32);
    QPainter p(&scratch);
    for (const char* face : {"Arial", "Times New Roman", "Courier New", "Symbol"}) {
        p.setFont(QFont(QString::fromLatin1(face)));
        p.drawText(0, 8, QStringLiteral("Aa"));
    }
}

inline void PlayMetafile(const uint8_t* data, size_t size, bool enhanced) {
    // Giant pictures are legal but slow; the fuzzers look for faults, not for the size limit.
    constexpr int64_t kPixelLimit = int64_t(1) << 22;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        TDecodeLimits limits;
        limits.MetafileBytes = int64_t(128) << 20;
        limits.MetafileDrawing = int64_t(1) << 28;
        TDecodeBudget budget(limits);
        TDecodeScope scope(budget);
        QSize picture = MetafilePictureSize(bytes, enhanced);
        if (int64_t(picture.width()) * picture.height() > kPixelLimit) return;
        if (LoadMetafile(bytes, enhanced).size() != picture) __builtin_trap();
    } catch (const EMetafileError&) {
    } catch (const EDecodeBudgetError&) {
    }
}

} // namespace kolvar::fuzz
