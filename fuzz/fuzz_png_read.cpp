// libFuzzer target: TEX_load_png on arbitrary bytes behind a PNG signature.
// Whatever the bytes, the reader must not read past them, write past its
// buffer or leak; its fatal alert for a damaged file is expected. The chunks'
// CRCs are made right before decoding, so that mutations reach the chunk
// parsers and the transformations instead of stopping at the first CRC check.
#include "fuzz_image.h"

#include "graphics/tex_png.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::uint32_t be32(const unsigned char* p) { return (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// Rewrites the CRC of every whole chunk after the signature.
void repair_crcs(std::vector<unsigned char>& f)
{
    std::size_t at = 8;
    while (f.size() - at >= 12) {
        const std::uint32_t len = be32(&f[at]);
        if (len > f.size() - at - 12) break;
        const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, &f[at + 4], len + 4));
        for (int i = 0; i < 4; ++i) f[at + 8 + len + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
        at += 12 + std::size_t(len);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_init();
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Keep the fuzzer past the signature check, which is fatal by design.
    if (size < 8 || std::memcmp(data, signature, 8) != 0) return 0;
    std::vector<unsigned char> file(data, data + size);
    repair_crcs(file);
    fuzz_mapping m(file.data(), file.size());
    const fuzz_options o(data, size);
    fuzz_pixels out(o.caller_buffer);
    TEX_image_desc d{};
    try {
        TEX_load_png("fuzz.png", &m.map, out.px, out.capacity, o.desired, o.row_pixels, o.make_pow2, o.follow_alpha, d);
    } catch (const fuzz_fatal&) {
    }
    return 0;
}
