// The open/save dialog: start folders, save names, the level rows and paths,
// and frames on a temporary tree: enter, up, a level choice, open, save,
// cancel, and the loop that ends when another window takes over.
#include "btn_fixture.h"

#include "files/opensave_cache.h"
#include "ui/btn_list.h"
#include "ui/btn_open_save.h"
#include "ui/btn_pickers.h"
#include "ui/btn_popup.h"
#include "ui/btn_shell.h"

#include <sys/stat.h>

using namespace btn;

namespace {

std::vector<int>* switches = nullptr;
void record_switch(int id, int)
{
    switches->push_back(id);
    mnw.cur_wind = id;
}
int icon_none(const std::string&) { return 0; }

class opensave_test : public widgets {
protected:
    temp_dir dir;
    opensave_state st;
    std::string path;
    int outcome = 0;
    std::vector<int> seen_switches;
    btn_shell_calls previous{};
    btn_icon_load_fn previous_icon = nullptr;

    void SetUp() override
    {
        widgets::SetUp();
        switches = &seen_switches;
        previous = BTN_set_shell_calls({nullptr, record_switch, nullptr, nullptr});
        previous_icon = BTN_set_icon_loader(icon_none);
        BTN_reset_preview();
        BTN_reset_popup();
        opensave_cache.forget();
        app_path = dir.path() + "/";
        for (const char* d : {"Output", "Output/situations", "Output/situations/old", "a-b", "maps"})
            mkdir((dir / d).c_str(), 0755);
        for (const char* f : {"Output/situations/a.sit", "Output/situations/b.sit", "Output/situations/c.txt"})
            write_file(dir / f, "x");
        mnw.cur_wind = 0;
        mnw.wind_dx = 330;
        mnw.wind_dy = 474;
    }
    void TearDown() override
    {
        BTN_set_shell_calls(previous);
        BTN_set_icon_loader(previous_icon);
        BTN_reset_preview();
        BTN_reset_popup();
        opensave_cache.forget();
        widgets::TearDown();
    }
    void open(int mode, int kind, const std::string& start)
    {
        path = start;
        BTN_opensave_open(st, mode, kind, path);
        mnw.cur_wind = mode;
    }
    void step(mouse m = {}, int ret = 0, int esc = 0, int del = 0, int dbl = 0)
    {
        return_hit = ret;
        escape_hit = esc;
        delete_hit = del;
        mnw.mouse_dbl = dbl;
        frame([&] { outcome = BTN_opensave_frame(st, &path); }, m);
        return_hit = escape_hit = delete_hit = mnw.mouse_dbl = 0;
    }
    // Presses on the list row of entry i (the list's middle row shows st.scroll).
    mouse on_entry(int i) const { return press_at(100, 180.0f - btn_list_row * static_cast<float>(i - st.scroll)); }
};

} // namespace

TEST(OpenSaveNames, SaveNamesAndStartFolders)
{
    struct row {
        const char* typed;
        int kind;
        const char* saved;
    } rows[] = {{"flight.sit", 9, "flight.SIT"}, {"flight", 9, "flight.SIT"}, {".SIT", 9, ".SIT.SIT"},
                {"a.b", 9, "a.b.SIT"},         {"notes.txt", 0, "notes"},   {"a.fdr", 8, "a"}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.typed);
        EXPECT_EQ(BTN_opensave_save_name(r.typed, r.kind), r.saved);
    }
    EXPECT_EQ(BTN_opensave_start_folder(13), "Roadvane Output/tracks/");
    EXPECT_EQ(BTN_opensave_start_folder(0), "");
}

TEST(OpenSaveNames, LevelRowsShowBlanksForSeparatorsAndKeepRealPaths)
{
    std::string rows;
    std::vector<std::string> paths;
    BTN_opensave_levels("Roadvane Output/tracks/", rows, paths);
    EXPECT_EQ(rows, "Skysuite folder-Roadvane Output-tracks");
    EXPECT_EQ(paths, (std::vector<std::string>{"", "Roadvane Output/", "Roadvane Output/tracks/"}));
    BTN_opensave_levels("a-b/c|d/", rows, paths);
    EXPECT_EQ(rows, "Skysuite folder-a b-c d");
    EXPECT_EQ(paths[2], "a-b/c|d/");
    BTN_opensave_levels("", rows, paths);
    EXPECT_EQ(rows, "Skysuite folder");

    std::string deep;
    for (int i = 0; i < 400; ++i) deep += "d" + std::to_string(i) + "/";
    BTN_opensave_levels(deep, rows, paths);
    EXPECT_EQ(paths.size(), 300u); // the deepest levels, the folder itself last
    EXPECT_EQ(paths.back(), deep);
    EXPECT_EQ(rows.substr(rows.size() - 5), "-d399");
}

