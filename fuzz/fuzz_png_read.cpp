// libFuzzer target: TEX_load_png on arbitrary bytes behind a PNG signature.
// Whatever the bytes, the reader must not read past them, write past its
// buffer or leak; its fatal alert for a damaged file is expected.
#include "fuzz_image.h"

#include "graphics/tex_png.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_init();
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Keep the fuzzer past the signature check, which is fatal by design.
    if (size < 8 || std::memcmp(data, signature, 8) != 0) return 0;
    fuzz_mapping m(data, size);
    const fuzz_options o(data, size);
    std::vector<unsigned char> buffer(o.caller_buffer ? 1 << 20 : 0);
    unsigned char* px = o.caller_buffer ? buffer.data() : nullptr;
    TEX_image_desc d{};
    try {
        TEX_load_png("fuzz.png", &m.map, px, buffer.size(), o.desired, o.row_pixels, o.make_pow2, o.follow_alpha, d);
    } catch (const fuzz_fatal&) {
    }
    if (!o.caller_buffer) std::free(px);
    return 0;
}
