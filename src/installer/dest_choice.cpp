// dest_choice.cpp - destination folder choice and the product-folder test.
#include "installer/dest_choice.h"

#include "engine/install_records.h"
#include "files/opensave.h"
#include "foundation/hl_types.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

int no_chooser(int, const char*, const char*, int, const char*, char*, std::size_t)
{
    xer << "No folder chooser is available; the destination stays " << dest_dir_path << "\n";
    return 0;
}

folder_chooser_fn chooser = no_chooser;

const char* const marker_folders[] = {"Airfoils", "Instructions", "Output", "Resources"};
constexpr int marker_count = 4;

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

} // namespace

const char* const product_folder_name = "Skylume";

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
    dest_dir_path = folder;
    if (path_is_to_a_sim()) return 1;
    dest_dir_path += product_folder_name;
    dest_dir_path += "/";
    return 1;
}

int path_is_to_a_sim()
{
    std::vector<std::string> names;
    std::vector<int> kinds;
    const int count = opensave_getitems(dest_dir_path, file_kind_any, names, kinds);
    if (count < 1) return 0;
    bool ticked[marker_count] = {};
    for (size_t i = 0; i < names.size(); ++i) {
        if (kinds[i] != file_kind_folder) continue;
        for (int m = 0; m < marker_count; ++m)
            if (names[i].find(marker_folders[m]) != std::string::npos) ticked[m] = true;
    }
    for (bool t : ticked)
        if (!t) return 0;
    return 1;
}
