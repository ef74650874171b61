// libFuzzer target: TEX_load_bmp on arbitrary bytes. Whatever the header
// claims, the reader must not read past the bytes or write past its buffer;
// its fatal alerts for a wrong depth or compression are expected.
#include "fuzz_image.h"

#include "graphics/tex_bmp.h"


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_init();
    fuzz_mapping m(data, size);
    const fuzz_options o(data, size);
    fuzz_pixels out(o.caller_buffer);
    TEX_image_desc d{};
    try {
        TEX_load_bmp("fuzz.bmp", &m.map, out.px, out.capacity, o.desired, o.row_pixels, o.make_pow2, d);
    } catch (const fuzz_fatal&) {
    }
    return 0;
}
