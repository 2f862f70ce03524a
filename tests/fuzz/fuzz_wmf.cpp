#include "fuzz/MetafileFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kolvar::fuzz::StartMetafileFuzzer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kolvar::fuzz::PlayMetafile(data, size, false);
    return 0;
}
