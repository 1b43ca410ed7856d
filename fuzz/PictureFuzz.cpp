// One picture decoder per target (chosen at build time by GV_PICTURE_DECODER):
// any bytes must decode or fail cleanly, and a picture that decodes must hold
// exactly the pixels its size says.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/image/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    img::Image picture;
    const img::DecodeError e = img::GV_PICTURE_DECODER(data, size, picture);
    if (e == img::DecodeError::None) {
        if (picture.width <= 0 || picture.height <= 0 ||
            picture.rgba.size() != size_t(picture.width) * size_t(picture.height) * 4)
            std::abort();
    } else if (!picture.rgba.empty() || picture.width != 0) {
        std::abort(); // a failure leaves no half picture behind
    }
    return 0;
}
