// libFuzzer target: the manifest reader on arbitrary bytes as "directory.txt":
// the header check, the body, and the examination of an empty product folder,
// with the engine's records fresh for every input. A path the reader refuses
// ends in a fatal alert, which the target catches; every path it accepts names
// a file inside the product folder.
#include "fuzz_scratch.h"

#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/stg.h"

#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz_scratch scratch;
    static const std::string product = scratch.dir + "/Product/";
    static const int made = mkdir(product.c_str(), 0755);
    fuzz_expect(made == 0, "the product folder is made");
    ENG_reset_records();
    stg = stg_class{};
    STG_set_defaults();
    is_net = 0;
    dest_dir_path = product;
    const std::string manifest = scratch.write("directory.txt", data, size);
    try {
        if (read_directory(manifest, "fuzz") != dir_ready) return 0;
    } catch (const fuzz_fatal_alert&) {
        return 0;
    }
    for (const file_history_struct& h : sim_info) {
        fuzz_expect(!h.versions.empty(), "every entry has a version");
        for (const file_version_struct& v : h.versions) {
            fuzz_expect(!path_has_no_file(v.path), "an accepted path names a file");
            fuzz_expect(path_stays_inside(v.path), "an accepted path stays inside the product folder");
        }
    }
    return 0;
}
