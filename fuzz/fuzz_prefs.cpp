// libFuzzer target: the preference reader on arbitrary bytes, as the installer
// set's file (variables bound the way the installer binds its own) and as the
// display set's file. Every key read is one word; every value lies on one line.
#include "fuzz_scratch.h"

#include "files/pref_files.h"
#include "foundation/hl_types.h"

#include <sys/stat.h>

namespace {

struct installer_vars {
    int use_max_cpu, rename_folder, stream_count, log_actions, always_ask_dir, proxy_port;
    std::string dest_dir_path, proxy_host, proxy_port_text;
};

installer_vars vars;
std::string installer_file;

std::string installer_path() { return installer_file; }

void bind_installer_set()
{
    pref.bind_path(pref_set_installer, installer_path);
    pref.bind_int(pref_set_installer, "_use_max_cpu", &vars.use_max_cpu);
    pref.bind_int(pref_set_installer, "_rename_folder", &vars.rename_folder);
    pref.bind_int(pref_set_installer, "_stream_count", &vars.stream_count);
    pref.bind_int(pref_set_installer, "_log_actions", &vars.log_actions);
    pref.bind_int(pref_set_installer, "_always_ask_dir", &vars.always_ask_dir);
    pref.bind_string(pref_set_installer, "_dest_dir_path", &vars.dest_dir_path);
    pref.bind_string(pref_set_installer, "_proxy_host", &vars.proxy_host);
    pref.bind_string(pref_set_installer, "_proxy_port", &vars.proxy_port_text);
    pref.bind_int(pref_set_installer, "_proxy_port_int", &vars.proxy_port);
}

bool is_one_word(const std::string& key)
{
    return !key.empty() && key.find_first_of(" \t\r\n", 0) == std::string::npos &&
           key.find('\0') == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const fuzz_scratch scratch;
    static const bool ready = [] {
        app_path = scratch.dir + "/"; // the display set's file lies below it
        installer_file = "Skylume Installer.prf";
        bind_installer_set();
        return mkdir((scratch.dir + "/Resources").c_str(), 0755) == 0 &&
               mkdir((scratch.dir + "/Resources/preferences").c_str(), 0755) == 0;
    }();
    fuzz_expect(ready, "the preference folders are made");
    scratch.write(installer_file, data, size);
    scratch.write("Resources/preferences/Res Skysuite.prf", data, size);

    scan_class scan(installer_file, 0);
    for (const auto& kv : scan.values) {
        fuzz_expect(is_one_word(kv.first), "a key is one word");
        fuzz_expect(kv.second.find_first_of(std::string("\r\n\0", 3)) == std::string::npos,
                    "a value lies on one line");
    }
    pref.IO_set(pref_set_installer, 0);
    pref.IO_set(pref_set_display, 0);
    return 0;
}
