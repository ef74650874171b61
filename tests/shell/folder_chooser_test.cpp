// The folder chooser without a window: its levels and name checks as tables,
// then frames on a temporary tree with the widget set's drawing recorded and
// GL faked: enter a folder by double click and by Return, go up through the
// level pop-up (the menu code takes the press), make a folder, select, cancel.
#include "ui/btn_fixture.h"

#include "files/opensave_cache.h"
#include "shell/folder_chooser.h"
#include "shell/menus.h"
#include "shell/shell_calls.h"
#include "shell/subwin.h"
#include "support/gl_recorder.h"
#include "ui/btn_list.h"
#include "ui/btn_popup.h"
#include "ui/btn_shell.h"

#include <sys/stat.h>

#include <cstring>

using namespace btn;

namespace {

class chooser_test : public widgets {
protected:
    gl_recorder gl_rec;
    temp_dir dir;
    xer_capture log;
    folder_chooser_state st;
    char out[500];
    int outcome = 0;
    std::size_t out_size = sizeof out;
    btn_shell_calls previous{};

    void SetUp() override
    {
        widgets::SetUp();
        BTN_reset_lists();
        BTN_reset_popup();
        opensave_cache.forget();
        MACIBM_clear_menus(1);
        previous = BTN_set_shell_calls({nullptr, nullptr, nullptr, nullptr});
        MACIBM_install_shell_hooks();
        mnw.x_res_now = 1024;
        mnw.y_res_now = 768;
        mnw.ui_scale = 1;
        std::strcpy(out, "untouched");
        for (const char* d : {"Data", "alpha", "a-b", "Zed", "Data/inner", ".hidden"}) mkdir((dir / d).c_str(), 0755);
        write_file(dir / "file.txt", "x");
        app_path = "/program/";
        MACIBM_startwind(win_main, 0);
    }
    void TearDown() override
    {
        BTN_set_shell_calls(previous);
        KEYS_set_handleclick_hook(nullptr);
        BTN_reset_lists();
        BTN_reset_popup();
        opensave_cache.forget();
        menu.clear();
        widgets::TearDown();
    }
    std::string root() const { return dir.path() + "/"; }
    void open(const char* start)
    {
        MACIBM_chooser_open(st, start);
        MACIBM_startwind(win_file_chooser, 0);
    }
    // One frame as the frame loop runs it: a press meets the open menu first.
    void step(mouse m = {}, int dbl = 0, int ret = 0)
    {
        mnw.mouse_dbl = dbl;
        return_hit = ret;
        frame([&] {
            if (mnw.mouse_down) MACIBM_handleclick(0);
            outcome = MACIBM_chooser_frame(st, out, out_size);
        }, m);
        mnw.mouse_dbl = return_hit = 0;
    }
    mouse on_row(const std::string& name) const
    {
        for (std::size_t i = 0; i < st.folder_names.size(); ++i)
            if (st.folder_names[i] == name)
                return press_at(100, 180.0f - btn_list_row * (static_cast<float>(i) - st.list_scroll));
        ADD_FAILURE() << "no row " << name;
        return {};
    }
    // The popup row of level i while the pop-up shows level `shown` over its button.
    static mouse on_level(int i, int shown) { return press_at(282, 441.0f - 12.0f * static_cast<float>(i - shown)); }
};

} // namespace

TEST(ChooserLevels, ItemsAndPathsOfAFolder)
{
    struct row {
        const char* folder;
        const char* items;
        std::vector<std::string> paths;
    } rows[] = {
        {"/", "/", {"/"}},
        {"/home/user/", "/-home-user", {"/", "/home/", "/home/user/"}},
        {"/a-b/c|d/", "/-a b-c d", {"/", "/a-b/", "/a-b/c|d/"}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.folder);
        std::string items;
        std::vector<std::string> paths;
        MACIBM_chooser_levels(r.folder, items, paths);
        EXPECT_EQ(items, r.items);
        EXPECT_EQ(paths, r.paths);
    }
    std::string deep = "/";
    for (int i = 0; i < 350; ++i) deep += "level" + std::to_string(i) + "/";
    std::string items;
    std::vector<std::string> paths;
    MACIBM_chooser_levels(deep, items, paths);
    EXPECT_EQ(paths.size(), static_cast<std::size_t>(btn_popup_max_items));
    EXPECT_EQ(paths.back(), deep);
    EXPECT_EQ(items.substr(0, 8), "level50-");
}

TEST(ChooserLevels, NewFolderNames)
{
    struct row {
        const char* name;
        bool refused;
    } rows[] = {{"", true}, {".", true}, {"..", true}, {"a/b", true}, {"/", true},
                {"new", false}, {"...", false}, {".config", false}, {"a b-c", false}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(MACIBM_new_folder_refusal(r.name) != nullptr, r.refused);
    }
}

TEST_F(chooser_test, OpensOnTheStartFoldersSubFoldersAndEmptiesAppPath)
{
    open(dir.path().c_str()); // without its final '/'
    EXPECT_EQ(st.cur_path, root());
    EXPECT_EQ(app_path, "");
    step();
    EXPECT_EQ(st.folder_names, (std::vector<std::string>{"a-b", "alpha", "Data", "Zed"}));
    EXPECT_EQ(st.list_sel, 2);
    EXPECT_EQ(outcome, chooser_showing);
    EXPECT_EQ(st.level_paths.back(), root());
    EXPECT_EQ(plevel, static_cast<int>(st.level_paths.size()) - 1);
}

