// libFuzzer target: TEX_load_dds on arbitrary bytes, then what the texture
// manager does with an accepted file: copy the claimed levels out of the
// mapping, turn them over, and shrink an uncompressed base level. Nothing may
// read past the bytes or past the copy.
#include "fuzz_image.h"

#include "graphics/tex_dds.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_init();
    fuzz_mapping m(data, size);
    const unsigned char* px = nullptr;
    TEX_image_desc d{};
    if (!TEX_load_dds("fuzz.dds", &m.map, px, d)) return 0;
    const int bytes = TEX_bytes_needed_for_image(d);
    if (bytes <= 0) __builtin_trap(); // an accepted file is always sized
    std::vector<unsigned char> copy(px, px + bytes);
    TEX_flip_y(d, copy.data());
    if (TEX_bytes_per_pixel(d.format)) {
        const unsigned char key[3] = {255, 0, 255};
        TEX_chroma_key(d, copy.data(), key, 8);
        TEX_downscale(d, copy.data(), 2, 2);
    }
    return 0;
}
