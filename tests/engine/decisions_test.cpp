// Install decisions: the decision table, the per-folder answers and cancel.
#include "engine/decisions.h"
#include "engine_fixture.h"
#include "foundation/hl_types.h"
#include "engine/install_records.h"
#include "engine/stg.h"

namespace {

class Decisions : public engine_fixture {
protected:
    // Adds a history whose versions want the given signatures, with what is on disk.
    void add(const std::string& path, std::vector<std::string> sigs, const std::string& have, int platform = 0)
    {
        file_history_struct h;
        for (const std::string& s : sigs) {
            file_version_struct v;
            v.sig_want = s;
            v.path = path;
            v.platform = platform;
            h.versions.push_back(v);
        }
        h.versions.back().sig_have = have;
        sim_info.push_back(h);
    }
    std::pair<int, int> flags(size_t i) const
    {
        const file_version_struct& v = sim_info[i].versions.back();
        return {v.want_install, v.want_delete};
    }
};

TEST_F(Decisions, DecisionTable)
{
    struct decision_case {
        const char* what;
        std::vector<std::string> sigs;
        std::string have;
        int platform;
        int answer; // 0: no question expected
        int install, del;
    };
    const decision_case cases[] = {
        {"other platform, modified", {"A"}, "X", 1, 0, 0, 0},
        {"missing", {"A"}, "NONE", 0, 0, 1, 0},
        {"missing and gone", {"GONE"}, "NONE", 0, 0, 0, 0},
        {"current", {"A"}, "A", 0, 0, 0, 0},
        {"current, also an older version", {"A", "A"}, "A", 0, 0, 0, 0},
        {"older version", {"B", "A"}, "B", 0, 0, 1, 0},
        {"older version, gone", {"B", "GONE"}, "B", 0, 0, 0, 1},
        {"modified, overwrite", {"A"}, "X", 0, sel_replace, 1, 0},
        {"modified, keep", {"A"}, "X", 0, sel_keep, 0, 0},
        {"modified gone, delete", {"GONE"}, "X", 0, sel_replace, 0, 1},
        {"modified gone, keep", {"GONE"}, "X", 0, sel_keep, 0, 0},
        // There but unreadable: the user's until they say otherwise, whatever the manifest lists.
        {"unreadable, keep", {"A"}, sig_unreadable, 0, sel_keep, 0, 0},
        {"unreadable, overwrite", {"A"}, sig_unreadable, 0, sel_replace, 1, 0},
        {"unreadable, listed under that word", {sig_unreadable, "A"}, sig_unreadable, 0, sel_keep, 0, 0},
        {"unreadable, current under that word", {sig_unreadable}, sig_unreadable, 0, sel_keep, 0, 0},
        {"unreadable gone", {"GONE"}, sig_unreadable, 0, 0, 0, 0},
    };
    for (const decision_case& c : cases) {
        SCOPED_TRACE(c.what);
        sim_info.clear();
        questions().clear();
        add("Top/dir/f", c.sigs, c.have, c.platform);
        if (c.answer) answers().push_back(c.answer);
        EXPECT_EQ(choose_files(), 1);
        EXPECT_EQ(flags(0), std::make_pair(c.install, c.del));
        EXPECT_EQ(questions().size(), c.answer ? 1u : 0u);
    }
}

TEST_F(Decisions, FolderAnswersCoverTheSameFolderOnly)
{
    add("Top/a/1", {"A"}, "X");
    add("Top/a/2", {"A"}, "X");
    add("Top/a/3", {"GONE"}, "X");
    add("Top/a/sub/4", {"A"}, "X");
    add("Top/b/5", {"A"}, "X");
    add("Top/b/6", {"GONE"}, "X");
    answers() = {sel_replace_all, sel_keep, sel_keep_all};
    EXPECT_EQ(choose_files(), 1);
    ASSERT_EQ(questions().size(), 3u);
    EXPECT_EQ(questions()[0].path, product + "a/1");
    EXPECT_EQ(questions()[1].path, product + "a/sub/4");
    EXPECT_EQ(questions()[2].path, product + "b/5");
    EXPECT_EQ(flags(1), std::make_pair(1, 0));
    EXPECT_EQ(flags(2), std::make_pair(0, 1)); // the install answer also deletes there
    EXPECT_EQ(flags(3), std::make_pair(0, 0));
    EXPECT_EQ(flags(5), std::make_pair(0, 0)); // keep-all also keeps a gone file
    xer.flush();
    const std::string log = read_file(log_path);
    EXPECT_NE(log.find("File: " + product + "a/1  sig_want=A  sig_have=X\n"), std::string::npos);
    EXPECT_EQ(log.find("a/2"), std::string::npos); // no question, no log line
}

TEST_F(Decisions, GoneFileIsAskedWithTheDeleteWording)
{
    add("Top/f", {"GONE"}, "X");
    answers() = {sel_keep};
    choose_files();
    ASSERT_EQ(questions().size(), 1u);
    EXPECT_EQ(questions()[0].gone, 1);
}

TEST_F(Decisions, CancelStopsAtOnceAndLeavesLaterFilesAlone)
{
    add("Top/a/1", {"A"}, "NONE");
    add("Top/a/2", {"A"}, "X");
    add("Top/a/3", {"A"}, "X");
    sim_info[2].versions.back().want_install = 7; // untouched marker
    answers() = {sel_cancel};
    EXPECT_EQ(choose_files(), 0);
    EXPECT_EQ(questions().size(), 1u);
    EXPECT_EQ(flags(0), std::make_pair(1, 0));
    EXPECT_EQ(sim_info[2].versions.back().want_install, 7);
    xer.flush();
    EXPECT_NE(read_file(log_path).find("a/2  sig_want"), std::string::npos); // logged before asking
}

TEST_F(Decisions, WithoutADialogAModifiedFileIsNeverTouched)
{
    const select_fn script = ENG_set_select_hook(nullptr);
    add("Top/f", {"A"}, "X");
    EXPECT_EQ(choose_files(), 0);
    ENG_set_select_hook(script);
}

} // namespace
