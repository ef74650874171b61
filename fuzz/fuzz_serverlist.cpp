// libFuzzer target: the about window's server-list body on arbitrary bytes,
// then the version decision on what it read. Whatever the bytes, reading must
// stay inside them, and an MD5 taken from the list is either none or 32
// lower-case hex digits; a download is offered only with a server, a path
// beginning with '/' and such an MD5.
#include "shell/about_check.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool md5_ok(const std::string& md5)
{
    if (md5.empty()) return true;
    if (md5.size() != 32) return false;
    for (char c : md5)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* begin = reinterpret_cast<const char*>(data);
    about_versions kept;
    about_reading found;
    ABOUT_parse_list(begin, begin + size, kept, found);
    if (!md5_ok(found.beta.md5) || !md5_ok(found.final_release.md5)) std::abort();
    const about_decision d = ABOUT_decide(kept, found);
    if (d.ins_state == ins_awaiting_click &&
        (d.offered.server.empty() || d.offered.path.empty() || d.offered.path[0] != '/' || d.offered.md5.size() != 32))
        std::abort();
    return 0;
}
