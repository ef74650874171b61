// Writes the fuzz target's seed archives into the folder given as argument:
// folders, files, a link, a "__MACOSX" entry, stored and deflated data, zip64
// fields, and the hostile names the target watches for: "..", an absolute name,
// a link followed by an entry below it, links that lead out, and entries that
// share their data.
#include "support/zip_builder.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_zip_seeds <folder>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const unsigned long file = 0100644, exe = 0100755, link = 0120777, folder = 0040755;
    bool ok = make_zip(dir + "tree.zip", {{"top/", "", folder},
                                          {"top/run.sh", "#!/bin/sh\necho hi\n", exe, 0, dos_date(2007, 6, 15, 10, 30, 0)},
                                          {"top/link", "run.sh", link},
                                          {"__MACOSX/top/._run.sh", "fork", file}});
    ok = make_zip(dir + "stored.zip", {{"a.txt", "stored text, stored text", file, 0x20, 0, 3, true}}) && ok;
    ok = make_zip(dir + "deflated.zip", {{"d/e/f.txt", std::string(3000, 'x') + "tail", file}}) && ok;
    ok = make_zip(dir + "empty.zip", {}) && ok;
    ok = make_zip(dir + "dotdot.zip", {{"ok.txt", "fine", file}, {"../up.txt", "escaped", file},
                                       {"sub/../../up2.txt", "escaped", file}}) && ok;
    // The fuzz target watches for this very name.
    ok = make_zip(dir + "absolute.zip", {{"/tmp/sky-fuzz-escaped", "escaped", file}}) && ok;
    ok = make_zip(dir + "link_then_entry.zip", {{"link", "..", link}, {"link/x", "escaped", file}}) && ok;
    ok = make_zip(dir + "links_out.zip", {{"sub/", "", folder},
                                          {"up", ".", link},
                                          {"sub/abs", "/tmp", link},
                                          {"sub/climb", "../../x", link},
                                          {"sub/through", "../up/..", link},
                                          {"sub/fine", "../up/sub", link}}) && ok;
    ok = make_shared_data_zip(dir + "shared.zip", {"f00.bin", std::string(4096, 'z'), file}, 4) && ok;
    sparse_entry wide{"zip64.txt", 0, "every size and offset in the zip64 field"};
    wide.zip64_always = true;
    ok = make_sparse_zip64(dir + "zip64.zip", {wide, {"plain.txt", 0, "beside it"}}) && ok;
    return ok ? 0 : 1;
}
