// engine_fixture.h - a fresh engine for each test: records reset, defaults set,
// a temporary product folder, scripted answers to the modified-file question,
// and a manifest writer; and, on top of it, a disc in the temporary folder
// installed the way the screen runs it.
#pragma once

#include "engine/engine_hooks.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// MD5 of a few fixed contents, for manifests that describe files on disk.
constexpr const char* md5_empty = "d41d8cd98f00b204e9800998ecf8427e";
constexpr const char* md5_abc = "900150983cd24fb0d6963f7d28e17f72";             // "abc"
constexpr const char* md5_hello = "b1946ac92492d2347c6235b4d2611184";           // "hello\n"

struct question {
    std::string path;
    int gone;
};

class engine_fixture : public ::testing::Test {
public:
    static std::vector<int>& answers();        // answers given in order to the questions
    static std::vector<question>& questions(); // questions asked

protected:
    void SetUp() override;
    void TearDown() override;

    // Writes "directory.txt" with the manifest header and the given body; returns its path.
    std::string write_manifest(const std::string& body, const std::string& header = "I\n900 version\nINSTALLER\n");
    // Writes a file below the product folder, making its folders.
    void put_file(const std::string& rel, const std::string& bytes);

    temp_dir tmp;
    std::string product; // the product folder, ending in '/'
    alert_recorder alerts;
    std::string log_path;

private:
    select_fn previous_select = nullptr;
};

// A disc of the set "Skylume 9" below the temporary folder (the test makes it
// with make_disc), the engine pointed at it.
class disc_install_fixture : public engine_fixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // The screen's road: manifest from the disc, examination, INSTALL, then
    // install steps until one ends the run, at most max_steps. The last
    // step's result (1 finished or failed: stg.install_error tells), -1 when
    // the files could not be chosen, 0 when the steps ran out.
    int run_install(int max_steps = 1000);
    // Its first part, up to INSTALL: false when the files could not be chosen.
    bool prepare_install();

    std::string disc; // the disc's root, ending in '/'
    const std::string set = "Skylume 9";
};
