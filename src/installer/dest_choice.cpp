// dest_choice.cpp - destination folder choice and the product-folder test.
#include "installer/dest_choice.h"

#include "engine/dest_state.h"
#include "engine/install_records.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "shell/folder_chooser.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

int no_chooser(int, const char*, const char*, int, const char*, char*, std::size_t)
{
    xer << "No folder chooser is available; the destination stays " << dest_dir_path << "\n";
    return 0;
}

folder_chooser_fn chooser = GetFilePathFromUser; // the shell's chooser; tests put a script in its place

// The answer as a folder path, or empty when the chooser wrote something that
// is not one: no NUL inside the buffer (cut), relative, or no final '/'.
std::string answer_folder(const char* buf, std::size_t size)
{
    const void* nul = std::memchr(buf, '\0', size);
    if (!nul) return {};
    std::string folder(buf, static_cast<const char*>(nul) - buf);
    if (folder.empty() || folder.front() != '/' || folder.back() != '/') return {};
    return folder;
}

// A path as a log line or an alert shows it: a stored path can be megabytes long.
std::string cut_short(const std::string& path)
{
    constexpr size_t shown = 120;
    return path.size() <= shown ? path : path.substr(0, shown) + "... (" + std::to_string(path.size()) + " bytes)";
}

} // namespace

const char* const product_folder_name = "Skylume";

bool INS_refuse_dest(const std::string& dest, const char* from)
{
    const std::string why = dest.empty() ? "Its path is empty." : ENG_dest_refusal(dest);
    if (why.empty()) return false;
    std::string shown = cut_short(dest);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?'; // one line in the log
    xer << "The destination from the " << from << " is refused: " << why << " '" << shown << "'\n";
    // Start-up has the window up before the destination is read: the user
    // sees why the folder they named is not the one shown, before INSTALL can
    // be pressed into the one kept.
    MACIBM_alert(0, std::string("I cannot use the destination from the ") + from + ".", why, shown,
                 "The destination stays " + cut_short(dest_dir_path) + ".", t_alert);
    return true;
}

folder_chooser_fn INS_set_folder_chooser(folder_chooser_fn fn)
{
    const folder_chooser_fn old = chooser;
    chooser = fn ? fn : no_chooser;
    return old;
}

int pick_dest_path()
{
    std::vector<char> answer(dest_answer_size, '\0');
    const int chosen = chooser(2,
                               "Pick a folder to install Skylume to! Be sure to pick your existing folder if you "
                               "already have one!",
                               "This is my Skylume destination", 1, dest_dir_path.c_str(), answer.data(),
                               answer.size());
    app_path.clear(); // the chooser works with absolute paths from here on
    if (!chosen) return 0;
    const std::string folder = answer_folder(answer.data(), answer.size());
    if (folder.empty()) {
        xer << "The folder chooser's answer is not a folder path; the destination stays " << dest_dir_path << "\n";
        return 0;
    }
    if (INS_refuse_dest(folder, "folder chooser")) return 0;
    dest_dir_path = folder;
    if (!path_is_to_a_sim()) {
        dest_dir_path += product_folder_name;
        dest_dir_path += "/";
    }
    // Flushed: the user, and the tests that drive the chooser, may look before the run ends.
    xer << "The destination is now " << dest_dir_path << "\n";
    xer.flush();
    return 1;
}

int path_is_to_a_sim() { return ENG_holds_marker_folders(dest_dir_path); }
