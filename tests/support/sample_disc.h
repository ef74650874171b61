// sample_disc.h - the sample disc of tools/make_sample_disc.py, made for a test,
// and a byte-for-byte comparison of two product trees.
#pragma once

#include <string>
#include <vector>

// Paths into one made sample, all ending in '/'.
struct sample_disc {
    std::string root;            // the disc: dvd_version.txt and the install set's folder
    std::string fresh_expected;  // the product as a fresh install leaves it
    std::string update_product;  // an older version, the user's files and changes
    std::string update_expected; // that folder once updated
    std::string set_name;        // the install set: the disc's folder and the product's new name
    std::string modified_rel;    // the product file the user modified, below the product folder
};

// Sizes small enough for every test build; the run command and the benchmark pass their own.
constexpr int sample_small_files = 2000;
constexpr const char* sample_large_kb = "2048,2048,1024";

// Runs the script into out (made or emptied); the sample, or an empty root on failure.
sample_disc make_sample_disc(const std::string& out, int small_files = sample_small_files,
                             const std::string& large_kb = sample_large_kb);

// Every difference between the trees below two folders, one line each: a missing or
// extra entry, another kind, content, permission bits, modification time (files)
// or link target. Links are compared, never followed. Empty when they are equal.
std::vector<std::string> tree_differences(const std::string& expected, const std::string& actual);

// Copies a tree with its modes, times and links (a product folder to update).
bool copy_tree(const std::string& from, const std::string& to);
