// language.cpp - the language's text folder and the platform's empty entry points.
#include "shell/language.h"

#include "foundation/hl_types.h"

namespace {

// "portugese" is the folder's name as shipped.
const char* const text_folders[] = {"text/english/", "text/french/",    "text/german/", "text/italian/",
                                    "text/spanish/", "text/portugese/", "text/korean/"};

} // namespace

std::string MACIBM_text_folder(int lang)
{
    constexpr int count = static_cast<int>(sizeof text_folders / sizeof text_folders[0]);
    return lang >= 0 && lang < count ? text_folders[lang] : "";
}

void MACIBM_setupforlang()
{
    // No per-language texts are read in this program: the folder is only worked out.
    const std::string folder = std::string() + MACIBM_text_folder(mnw.lang) + std::string();
    (void)folder;
}

void IBM_turnoff() {}

void go_to_URL(std::string) {}
