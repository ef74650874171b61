// libFuzzer target: the common header check of the program's data files, on
// arbitrary bytes mapped from a file: the text header with and without a
// keyword, and the binary header followed by a word-swapping read. A matched
// version must be one of those asked for, and the read position must stay
// inside the file.
#include "fuzz_scratch.h"

#include "files/xmap.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz_scratch scratch;
    static const int versions[] = {840, 900, 9001, 0};
    const std::string path = scratch.write("data.txt", data, size);
    xmap_class m(path);
    fuzz_expect(m.begin != nullptr, "a regular file always maps");
    const auto check = [&](int type, const char* keyword) {
        std::string rest;
        const int version = m.check_file(type, versions, keyword, &rest);
        fuzz_expect(m.cursor >= m.begin && m.cursor <= m.end, "the read position stays inside the file");
        fuzz_expect(version == 0 || version == 840 || version == 900 || version == 9001, "a listed version");
        return version;
    };
    check(io_text, "INSTALLER");
    check(io_text, nullptr);
    if (check(io_binary, nullptr)) {
        char words[12];
        const std::size_t left = static_cast<std::size_t>(m.end - m.cursor);
        const std::size_t want = left < sizeof words ? left : sizeof words;
        fuzz_expect(m.read_n_rev(words, want) == 1, "a read of what is left succeeds");
        fuzz_expect(m.read_n_rev(words, 1) == 0 || want < left, "a read past the end is refused");
    }
    return 0;
}
