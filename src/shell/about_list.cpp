// about_list.cpp - the server list "serverlist.txt" and the version decision.
//
//   fields     - integers, locations and MD5 words of one line
//   body       - ABOUT_parse_list, ABOUT_read_list
//   decision   - ABOUT_decide
#include "shell/about_check.h"

#include "files/text_scan.h"
#include "files/xmap.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// ---- fields ------------------------------------------------------------------------

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// An optional '-', an optional '+' after it (which makes the number positive
// again), then digits up to the field's end; no digits give 0. The value
// grows in 64 bits and stops at the int range, so a long number can never
// wrap round into a small or negative version. False, with out untouched,
// when the field holds anything but digits after its sign.
bool list_integer(text_cursor& s, int& out)
{
    s.skip_blanks();
    bool negative = false;
    if (!s.at_end() && *s.p == '-') {
        negative = true;
        ++s.p;
    }
    if (!s.at_end() && *s.p == '+') {
        negative = false;
        ++s.p;
    }
    const std::uint64_t cap = negative ? std::uint64_t{1} << 31 : std::numeric_limits<int>::max();
    std::uint64_t magnitude = 0;
    bool digits_only = true;
    for (; !s.at_end() && !TXT_is_space(*s.p); ++s.p) {
        if (!is_digit(*s.p)) digits_only = false;
        else magnitude = std::min(cap, magnitude * 10 + static_cast<std::uint64_t>(*s.p - '0'));
    }
    if (!digits_only) return false;
    out = static_cast<int>(negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude));
    return true;
}

// "<server> <path, the rest of the line>"
void list_location(text_cursor& s, about_location& where)
{
    s.skip_blanks();
    where.server = s.word();
    s.skip_blanks();
    where.path = s.rest_of_line();
}

// One word of 32 hex digits, kept in lower case; anything else counts as no MD5.
std::string list_md5(text_cursor& s)
{
    s.skip_blanks();
    std::string word = s.word();
    if (word.size() != 32) return std::string();
    for (char& c : word) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        else if (!is_digit(c) && !(c >= 'a' && c <= 'f')) return std::string();
    }
    return word;
}

void list_line(text_cursor& s, about_versions& kept, about_reading& found)
{
    s.skip_blanks();
    const std::string keyword = s.word(); // a keyword counts only as a whole word
    int number = 0;
    if (keyword == "FINAL") {
        s.skip_blanks();
        kept.version_str_net = s.rest_of_line();
        kept.version_str_found = 1;
    } else if (keyword == "BETA_INSTALLER_LIN") {
        list_location(s, found.beta);
    } else if (keyword == "FINAL_INSTALLER_LIN") {
        list_location(s, found.final_release);
    } else if (keyword == "BETA_INSTALLER_LIN_MD5") {
        found.beta.md5 = list_md5(s);
    } else if (keyword == "FINAL_INSTALLER_LIN_MD5") {
        found.final_release.md5 = list_md5(s);
    } else if (keyword == "BETA_VERSION") {
        if (list_integer(s, number)) kept.version_beta = number;
    } else if (keyword == "FINAL_VERSION") {
        if (list_integer(s, number)) kept.version_final = number;
    }
    // "BETA" (the beta's text) is read by no one; it and unknown words end here.
    s.skip_line();
}

// A location that can be downloaded without tripping the download client's
// checks (a server ending in '/', a path without its leading '/' are fatal
// there) and whose download can be verified.
bool usable(const about_location& where)
{
    return !where.server.empty() && where.server.back() != '/' && !where.path.empty() && where.path.front() == '/' &&
           where.md5.size() == 32;
}

} // namespace

// ---- body --------------------------------------------------------------------------

void ABOUT_parse_list(const char* begin, const char* end, about_versions& kept, about_reading& found)
{
    text_cursor s{begin, end};
    s.skip_space();
    while (!s.at_end()) {
        list_line(s, kept, found);
        s.skip_space(); // blank lines, and the line ends of every kind
    }
}

int ABOUT_read_list(const std::string& file, about_versions& kept, about_reading& found)
{
    xmap_class map(file);
    static const int versions[] = {serverlist_version, 0};
    if (map.check_file(io_text, versions, "SERVERS", nullptr) == 0) return 0;
    ABOUT_parse_list(map.cursor, map.end, kept, found);
    return 1;
}

// ---- decision ----------------------------------------------------------------------

about_decision ABOUT_decide(const about_versions& kept, const about_reading& found)
{
    about_decision d{ins_showing_message, 0, true, std::string(), about_location()};
    const std::string site = about_site_name;
    if (kept.version_final == -1) {
        d.message = "Can't connect to the net to find latest version.";
    } else if (kept.version_final == about_own_version) {
        d.message = "Your version of Skylume is up to date.";
    } else if (kept.version_final < about_own_version && kept.version_beta <= about_own_version) {
        d.message = "You have the latest Skylume beta.";
    } else {
        d.is_beta = kept.version_final < about_own_version ? 1 : 0;
        const about_location& where = d.is_beta ? found.beta : found.final_release;
        if (usable(where)) {
            d.ins_state = ins_awaiting_click;
            d.has_message = false;
            d.offered = where;
        } else if (d.is_beta) {
            d.message = "There is a newer beta of Skylume available! Visit " + site + " to download the update.";
        } else {
            d.message = "There is a new version of Skylume available! Visit " + site + " to download the update.";
        }
    }
    return d;
}
