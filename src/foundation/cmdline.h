// cmdline.h - the command-line option store. Filled once on the main thread at
// start-up, read-only afterwards.
#pragma once

#include <map>
#include <string>

class UTL_cmdline {
public:
    // Stores argv[1..argc-1] as name[=value] words, then acts on "--cmnds" and
    // "-h"/"--help", either of which prints and ends the process with status 0.
    void init_unix(int argc, const char** argv);
    void init_win(const char* text); // the same from one string split at blanks
    void init_common();

    int has_option(const char* name) const;         // 1 when given, else 0
    std::string get_option(const char* name) const; // its value, or ""

    void clear() { options.clear(); } // for tests

private:
    void record(const std::string& name, const std::string& value);
    std::map<std::string, std::string> options;
};

extern UTL_cmdline cmdline;

// The usage text that "--help" prints with puts: 86 lines, each ended by a newline.
extern const char* const UTL_usage_text;
