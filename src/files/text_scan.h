// text_scan.h - a bounded forward reader over the bytes of a text data file in
// the program's common format: the blanks, line ends and loose numbers that
// the header check, the preference reader and the manifest reader share.
#pragma once

#include <cstdint>
#include <string>

inline bool TXT_is_blank(char c) { return c == ' ' || c == '\t'; }
inline bool TXT_is_line_end(char c) { return c == '\r' || c == '\n' || c == '\0'; }
inline bool TXT_is_space(char c) { return TXT_is_blank(c) || TXT_is_line_end(c); }

// A read position that never passes its end.
struct text_cursor {
    const char* p;
    const char* end;

    bool at_end() const { return p >= end; }
    bool at_blank() const { return !at_end() && TXT_is_blank(*p); }
    bool at_line_end() const { return at_end() || TXT_is_line_end(*p); }
    void skip_blanks() { while (at_blank()) ++p; }
    void skip_space() { while (!at_end() && TXT_is_space(*p)) ++p; } // blanks and line ends
    void skip_line() { while (!at_line_end()) ++p; }                 // to the line end

    std::string word() // up to a blank or a line end
    {
        const char* start = p;
        while (!at_end() && !TXT_is_space(*p)) ++p;
        return std::string(start, p);
    }
    std::string rest_of_line() // blanks inside and at the end kept
    {
        const char* start = p;
        skip_line();
        return std::string(start, p);
    }

    // An optional '-', then an optional '+' (which cancels it), then every
    // character up to a blank or line end counts as a digit (c - '0'), in
    // 32-bit wrap-around: the format's numbers are read this loosely.
    int loose_integer()
    {
        bool negative = false;
        if (!at_end() && *p == '-') {
            negative = true;
            ++p;
        }
        if (!at_end() && *p == '+') {
            negative = false;
            ++p;
        }
        std::uint32_t value = 0;
        for (; !at_end() && !TXT_is_space(*p); ++p)
            value = value * 10u + static_cast<std::uint32_t>(static_cast<unsigned char>(*p) - '0');
        return static_cast<int>(negative ? 0u - value : value);
    }
};