TEST_F(opensave_test, StartsInTheGivenPathsFolderOrTheKindsOwn)
{
    struct row {
        const char* start;
        int kind;
        const char* folder;
    } rows[] = {{"Output/situations/a.sit", 9, "Output/situations/"}, {"Output/", 9, ""}, {"a-b/", 0, ""},
                {"a-b/x", 0, "a-b/"},
                {"", 9, "Output/situations/"}, {"x.sit", 9, ""}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.start);
        open(999, r.kind, r.start);
        EXPECT_EQ(st.folder, r.folder);
        EXPECT_EQ(st.typed, "");
    }
    open(998, 9, "Output/situations/x");
    EXPECT_EQ(st.count, 3); // old/, a.sit, b.sit
    EXPECT_EQ(st.selection, 1);
    EXPECT_EQ(st.scroll, 1);
}

TEST_F(opensave_test, DoubleClickEntersAFolderAndDeleteGoesUp)
{
    open(998, 9, "Output/x");
    step();
    ASSERT_EQ(st.names, (std::vector<std::string>{"situations"}));
    step(on_entry(0), 0, 0, 0, 1);
    EXPECT_EQ(outcome, opensave_showing);
    EXPECT_EQ(st.folder, "Output/situations/");
    EXPECT_EQ(st.selection, 1);
    step({}, 0, 0, 1);
    EXPECT_EQ(st.folder, "Output/");
    step({}, 0, 0, 1);
    EXPECT_EQ(st.folder, "");
    step({}, 0, 0, 1); // up in the program folder does nothing
    EXPECT_EQ(st.folder, "");
}

TEST_F(opensave_test, OpenReturnsTheSelectedFileAndTheCallingWindow)
{
    mnw.cur_wind = 2;
    path = "Output/situations/b.sit";
    BTN_opensave_open(st, 998, 9, path);
    mnw.cur_wind = 998;
    step();
    step(on_entry(0)); // a.sit
    step({}, 1);        // Return
    EXPECT_EQ(outcome, opensave_chosen);
    EXPECT_EQ(path, "Output/situations/a.sit");
    EXPECT_EQ(seen_switches.back(), 2);
}

TEST_F(opensave_test, LevelChoiceGoesToTheRealFolderAtTheNextFrame)
{
    open(998, 0, "a-b/x");
    step();
    EXPECT_EQ(st.level_rows, "Skysuite folder-a b");
    EXPECT_EQ(opensave_level, 1);
    step(press_at(150, 436)); // opens the level pop-up
    ASSERT_NE(active_popup_code, 0);
    popup_menu_select = 0; // the menu code takes a press on the first row
    select_popup_code = active_popup_code;
    active_popup_code = 0;
    step();
    EXPECT_EQ(st.folder, "");
    step();
    EXPECT_EQ(st.names, (std::vector<std::string>{"a-b", "maps", "Output"}));
}

TEST_F(opensave_test, SaveNeedsANameAndAddsTheKindsExtension)
{
    open(999, 9, "");
    step();
    step({}, 1); // Return with an empty name does nothing
    EXPECT_EQ(outcome, opensave_showing);
    st.typed = "trip.sit";
    step({}, 1);
    EXPECT_EQ(outcome, opensave_chosen);
    EXPECT_EQ(path, "Output/situations/trip.SIT");
}

TEST_F(opensave_test, EscapeCancelsAndLeavesThePath)
{
    for (int mode : {998, 999}) {
        SCOPED_TRACE(mode);
        open(mode, 9, "Output/situations/a.sit");
        step({}, 0, 1);
        EXPECT_EQ(outcome, opensave_cancelled);
        EXPECT_EQ(path, "Output/situations/a.sit");
    }
}

TEST_F(opensave_test, EmptyFolderNeverIndexesItsEntries)
{
    open(998, 9, "maps/x");
    st.selection = 5;
    step({}, 1);
    step(press_at(100, 180), 0, 0, 0, 1);
    EXPECT_EQ(outcome, opensave_showing);
    EXPECT_EQ(st.folder, "maps/");
}

TEST_F(opensave_test, BadArgumentsAreFatal)
{
    EXPECT_THROW(open(997, 0, ""), fatal_alert);
    EXPECT_EQ(alerts.alerts().back().lines.l1, "Bad open_save arg to BTN_opensave!");
    EXPECT_THROW(open(998, 22, ""), fatal_alert);
    EXPECT_EQ(alerts.alerts().back().lines.l1, "Bad file_type arg to BTN_opensave!");
}

TEST_F(opensave_test, DialogLoopEndsWhenAnotherWindowTakesOver)
{
    path = "Output/situations/a.sit";
    // Without a frame loop the frame returns to the main screen: the dialog ends with 0.
    BTN_set_shell_calls({nullptr, record_switch, nullptr, nullptr});
    EXPECT_EQ(BTN_opensave(998, 9, &path), 0);
    EXPECT_EQ(path, "Output/situations/a.sit");
    EXPECT_EQ(seen_switches, (std::vector<int>{998}));
}
