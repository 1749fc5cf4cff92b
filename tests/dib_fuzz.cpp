// libFuzzer target for the BMP reader: any bytes must give an image or a
// message, never a crash, an out-of-bounds read, undefined behaviour or a leak.
#include <cstddef>
#include <cstdint>

#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<DibImage> image = decodeDibImage(data, size);
    if (image) {
        // The promised shape of every image returned.
        const std::size_t expected = static_cast<std::size_t>(image->width) * image->height * 3;
        if (image->width <= 0 || image->height <= 0 || image->pixels.size() != expected) __builtin_trap();
    }
    return 0;
}
