// image_fixture.h - what the image tests share: bytes written to a temporary
// file and mapped, and the colour table's gamma data put back after a test.
#pragma once

#include "files/xmap.h"
#include "graphics/gamma.h"
#include "support/testkit.h"

#include <memory>
#include <string>

// A temporary file holding bytes, mapped for as long as the object lives.
class mapped_file {
public:
    explicit mapped_file(const std::string& bytes, const std::string& name = "image")
        : path_(dir_ / name)
    {
        write_file(path_, bytes);
        map_ = std::make_unique<xmap_class>(path_);
    }
    xmap_class* get() { return map_.get(); }
    const std::string& path() const { return path_; }
private:
    temp_dir dir_;
    std::string path_;
    std::unique_ptr<xmap_class> map_;
};

// Sets gamma correction on or off for its lifetime, then restores the defaults.
class gamma_setting {
public:
    explicit gamma_setting(bool on) { colr_gamma.gamma_off = on ? 0 : 1; }
    ~gamma_setting() { colr_gamma.reset(); }
    gamma_setting(const gamma_setting&) = delete;
    gamma_setting& operator=(const gamma_setting&) = delete;
};

#include <csignal>
#include <sys/resource.h>

// Lowers the largest file this process may write, as a full disc would stop a
// writer: a write past it fails with EFBIG instead of raising SIGXFSZ.
class file_size_limit {
public:
    explicit file_size_limit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit l = saved_;
        l.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &l);
    }
    ~file_size_limit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    file_size_limit(const file_size_limit&) = delete;
    file_size_limit& operator=(const file_size_limit&) = delete;
private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};
