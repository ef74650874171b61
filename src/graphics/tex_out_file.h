// tex_out_file.h - the file an image writer fills. It is written under a
// temporary name in the same folder and renamed over its final name only when
// every write and the close succeeded, so a full disc or a failed write leaves
// no partial picture behind. Any thread; one object per file.
#pragma once

#include <cstdio>
#include <string>

class tex_out_file {
public:
    tex_out_file() = default;
    ~tex_out_file(); // abandons an uncommitted file
    tex_out_file(const tex_out_file&) = delete;
    tex_out_file& operator=(const tex_out_file&) = delete;

    int open(const std::string& full); // fopen(full + ".tmp", "wb"); 1 open, 0 not (nothing logged)
    int write(const void* bytes, std::size_t count); // 1 when all written; a failure is kept for commit
    int commit();  // flush, sync, close, rename over full: 1 done; else the temporary is removed (logged), 0
    void abandon(); // close and remove the temporary; the final name is left as it was

    std::FILE* file() const { return f; } // for libpng's writer
private:
    std::FILE* f = nullptr;
    bool failed = false;
    std::string final_path, temp_path;
};
