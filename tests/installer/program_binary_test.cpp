// program_binary_test.cpp - what the built installer carries as text: no
// folder of the machine it was built on (the checkout or the build folder),
// which would otherwise show in every alert's location line.
#include "support/e2e_driver.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Runs of at least four printable bytes, joined by line breaks, as `strings` shows them.
std::string printable_runs(const std::string& bytes)
{
    std::string out, run;
    for (const char c : bytes) {
        if (c >= 0x20 && c < 0x7f) {
            run += c;
            continue;
        }
        if (run.size() >= 4) out += run + "\n";
        run.clear();
    }
    if (run.size() >= 4) out += run + "\n";
    return out;
}

class InstallerBinary : public ::testing::Test {
protected:
    static void SetUpTestSuite() { texts = new std::string(printable_runs(read_file(e2e_installer_exe()))); }
    static void TearDownTestSuite()
    {
        delete texts;
        texts = nullptr;
    }
    static std::string* texts;
};
std::string* InstallerBinary::texts = nullptr;

TEST_F(InstallerBinary, NamesNoFolderOfItsBuild)
{
    for (const std::string folder : {SKY_SOURCE_DIR, SKY_BUILD_DIR}) {
        SCOPED_TRACE(folder);
        const std::size_t at = texts->find(folder + "/");
        EXPECT_EQ(at, std::string::npos) << "first: " << texts->substr(at == std::string::npos ? 0 : at, 120);
    }
    // The alerts' sources are named from the checkout's root instead.
    EXPECT_NE(texts->find("\nsrc/engine/folders.cpp\n"), std::string::npos);
}

} // namespace
