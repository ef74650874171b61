// key_tables.h - the keyboard layer's constant tables. Each ends with an
// all-zero row and is searched linearly from its first row; first match wins.
#pragma once

#include <cstdint>

struct key_name_row {
    unsigned char vkey;
    const char* code;  // identifier form, "SKYD_VK_..."
    const char* label; // shown to users
};

struct keysym_row {
    std::uint32_t keysym; // X11 keysym value
    unsigned char vkey;
};

struct ascii_row {
    unsigned char ascii;
    unsigned char vkey;
    unsigned char shift; // 1: typed with Shift on a US keyboard
};

constexpr int key_name_rows = 110;
constexpr int lin_mapping_rows = 109;
constexpr int lin_number_rows = 10;
constexpr int ascii_rows = 103;

extern const key_name_row kKeyNameTable[key_name_rows + 1];       // ascending codes
extern const keysym_row kLinMappings[lin_mapping_rows + 1];       // by the unshifted keysym
extern const keysym_row kLinMappingsNumbers[lin_number_rows + 1]; // digits on the shifted level
extern const ascii_row kAsciiTranslations[ascii_rows + 1];
