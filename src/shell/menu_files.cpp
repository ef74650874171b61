// menu_files.cpp - menus read from the language's menu file, and the glyph-code
// text of Korean menus.
//
//   lines      the reader's line rules over the mapped bytes
//   numbers    the number field of a line
//   glyphs     char_string_to_int_string
//   reader     MACIBM_read_menus
#include "shell/menus.h"

#include "files/xmap.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <climits>

namespace {

constexpr int korean = 6;

const char* const menu_folders[] = {"menus/english/", "menus/french/",    "menus/german/", "menus/italian/",
                                    "menus/spanish/", "menus/portugese/", "menus/korean/"};

// ---- lines --------------------------------------------------------------------------

bool ends_line(char c) { return c == '\r' || c == '\n' || c == '\0'; }
bool is_gap(char c) { return ends_line(c) || c == '\t' || c == ' '; }

// The next line from cursor: leading blanks skipped, trailing blanks kept, and
// every blank or line end after it skipped, so blank lines never count. An
// empty result means the end of the data.
std::string next_line(const char*& cursor, const char* end)
{
    while (cursor < end && (*cursor == ' ' || *cursor == '\t')) ++cursor;
    const char* start = cursor;
    while (cursor < end && !ends_line(*cursor)) ++cursor;
    std::string line(start, cursor);
    while (cursor < end && is_gap(*cursor)) ++cursor;
    return line;
}

// ---- numbers ---------------------------------------------------------------------------

constexpr std::size_t max_number_field = 499;

// A decimal integer with an optional sign; -1 when the field is empty, longer
// than the format allows, holds anything but digits and signs, or does not
// fit an int.
int field_to_int(const std::string& field)
{
    if (field.empty() || field.size() > max_number_field) return -1;
    for (char c : field)
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-')) return -1;
    std::size_t p = 0;
    long long sign = 1;
    if (field[p] == '+' || field[p] == '-') sign = field[p++] == '-' ? -1 : 1;
    long long value = 0;
    for (; p < field.size() && field[p] >= '0' && field[p] <= '9'; ++p) {
        value = value * 10 + (field[p] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) return -1;
    }
    value *= sign;
    if (value > INT_MAX || value < INT_MIN) return -1;
    return static_cast<int>(value);
}

// Number field up to the first space (a tab does not end it), then the text
// after the spaces that follow it.
void split_line(const std::string& line, std::string& number, std::string& text)
{
    const std::size_t space = line.find(' ');
    number = line.substr(0, space);
    text.clear();
    if (space == std::string::npos) return;
    const std::size_t rest = line.find_first_not_of(' ', space);
    if (rest != std::string::npos) text = line.substr(rest);
}

void as_glyphs_when_korean(std::string& text)
{
    if (mnw.lang == korean) char_string_to_int_string(&text);
}

} // namespace

std::string MACIBM_menu_folder(int lang)
{
    const int count = static_cast<int>(sizeof menu_folders / sizeof menu_folders[0]);
    return lang >= 0 && lang < count ? menu_folders[lang] : "";
}

// ---- glyphs ---------------------------------------------------------------------------------

void char_string_to_int_string(std::string* text)
{
    const std::string& in = *text;
    if (in.empty() || in[0] == '-' || in[0] == '=') return;
    std::string out;
    std::size_t p = 0;
    while (p < in.size()) {
        if (in[p] == ' ') {
            ++p;
            continue;
        }
        int value = 0;
        for (int n = 0; n < 3 && p < in.size() && in[p] != ' '; ++n, ++p) {
            const char c = in[p];
            const int d = (c >= '0' && c <= '9') ? c - '0' : c == '+' ? 1 : c == '-' ? -1 : 0;
            value = value * 10 + d;
        }
        if (value < 0) continue;
        out += static_cast<char>(value / 127 + 1);
        out += static_cast<char>(value % 127 + 1);
    }
    *text = out;
}

// ---- reader -----------------------------------------------------------------------------------

void MACIBM_read_menus(std::string folder, std::string file)
{
    const std::string path = folder + MACIBM_menu_folder(mnw.lang) + file;
    xmap_class map(path);
    static const int versions[] = {1, 0};
    if (map.check_file(io_text, versions, nullptr, nullptr) == 0) {
        MACIBM_alert(0, "Cannot open file!", path, "Trash this copy and re-install Skylume.", "", t_exit);
        return;
    }
    const char* cursor = map.cursor;
    std::string number, text;
    for (int m = 0;; ++m) {
        const std::string title_line = next_line(cursor, map.end);
        if (title_line.empty()) break;
        split_line(title_line, number, text);
        as_glyphs_when_korean(text);
        MACIBM_create_menu(m, field_to_int(number), text);
        for (int i = 0;; ++i) {
            const std::string line = next_line(cursor, map.end);
            if (line.empty() || line == "-") break;
            split_line(line, number, text);
            as_glyphs_when_korean(text);
            MACIBM_append_menu(m, i, field_to_int(number), text, 0);
        }
    }
    map.cursor = cursor;
}
