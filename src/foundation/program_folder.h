// program_folder.h - where the running program lives.
#pragma once

#include <string>

// The folder of the running executable with a trailing '/', from the process's
// executable link; empty when the link cannot be read.
std::string UTL_program_folder();

// The user's home folder without a trailing '/': HOME when it is set and not
// empty, else the password database's entry for the running user; empty when
// neither names one, and then nothing may be put "at home" (not the current
// folder, not the root).
std::string UTL_home_folder();
