// program_binary_test.cpp - what the built installer carries as text: the one
// web address and the one support address of its maker, and no folder of the
// machine it was built on (the checkout or the build folder), which would
// otherwise show in every alert's location line.
#include "foundation/hl_types.h"
#include "support/e2e_driver.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
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

std::set<std::string> matches(const std::string& text, const std::regex& pattern)
{
    std::set<std::string> found;
    for (std::sregex_iterator i(text.begin(), text.end(), pattern), end; i != end; ++i) found.insert(i->str());
    return found;
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

TEST_F(InstallerBinary, CarriesOneWebAddressAndOneSupportAddress)
{
    ASSERT_GT(texts->size(), 1000u);
    const std::regex mail(R"([A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)*\.[A-Za-z]{2,})");
    const std::regex web(R"(www\.[A-Za-z0-9-]+(\.[A-Za-z0-9-]+)+)");
    EXPECT_EQ(matches(*texts, mail), std::set<std::string>{maker_support_address});
    EXPECT_EQ(matches(*texts, web), std::set<std::string>{maker_web_address});
}

TEST_F(InstallerBinary, NamesNoFolderOfItsBuild)
{
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer's records of each source's globals keep the name
    // the compiler was given; a sanitizer build is for tests, never shipped.
    GTEST_SKIP() << "sanitizer build";
#endif
    for (const std::string folder : {SKY_SOURCE_DIR, SKY_BUILD_DIR}) {
        SCOPED_TRACE(folder);
        const std::size_t at = texts->find(folder + "/");
        EXPECT_EQ(at, std::string::npos) << "first: " << texts->substr(at == std::string::npos ? 0 : at, 120);
    }
    // The alerts' sources are named from the checkout's root instead.
    EXPECT_NE(texts->find("\nsrc/engine/folders.cpp\n"), std::string::npos);
}

} // namespace
