// files_fixture.h - what the file-layer tests share: app_path pointed at a
// temporary folder, and deterministic fixture bytes.
#pragma once

#include "hl_types.h"

#include <cstddef>
#include <string>

// Sets app_path for its lifetime (the prefix every file call puts in front).
class app_path_guard {
public:
    explicit app_path_guard(const std::string& prefix) : saved(app_path) { app_path = prefix; }
    ~app_path_guard() { app_path = saved; }
    app_path_guard(const app_path_guard&) = delete;
    app_path_guard& operator=(const app_path_guard&) = delete;
private:
    std::string saved;
};

// n bytes of a fixed pattern with period 251, so no block repeats at 64-byte steps.
inline std::string pattern_bytes(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + 7) % 251);
    return s;
}
