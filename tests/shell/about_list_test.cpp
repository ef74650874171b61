// about_list_test.cpp - the server list "serverlist.txt" and the version
// decision as pure functions: body lines, field rules, the header gate, and
// the decision table over the final and beta versions.
#include "shell/about_check.h"

#include "foundation/hl_types.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const md5_a = "0123456789abcdef0123456789abcdef";

struct parsed {
    about_versions kept;
    about_reading found;
};

parsed parse(const std::string& body, const about_versions& before = about_versions())
{
    parsed p{before, about_reading()};
    ABOUT_parse_list(body.data(), body.data() + body.size(), p.kept, p.found);
    return p;
}

TEST(AboutList, ReadsEveryKeywordByTheFieldRules)
{
    const parsed p = parse(std::string("FINAL 9.00 final  \r\n"
                                       "\t BETA_VERSION 90020\n"
                                       "FINAL_VERSION 90100\n\n\n"
                                       "BETA some beta text\n"
                                       "FINAL_INSTALLER_LIN updates.example /path/inst.zip\n"
                                       "BETA_INSTALLER_LIN beta.example /the beta/inst.zip  ") +
                           '\0' + "FINAL_INSTALLER_LIN_MD5 0123456789ABCDEF0123456789abcdef\r"
                                  "BETA_INSTALLER_LIN_MD5 " + md5_a);
    EXPECT_EQ(p.kept.version_str_found, 1);
    EXPECT_EQ(p.kept.version_str_net, "9.00 final  "); // blanks inside and at the end kept
    EXPECT_EQ(p.kept.version_final, 90100);
    EXPECT_EQ(p.kept.version_beta, 90020);
    EXPECT_EQ(p.found.final_release.server, "updates.example");
    EXPECT_EQ(p.found.final_release.path, "/path/inst.zip");
    EXPECT_EQ(p.found.final_release.md5, md5_a); // kept in lower case
    EXPECT_EQ(p.found.beta.server, "beta.example");
    EXPECT_EQ(p.found.beta.path, "/the beta/inst.zip  ");
    EXPECT_EQ(p.found.beta.md5, md5_a);
}

TEST(AboutList, KeywordsAreWholeCaseSensitiveWordsAndTheLaterLineWins)
{
    const parsed p = parse("final_version 90100\n"         // lower case: no keyword
                           "FINAL_VERSIONS 90200\n"        // longer word: no keyword
                           "BETA_VERSION 5 FINAL text\n"   // the rest of a number's line is skipped
                           "FINAL_INSTALLER_LIN a.example\n" // a server and no path
                           "FINAL_VERSION 1\n"
                           "FINAL_VERSION 2\n");
    EXPECT_EQ(p.kept.version_final, 2);
    EXPECT_EQ(p.kept.version_beta, 5);
    EXPECT_EQ(p.kept.version_str_found, 0);
    EXPECT_EQ(p.found.final_release.server, "a.example");
    EXPECT_EQ(p.found.final_release.path, "");
}

TEST(AboutList, NumbersAreSignedSaturatedAndRefusedWithOtherCharacters)
{
    struct number_case {
        const char* field;
        int expected; // 77: the line counts as absent and the earlier value stays
    };
    const number_case cases[] = {
        {"90019", 90019},
        {"-5", -5},
        {"-+5", 5}, // a plus after the minus makes it positive again
        {"+7", 7},
        {"", 0},    // no characters give 0
        {"-", 0},
        {"00090100", 90100},
        {"2147483647", INT_MAX},
        {"99999999999999999999999999", INT_MAX}, // never wraps into a small version
        {"-2147483648", INT_MIN},
        {"-99999999999999999999999999", INT_MIN},
        {"12a", 77},
        {"9.01", 77},
        {"0x15FA3", 77},
        {"+-3", 77},
    };
    for (const number_case& c : cases) {
        SCOPED_TRACE(c.field);
        about_versions before;
        before.version_final = 77;
        before.version_beta = 77;
        const parsed p = parse(std::string("FINAL_VERSION ") + c.field + "\nBETA_VERSION\t" + c.field, before);
        EXPECT_EQ(p.kept.version_final, c.expected);
        EXPECT_EQ(p.kept.version_beta, c.expected);
    }
}

TEST(AboutList, AnMd5IsThirtyTwoHexDigitsOrNone)
{
    const char* const refused[] = {"0123456789abcdef0123456789abcde", "0123456789abcdef0123456789abcdef0",
                                   "0123456789abcdef0123456789abcdeg", ""};
    for (const char* word : refused) {
        SCOPED_TRACE(word);
        const parsed p = parse(std::string("FINAL_INSTALLER_LIN_MD5 ") + md5_a + "\nFINAL_INSTALLER_LIN_MD5 " + word);
        EXPECT_EQ(p.found.final_release.md5, ""); // the later, broken line wins: no MD5
    }
}

