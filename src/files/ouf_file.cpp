// ouf_file.cpp - opening the output stream and writing the common header.
#include "files/ouf_file.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "io_paths.h"
#include "files/io_utils.h"
#include "files/xmap.h"

#include <cstdint>
#include <utility>

namespace {

// Everything up to and including the last '/' that is not the final character.
std::string folder_part(const std::string& full)
{
    if (full.size() < 2) return {};
    const std::string::size_type slash = full.rfind('/', full.size() - 2);
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

void write_header(int type, int version, const std::string& text)
{
    if (type == io_binary) {
        const std::uint32_t v = static_cast<std::uint32_t>(version);
        const char bytes[5] = {'i', char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF),
                               char((v >> 24) & 0xFF)};
        ouf.write(bytes, sizeof bytes);
    } else {
        ouf.setf(std::ios::fixed);
        // to_string: the stream may still carry a caller's hex or showpos flags
        ouf << "I\n" << std::to_string(version) << " version";
        if (text != "no-copyright-string") ouf << text;
        ouf << "\n";
    }
}

bool attempt(const std::string& full, int type, int version, const std::string& text)
{
    ouf.clear();
    ouf.close();
    ouf.clear();
    ouf.open(full, type == io_binary ? std::ios::out | std::ios::binary | std::ios::trunc
                                     : std::ios::out | std::ios::trunc);
    write_header(type, version, text);
    return ouf.good();
}

} // namespace

std::string ouf_target_path(const std::string& path)
{
    std::string full = app_path + path;
    if (full.size() >= 4)
        for (std::string::size_type i = full.size() - 3; i < full.size(); ++i)
            if (full[i] >= 'A' && full[i] <= 'Z') full[i] = static_cast<char>(full[i] - 'A' + 'a');
    return full;
}

int ouf_open(std::string path, int type, int version, std::string text)
{
    const std::string full = ouf_target_path(path);
    return ouf_open_full(full, full, type, version, std::move(text), path);
}

int ouf_open_full(const std::string& full, const std::string& shown, int type, int version, std::string text,
                  const std::string& received)
{
    if (type != io_binary && type != io_text) MACIBM_alert(0, "Bad ouf_open type!", received, "", "", t_exit);
    if (IO_path_length_ok(full, "ouf_open")) {
        if (attempt(full, type, version, text)) return 1;
        make_folder(folder_part(full));
        if (attempt(full, type, version, text)) return 1;
    }
    ouf.close();
    ouf.setstate(std::ios::failbit);
    ouf_alert_cannot_save(shown);
    return 0;
}

void ouf_alert_cannot_save(const std::string& shown)
{
    MACIBM_alert(0,
                 "I could not save the file! Could the directory that the file sits in be missing? Or flagged as "
                 "READ-ONLY by the operating system? (Windows machines typically do this).",
                 shown, "Could the file be flagged as read-only? This happens in Windows if you copy it from a CD!",
                 "Try putting this app in the background and then flag the file as NOT read-only, or creating "
                 "the folder listed in the path above.",
                 t_alert);
}
