// Destination choice: the path split, the product-folder markers, and what a
// chooser's answer does to the destination.
#include "installer_fixture.h"

#include "engine/install_records.h"
#include "foundation/hl_types.h"
#include "installer/dest_choice.h"

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(PathSplit, FolderOfAPath)
{
    struct split_case {
        const char* path;
        const char* folder;
    };
    const split_case cases[] = {
        {"/home/pilot/Skylume/Resources/x.txt", "/home/pilot/Skylume/Resources/"},
        {"/home/pilot/Skylume/", "/home/pilot/"},
        {"/home/", "/"},
        {"/", "/"},
        {"ab/", ""},
        {"a/", "a/"},
        {"name.txt", ""},
        {"", ""},
    };
    for (const split_case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string folder = "stale";
        get_path_with_path(folder, c.path);
        EXPECT_EQ(folder, c.folder);
        std::string same = c.path; // the folder may be the path itself
        get_path_with_path(same, same);
        EXPECT_EQ(same, c.folder);
    }
}

// The chooser the test scripts: what it was asked, what it answers.
struct chooser_script {
    int result = 1;
    std::string answer;          // copied with its NUL when it fits
    bool fill_without_nul = false; // writes the whole buffer with no NUL
    std::string start_seen;
    std::size_t size_seen = 0;
    int calls = 0;
};
chooser_script script;

int scripted_chooser(int, const char*, const char*, int, const char* start, char* out, std::size_t size)
{
    ++script.calls;
    script.start_seen = start;
    script.size_seen = size;
    if (script.fill_without_nul) std::memset(out, 'a', size);
    else if (script.answer.size() < size) std::memcpy(out, script.answer.c_str(), script.answer.size() + 1);
    return script.result;
}

class DestChoice : public installer_fixture {
protected:
    void SetUp() override
    {
        installer_fixture::SetUp();
        script = chooser_script{};
        previous = INS_set_folder_chooser(scripted_chooser);
    }
    void TearDown() override
    {
        INS_set_folder_chooser(previous);
        installer_fixture::TearDown();
    }
    // A folder under the temporary HOME with these entries: names ending in
    // '/' are folders, others files. Returns its path with a final '/'.
    std::string tree(const std::string& name, const std::vector<std::string>& entries)
    {
        const std::string root = home / name + "/";
        mkdir(root.c_str(), 0777);
        for (const std::string& e : entries) {
            if (e.back() == '/') mkdir((root + e).c_str(), 0777);
            else write_file(root + e, "x");
        }
        return root;
    }
    folder_chooser_fn previous = nullptr;
};

TEST_F(DestChoice, ProductFolderMarkers)
{
    struct tree_case {
        const char* name;
        std::vector<std::string> entries;
        int is_product;
    };
    const tree_case cases[] = {
        {"all_four", {"Airfoils/", "Instructions/", "Output/", "Resources/", "readme.txt"}, 1},
        {"three", {"Airfoils/", "Instructions/", "Output/"}, 0},
        {"files_not_folders", {"Airfoils", "Instructions", "Output/", "Resources/"}, 0},
        {"inside_names", {"Airfoils old/", "Instructions/", "My Output/", "Old Resources/"}, 1},
        {"one_holds_two", {"Airfoils Instructions/", "OutputResources/"}, 1},
        {"letter_case", {"airfoils/", "Instructions/", "Output/", "Resources/"}, 0},
        {"hidden", {".Airfoils/", "Instructions/", "Output/", "Resources/"}, 0},
        {"empty", {}, 0},
    };
    for (const tree_case& c : cases) {
        SCOPED_TRACE(c.name);
        dest_dir_path = tree(c.name, c.entries);
        EXPECT_EQ(path_is_to_a_sim(), c.is_product);
    }
    dest_dir_path = home / "missing/";
    EXPECT_EQ(path_is_to_a_sim(), 0);
}

TEST_F(DestChoice, ChosenFolderBecomesTheDestination)
{
    const std::string product = tree("Skylume", {"Airfoils/", "Instructions/", "Output/", "Resources/"});
    const std::string plain = tree("data", {"Output/"});
    struct choice_case {
        std::string answer;
        std::string dest;
    };
    const choice_case cases[] = {
        {product, product},                                    // an existing product folder stays as chosen
        {plain, plain + "Skylume/"},                           // else the product folder goes inside it
        {home / "Skylume/new/", home / "Skylume/new/Skylume/"}, // not there yet: lists nothing
    };
    for (const choice_case& c : cases) {
        SCOPED_TRACE(c.answer);
        dest_dir_path = "/start/";
        script.answer = c.answer;
        EXPECT_EQ(pick_dest_path(), 1);
        EXPECT_EQ(dest_dir_path, c.dest);
        EXPECT_EQ(script.start_seen, "/start/");
        EXPECT_EQ(script.size_seen, dest_answer_size);
    }
}

TEST_F(DestChoice, CancelAndUnfitAnswersKeepTheDestination)
{
    struct refuse_case {
        const char* what;
        int result;
        std::string answer;
        bool fill_without_nul;
    };
    const refuse_case cases[] = {
        {"cancelled", 0, "/chosen/", false},
        {"cut: no NUL in the buffer", 1, "", true},
        {"too long to fit", 1, "/" + std::string(dest_answer_size, 'a') + "/", false},
        {"empty", 1, "", false},
        {"relative", 1, "data/", false},
        {"no final slash", 1, "/data", false},
    };
    for (const refuse_case& c : cases) {
        SCOPED_TRACE(c.what);
        dest_dir_path = "/start/";
        app_path = "/prefix/";
        script.result = c.result;
        script.answer = c.answer;
        script.fill_without_nul = c.fill_without_nul;
        EXPECT_EQ(pick_dest_path(), 0);
        EXPECT_EQ(dest_dir_path, "/start/");
        EXPECT_TRUE(app_path.empty()); // the chooser leaves absolute paths behind either way
    }
}

// A folder whose path the installer cannot use (a name ending in a blank, a
// line break) is refused where it is chosen, with an alert saying why.
TEST_F(DestChoice, ChosenFoldersThatCannotBeUsedAreRefused)
{
    for (const std::string answer : {"/data/Sky /", "/data/Sky\nlume/"}) {
        SCOPED_TRACE(answer);
        dest_dir_path = "/start/";
        script.result = 1;
        script.answer = answer;
        alert_recorder alerts;
        EXPECT_EQ(pick_dest_path(), 0);
        EXPECT_EQ(dest_dir_path, "/start/");
        ASSERT_EQ(alerts.alerts().size(), 1u);
        EXPECT_EQ(alerts.alerts()[0].lines.l1, "I cannot use the destination from the folder chooser.");
    }
}

TEST_F(DestChoice, WithoutAChooserTheChoiceIsCancelled)
{
    INS_set_folder_chooser(nullptr);
    dest_dir_path = "/start/";
    EXPECT_EQ(pick_dest_path(), 0);
    EXPECT_EQ(dest_dir_path, "/start/");
    EXPECT_NE(log.text().find("No folder chooser"), std::string::npos);
}

} // namespace
