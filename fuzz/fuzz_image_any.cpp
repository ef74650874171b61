// libFuzzer target: TEX_load_any on a file holding arbitrary bytes, so the
// sniffer and both readers meet the bytes through a real mapping. Must not
// crash, leak, or write past its buffer; the readers' fatal alerts are expected.
#include "fuzz_image.h"

#include "graphics/tex_any.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct scratch_file {
    std::string path;
    scratch_file()
    {
        char tmpl[] = "/tmp/sky-fuzz-image-XXXXXX";
        const int fd = mkstemp(tmpl);
        if (fd < 0) std::abort();
        close(fd);
        path = tmpl;
    }
    ~scratch_file() { unlink(path.c_str()); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_init();
    static scratch_file f;
    if (FILE* out = std::fopen(f.path.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    const fuzz_options o(data, size);
    std::vector<unsigned char> buffer(o.caller_buffer ? 1 << 20 : 0);
    unsigned char* px = o.caller_buffer ? buffer.data() : nullptr;
    TEX_image_desc d{};
    try {
        TEX_load_any(f.path, px, buffer.size(), o.desired, o.row_pixels, o.follow_alpha, d);
    } catch (const fuzz_fatal&) {
    }
    if (!o.caller_buffer) std::free(px);
    return 0;
}
