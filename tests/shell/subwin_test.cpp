// subwin_test.cpp - sub-window switches and the click dispatch: centring,
// close zones, Return in dialogs, the menu bar and the open menu's items.
#include "shell_fixture.h"

namespace shellfx {
namespace {

TEST_F(ShellTest, SubWindowsTakeTheirSizeAndAreCentred)
{
    struct row { int id; int x_res; float dx, dy, x, y; int modal; const char* title; } rows[] = {
        {win_main, 1024, 1024, 768, 0, 0, 0, "kept"},
        {win_eula, 1024, 500, 300, 262, 234, 1, "EULA"},
        {win_prefs, 1024, 600, 380, 212, 194, 1, "Prefs"},
        {win_livery, 1024, 561, 474, 232, 147, 1, "Livery"},
        {win_alert, 1024, 420, 250, 302, 259, 1, ""},
        {win_select_alert, 1024, 700, 146, 162, 311, 1, ""},
        {win_select_alert, 600, 700, 146, 0, 311, 1, ""},
        {-1, 1024, 1024, 768, 0, 0, 0, "kept"},
        {42, 1024, 1024, 768, 0, 0, 0, "kept"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.id);
        mnw.x_res_now = r.x_res;
        stls.title = "kept";
        mnw.mouse_down = mnw.mouse_held = 1;
        mnw.menu_open = 3;
        MACIBM_startwind(r.id, 0);
        EXPECT_EQ(mnw.cur_wind, r.id);
        EXPECT_EQ(mnw.open_wind, r.id);
        EXPECT_FLOAT_EQ(mnw.wind_dx, r.id == win_main || r.id < 0 || r.id == 42 ? r.x_res : r.dx);
        EXPECT_FLOAT_EQ(mnw.wind_dy, r.dy);
        EXPECT_FLOAT_EQ(mnw.wind_x, r.x);
        EXPECT_FLOAT_EQ(mnw.wind_y, r.y);
        EXPECT_EQ(mnw.modal, r.modal);
        EXPECT_EQ(stls.title, r.title);
        EXPECT_EQ(mnw.menu_open, -1);
        EXPECT_EQ(mnw.mouse_down + mnw.mouse_held, 0);
    }
}

TEST_F(ShellTest, SwitchResetsTheStalePopupRectangle)
{
    menu[menu_popup].l = 10;
    menu[menu_popup].t = 20;
    MACIBM_startwind(win_main, 0);
    EXPECT_EQ(menu[menu_popup].l, -1);
    EXPECT_EQ(menu[menu_popup].b, -1);
    EXPECT_EQ(menu[menu_popup].r, -1);
    EXPECT_EQ(menu[menu_popup].t, -1);
    menu.clear(); // before the table exists there is nothing to reset
    MACIBM_startwind(win_main, 0);
}

TEST_F(ShellTest, CloseZonesCloseOnlyWindowsThatHaveThem)
{
    struct row { int id; float x, y; bool closes; } rows[] = {
        {win_prefs, 25, 380, true},   {win_prefs, 26, 380, false}, {win_prefs, 0, 360, true},
        {win_prefs, 0, 359, false},   {win_prefs, 575, 370, true}, {win_prefs, 600, 380, true},
        {win_prefs, 574, 370, false}, {win_eula, 10, 290, true},   {win_about, 10, 290, true},
        {win_alert, 10, 245, false},  {win_open_save, 10, 470, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::to_string(r.id) + " at " + std::to_string(r.x) + "," + std::to_string(r.y));
        MACIBM_startwind(r.id, 0);
        calls.log.clear();
        return_hit = 1;
        mnw.mouse_x = r.x;
        mnw.mouse_y = r.y;
        mnw.mouse_down = 1;
        MACIBM_handleclick(0);
        EXPECT_EQ(mnw.cur_wind, r.closes ? win_main : r.id);
        if (r.closes) {
            EXPECT_EQ(calls.log, (std::vector<std::string>{"zap 1", "swap"}));
            EXPECT_EQ(return_hit, 0);
        } else {
            EXPECT_TRUE(calls.log.empty());
            EXPECT_EQ(mnw.mouse_down, 1) << "the press goes on to the dialog's widgets";
        }
    }
}

TEST_F(ShellTest, ReturnClosesWindowsOneAndTwoButNotDialogs)
{
    frames();
    for (int id : {win_eula, win_prefs, win_livery, win_about, win_alert, win_nuke_alert, win_select_alert,
                   win_file_chooser, win_open_save}) {
        SCOPED_TRACE(id);
        MACIBM_startwind(id, 0);
        src.key(KeyPress, 36);
        MACIBM_event_proc();
        const bool closes = id == win_eula || id == win_prefs || id == win_livery || id == win_about;
        EXPECT_EQ(mnw.cur_wind, closes ? win_main : id);
        EXPECT_EQ(return_hit, closes ? 0 : 1);
        src.key(KeyRelease, 36);
        MACIBM_event_proc();
    }
}

// Two bar menus: "File" (menu 0) with Open, a separator, "=Note", Quit; "Edit" (menu 1).
void build_bar()
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_append_menu(0, 0, 11, "Open", 1);
    MACIBM_append_menu(0, 1, 12, "-", 1);
    MACIBM_append_menu(0, 2, 13, "=Note", 1);
    MACIBM_append_menu(0, 3, 14, "Quit", 1);
    MACIBM_create_menu(1, 0, "Edit");
}

void press_at(float x, float y)
{
    mnw.mouse_x = x;
    mnw.mouse_y = y;
    mnw.mouse_down = 1;
    MACIBM_handleclick(0);
}

TEST_F(ShellTest, MenuBarTitlesOpenToggleAndSwitch)
{
    frames();
    build_bar();
    press_at(5, 760); // File: 0..48
    EXPECT_EQ(mnw.menu_open, 0);
    EXPECT_EQ(mnw.mouse_down, 0);
    press_at(60, 760); // Edit
    EXPECT_EQ(mnw.menu_open, 1);
    press_at(60, 760);
    EXPECT_EQ(mnw.menu_open, -1);
    EXPECT_EQ(mnw.mouse_down, 0);
}

TEST_F(ShellTest, MenuItemsAreChosenOrPassedOn)
{
    frames();
    build_bar();
    struct row { float y; const char* menu_call; int down_after; } rows[] = {
        {740, "menu 11", 0}, // Open: 736..748
        {735, nullptr, 1},   // the separator, 734..736, is never chosen
        {730, nullptr, 1},   // "=Note"
        {715, "menu 14", 0}, // Quit
        {100, nullptr, 1},   // outside: the menu closes and the widgets get the press
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.y);
        mnw.menu_open = 0;
        calls.log.clear();
        press_at(10, r.y);
        EXPECT_EQ(mnw.menu_open, -1);
        EXPECT_EQ(mnw.mouse_down, r.down_after);
        EXPECT_EQ(calls.log, r.menu_call ? std::vector<std::string>{r.menu_call} : std::vector<std::string>{});
    }
}