TEST_F(chooser_test, DoubleClickAndReturnEnterAFolder)
{
    open(root().c_str());
    step();
    step(on_row("Data"));
    step(on_row("Data"), 1);
    EXPECT_EQ(st.cur_path, root() + "Data/");
    EXPECT_EQ(st.list_sel, 0);
    step();
    EXPECT_EQ(st.folder_names, (std::vector<std::string>{"inner"}));
    step({}, 0, 1); // Return enters the selected row
    EXPECT_EQ(st.cur_path, root() + "Data/inner/");
    step({}, 0, 1); // an empty folder: Return does nothing
    EXPECT_EQ(st.cur_path, root() + "Data/inner/");
}

TEST_F(chooser_test, LevelPopUpGoesUpToTheChosenLevel)
{
    open((root() + "Data/inner/").c_str());
    step();
    const int shown = plevel;
    step(press_at(282, 440)); // opens the level pop-up
    ASSERT_EQ(mnw.menu_open, menu_popup);
    step(on_level(shown - 2, shown)); // two levels up: the temporary folder
    EXPECT_EQ(st.cur_path, root());
    EXPECT_EQ(mnw.menu_open, -1);
}

TEST_F(chooser_test, NewFolderIsMadeAndListedAtOnce)
{
    open(root().c_str());
    step();
    st.name_field = "made";
    step(press_at(430, 28));
    struct stat info;
    EXPECT_EQ(stat((dir / "made").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    step();
    EXPECT_EQ(st.folder_names, (std::vector<std::string>{"a-b", "alpha", "Data", "made", "Zed"}));
    EXPECT_EQ(st.name_field, "made");
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(chooser_test, NewFolderRefusesBadNamesAndShowsAFailedMkdir)
{
    open(root().c_str());
    step();
    struct row {
        const char* name;
        const char* first_line;
    } rows[] = {{"", "Please type a name for the new folder."},
                {"..", "A folder cannot be named . or .."},
                {"x/y", "A folder name cannot hold a '/'."},
                {"Data", "Could not make the new folder:"}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        st.name_field = r.name;
        const std::size_t before = alerts.alerts().size();
        step(press_at(430, 28));
        ASSERT_EQ(alerts.alerts().size(), before + 1);
        EXPECT_EQ(alerts.alerts().back().lines.l1, r.first_line);
        EXPECT_EQ(alerts.alerts().back().type, t_alert);
    }
    EXPECT_EQ(alerts.alerts().back().lines.l2, root() + "Data");
    EXPECT_NE(log.text().find("could not make " + root() + "Data"), std::string::npos);
    struct stat info;
    EXPECT_NE(stat((dir / "x").c_str(), &info), 0);
}

TEST_F(chooser_test, NameFieldKeepsThirtyCharacters)
{
    open(root().c_str());
    st.name_field = std::string(35, 'n');
    step();
    EXPECT_EQ(st.name_field, std::string(30, 'n'));
}

TEST_F(chooser_test, SelectReturnsTheFolderShownAndCancelLeavesOutAlone)
{
    mnw.cur_wind = 2;
    MACIBM_chooser_open(st, ("//" + root()).c_str());
    MACIBM_startwind(win_file_chooser, 0);
    step();
    step(press_at(35, 28));
    EXPECT_EQ(outcome, chooser_cancelled);
    EXPECT_STREQ(out, "untouched");
    EXPECT_EQ(mnw.cur_wind, 2);

    MACIBM_startwind(win_file_chooser, 0);
    step(press_at(510, 28));
    EXPECT_EQ(outcome, chooser_selected);
    EXPECT_STREQ(out, root().c_str()); // a run of leading '/' counts as one
    EXPECT_EQ(mnw.cur_wind, 2);
}

TEST_F(chooser_test, SelectRefusesAFolderThatDoesNotFitAndStaysOpen)
{
    open(root().c_str());
    out_size = root().size(); // one byte short for the NUL
    step();
    step(press_at(510, 28));
    EXPECT_EQ(outcome, chooser_showing);
    EXPECT_STREQ(out, "untouched");
    EXPECT_EQ(mnw.cur_wind, win_file_chooser);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_NE(log.text().find("not selected"), std::string::npos);
    out_size = root().size() + 1;
    step(press_at(510, 28));
    EXPECT_EQ(outcome, chooser_selected);
}

TEST_F(chooser_test, EmptyFolderListsNothingAndReturnStaysInIt)
{
    open((root() + "Data/inner/").c_str());
    step();
    EXPECT_TRUE(st.folder_names.empty());
    step({}, 0, 1);
    EXPECT_EQ(st.cur_path, root() + "Data/inner/");
    EXPECT_EQ(outcome, chooser_showing);
}

// A folder not made yet (the default destination before the first
// installation) opens on the nearest folder above it, with its neighbours listed.
TEST_F(chooser_test, MissingStartFolderOpensOnTheNearestFolderAbove)
{
    struct row {
        std::string start, shown;
    } rows[] = {{root() + "gone/", root()},
                {root() + "Data/gone/deeper", root() + "Data/"},
                {root() + "file.txt/", root()},
                {"/sky_nowhere_8c1e/Skylume/", "/"},
                {"sky_nowhere_8c1e/", "/"}}; // not absolute: the root, never a name without its '/'
    for (const row& r : rows) {
        SCOPED_TRACE(r.start);
        open(r.start.c_str());
        step();
        EXPECT_EQ(st.cur_path, r.shown);
        EXPECT_FALSE(st.folder_names.empty());
    }
    EXPECT_NE(log.text().find("does not exist; it opens on " + root() + "Data/"), std::string::npos);
    open((root() + "gone/").c_str());
    step();
    step(press_at(510, 28)); // Select gives the folder shown, not the missing one
    EXPECT_EQ(outcome, chooser_selected);
    EXPECT_EQ(std::string(out), root());
}
