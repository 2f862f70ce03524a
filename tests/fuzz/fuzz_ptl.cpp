// Texture library files: only the library's own error may escape.
#include "app/TextureLib.h"
#include "fuzz/FuzzReaders.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kolvar::SetPicturePixelLimit(kolvar::fuzz::kFuzzPixelLimit);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kolvar::TTextureLib lib;
    try {
        lib.LoadFromBytes(kolvar::fuzz::Bytes(data, size));
    } catch (const kolvar::ETextureLibError&) {
    }
    QImage texture;
    for (int i = 0; i < lib.GetCount(); ++i) lib.GetTexture(i, texture);
    return 0;
}