TEST_F(ShellTest, PopupChoiceGoesBackToItsList)
{
    frames();
    menu_struct& popup = menu[menu_popup];
    for (int i = 0; i < 5; ++i) {
        item_struct it;
        it.text = "entry";
        it.l = 100;
        it.r = 200;
        it.t = static_cast<std::int16_t>(400 - 12 * i);
        it.b = static_cast<std::int16_t>(it.t - 12);
        popup.items.push_back(it);
    }
    mnw.menu_open = menu_popup;
    active_popup_code = 7;
    press_at(150, 400 - 12 * 3 - 5);
    EXPECT_EQ(popup_menu_select, 3);
    EXPECT_EQ(select_popup_code, 7);
    EXPECT_EQ(active_popup_code, 0);
    EXPECT_EQ(mnw.menu_open, -1);
    EXPECT_EQ(count("menu 0"), 0) << "popup choices never reach the application's menu hook";
}

TEST_F(ShellTest, ReturnInADialogChoosesTheItemUnderTheMouse)
{
    frames();
    build_bar();
    MACIBM_startwind(win_alert, 0);
    mnw.menu_open = 0;
    mnw.mouse_x = 10;
    mnw.mouse_y = 740;
    MACIBM_handleclick(1);
    EXPECT_EQ(count("menu 11"), 1);
    EXPECT_EQ(mnw.cur_wind, win_alert);
}

TEST_F(ShellTest, HoverSwitchesBetweenBarMenusWithoutAPress)
{
    frames();
    build_bar();
    mnw.menu_open = 0;
    src.motion(60, 768 - 760); // over Edit
    frames();
    EXPECT_EQ(mnw.menu_open, 1);
    EXPECT_EQ(calls.update_sees_down, 0);
    src.motion(300, 300); // away from the bar: the menu stays open
    frames();
    EXPECT_EQ(mnw.menu_open, 1);
}

} // namespace
} // namespace shellfx
