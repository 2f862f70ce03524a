#include "fuzz/FuzzReaders.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kolvar::SetPicturePixelLimit(kolvar::fuzz::kFuzzPixelLimit);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kolvar::fuzz::ReadBmpFile(data, size);
    return 0;
}