TEST(AboutList, AReadingWithoutALineKeepsTheEarlierValues)
{
    about_versions before;
    before.version_final = 90100;
    before.version_str_found = 1;
    before.version_str_net = "9.01";
    const parsed p = parse("BETA_VERSION 90200\n", before);
    EXPECT_EQ(p.kept.version_final, 90100);
    EXPECT_EQ(p.kept.version_str_net, "9.01");
    EXPECT_EQ(p.kept.version_beta, 90200);
}

TEST(AboutList, OnlyAServersHeaderOfVersion820IsRead)
{
    temp_dir dir;
    const std::string saved = app_path;
    app_path = dir.path() + "/";
    struct header_case {
        const char* text; // nullptr: no file
        int read;
    };
    const header_case cases[] = {
        {"A\n820 version\nSERVERS\nFINAL_VERSION 5\n", 1},
        {"I\r\n820\r\n  SERVERS\r\nFINAL_VERSION 5\r\n", 1},
        {"A\n821 version\nSERVERS\nFINAL_VERSION 5\n", 0},
        {"A\n820 version\nSERVER\nFINAL_VERSION 5\n", 0},
        {"B\n820 version\nSERVERS\nFINAL_VERSION 5\n", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const header_case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(missing)");
        unlink((dir / "list.txt").c_str());
        if (c.text) write_file(dir / "list.txt", c.text);
        about_versions kept;
        about_reading found;
        EXPECT_EQ(ABOUT_read_list("list.txt", kept, found), c.read);
        EXPECT_EQ(kept.version_final, c.read ? 5 : -1);
    }
    app_path = saved;
}

// ---- the decision ----

about_location location(const char* server, const char* path, const char* md5)
{
    return about_location{server, path, md5};
}

TEST(AboutDecision, FollowsTheVersionTable)
{
    const about_location full = location("dl.example", "/path/inst.zip", md5_a);
    const std::string site = about_site_name;
    const std::string new_final = "There is a new version of Skylume available! Visit " + site + " to download the update.";
    const std::string new_beta = "There is a newer beta of Skylume available! Visit " + site + " to download the update.";
    struct decision_case {
        const char* name;
        int final_version, beta_version;
        about_location final_where, beta_where;
        int state, is_beta;
        std::string message; // empty: the old message stays
    };
    const decision_case cases[] = {
        {"never read", -1, 99999, full, full, ins_showing_message, 0, "Can't connect to the net to find latest version."},
        {"up to date", 90019, 99999, full, full, ins_showing_message, 0, "Your version of Skylume is up to date."},
        {"latest beta", 90018, 90019, full, full, ins_showing_message, 0, "You have the latest Skylume beta."},
        {"negative final", -5, -1, full, full, ins_showing_message, 0, "You have the latest Skylume beta."},
        {"newer beta", 90018, 90020, {}, full, ins_awaiting_click, 1, ""},
        {"newer final", 90100, -1, full, {}, ins_awaiting_click, 0, ""},
        {"largest final", INT_MAX, -1, full, {}, ins_awaiting_click, 0, ""},
        {"final without line", 90100, -1, {}, full, ins_showing_message, 0, new_final},
        {"final without path", 90100, -1, location("dl.example", "", md5_a), {}, ins_showing_message, 0, new_final},
        {"final without md5", 90100, -1, location("dl.example", "/i.zip", ""), {}, ins_showing_message, 0, new_final},
        {"server with slash", 90100, -1, location("dl.example/", "/i.zip", md5_a), {}, ins_showing_message, 0, new_final},
        {"path without slash", 90100, -1, location("dl.example", "i.zip", md5_a), {}, ins_showing_message, 0, new_final},
        {"beta without line", 90018, 90020, full, {}, ins_showing_message, 1, new_beta},
    };
    for (const decision_case& c : cases) {
        SCOPED_TRACE(c.name);
        about_versions kept;
        kept.version_final = c.final_version;
        kept.version_beta = c.beta_version;
        const about_decision d = ABOUT_decide(kept, about_reading{c.beta_where, c.final_where});
        EXPECT_EQ(d.ins_state, c.state);
        EXPECT_EQ(d.is_beta, c.is_beta);
        EXPECT_EQ(d.has_message, !c.message.empty());
        EXPECT_EQ(d.message, c.message);
        if (c.state == ins_awaiting_click) {
            EXPECT_EQ(d.offered.server, "dl.example");
            EXPECT_EQ(d.offered.md5, md5_a);
        }
    }
}

} // namespace
