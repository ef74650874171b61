// program_folder.h - where the running program lives.
#pragma once

#include <string>

// The folder of the running executable with a trailing '/', from the process's
// executable link; empty when the link cannot be read.
std::string UTL_program_folder();
