// libFuzzer target: TEX_load_any on a file holding arbitrary bytes, so the
// sniffer and both readers meet the bytes through a real mapping. Must not
// crash, leak, or write past its buffer; the readers' fatal alerts are expected.
#include "fuzz_image.h"
#include "fuzz_scratch.h"

#include "graphics/tex_any.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

struct scratch_file {
    std::string dir = fuzz_scratch_folder();
    std::string path = dir + "/image";
    ~scratch_file()
    {
        unlink(path.c_str());
        rmdir(dir.c_str());
    }
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
    fuzz_pixels out(o.caller_buffer);
    TEX_image_desc d{};
    try {
        TEX_load_any(f.path, out.px, out.capacity, o.desired, o.row_pixels, o.follow_alpha, d);
    } catch (const fuzz_fatal&) {
    }
    return 0;
}
