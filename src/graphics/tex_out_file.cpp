// tex_out_file.cpp - an image file written under a temporary name.
#include "graphics/tex_out_file.h"

#include "graphics/tex_image.h"

#include "foundation/safe_open.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

tex_out_file::~tex_out_file() { abandon(); }

int tex_out_file::open(const std::string& full)
{
    abandon();
    final_path = full;
    temp_path = full + ".tmp";
    // Made anew under its own name: a link planted there is removed, never written through.
    const int fd = UTL_create_temp(temp_path);
    f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (fd >= 0 && !f) close(fd);
    failed = false;
    return f ? 1 : 0;
}

int tex_out_file::write(const void* bytes, std::size_t count)
{
    if (!f || failed) return 0;
    if (count && std::fwrite(bytes, 1, count, f) != count) failed = true;
    return failed ? 0 : 1;
}

int tex_out_file::commit()
{
    if (!f) return 0;
    int err = 0;
    if (failed || std::ferror(f)) err = EIO;
    else if (std::fflush(f) != 0 || fsync(fileno(f)) != 0) err = errno;
    if (std::fclose(f) != 0 && !err) err = errno;
    f = nullptr;
    if (!err && std::rename(temp_path.c_str(), final_path.c_str()) != 0) err = errno;
    if (!err) return 1;
    TEX_log("image write failed: " + final_path + " (" + std::strerror(err) + ")");
    unlink(temp_path.c_str());
    return 0;
}

void tex_out_file::abandon()
{
    if (!f) return;
    std::fclose(f);
    f = nullptr;
    unlink(temp_path.c_str());
}
