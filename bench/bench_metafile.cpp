// Playing time of old metafiles made to be slow: a full object table churned by "delete the
// last object, create a pen", at 4 and 16 MB. Each record should cost the same small time, so
// the time grows with the file and nothing else.

#include "formats/Metafile.h"

#include "../tests/formats/MetafileTestWriter.h"

#include <chrono>
#include <cstdio>

using namespace kolvar;
using namespace kolvar::test;

namespace {

QByteArray Churn(qsizetype bytes) {
    TWmfWriter w = TWmfWriter::OldStyle(65535);
    w.WindowExt(16, 16);
    for (int i = 0; i < 65535; ++i) w.Pen(0, 1, uint32_t(i));
    // 22 bytes per churn: a delete record and a pen record.
    for (qsizetype n = (bytes - 65535 * 16) / 22; n > 0; --n) w.Delete(65534).Pen(0, 1, 0xFF);
    return w.Bytes();
}

} // namespace

int main() {
    for (int megabytes : {4, 16}) {
        const QByteArray wmf = Churn(qsizetype(megabytes) << 20);
        const auto t0 = std::chrono::steady_clock::now();
        LoadMetafile(wmf, false);
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("object-table churn, %5.1f MB: %.3f s (%.1f MB/s)\n", wmf.size() / 1048576.0, s,
                    wmf.size() / 1048576.0 / s);
    }
    return 0;
}
