// menu_files_test.cpp - menus read from small menu files: paths per language,
// header checks, blocks and items, line rules, number fields, Korean glyph codes.
#include "foundation/hl_types.h"
#include "shell/menus.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace std::string_literals;

const std::string header = "A\n1 version\n";

class MenuFiles : public ::testing::Test {
protected:
    alert_recorder alerts;
    temp_dir dir;
    void SetUp() override
    {
        HL_reset_globals();
        mnw.y_res_now = 768;
        app_path = dir.path() + "/";
        menu.clear();
        MACIBM_menu_bar_forget();
        MACIBM_clear_menus(1);
    }
    void TearDown() override
    {
        menu.clear();
        HL_reset_globals();
    }
    // Writes the menu file of the current language under Resources/.
    void menu_file(const std::string& body)
    {
        const std::string folder = dir.path() + "/Resources/" + MACIBM_menu_folder(mnw.lang);
        std::filesystem::create_directories(folder);
        write_file(folder + "main.txt", body);
    }
    std::string read_fatal()
    {
        try {
            MACIBM_read_menus("Resources/", "main.txt");
        } catch (const fatal_alert& f) {
            return f.lines.l1 + "|" + f.lines.l2 + "|" + f.lines.l3;
        }
        return "";
    }
};

TEST_F(MenuFiles, FolderFollowsTheLanguage)
{
    struct row { int lang; const char* folder; } rows[] = {
        {0, "menus/english/"}, {2, "menus/german/"}, {5, "menus/portugese/"}, {6, "menus/korean/"}, {9, ""}, {-1, ""},
    };
    for (const row& r : rows) EXPECT_EQ(MACIBM_menu_folder(r.lang), r.folder) << r.lang;
    mnw.lang = 2;
    EXPECT_EQ(read_fatal(), "Cannot open file!|Resources/menus/german/main.txt|Trash this copy and re-install Skylume.");
    mnw.lang = 9;
    EXPECT_EQ(read_fatal(), "Cannot open file!|Resources/main.txt|Trash this copy and re-install Skylume.");
}

TEST_F(MenuFiles, WrongVersionOrHeaderEndsTheProgram)
{
    for (const char* body : {"A\n2 version\n0 File\n-\n", "X\n1 version\n", ""}) {
        SCOPED_TRACE(body);
        menu_file(body);
        EXPECT_EQ(read_fatal().substr(0, 17), "Cannot open file!");
    }
}

TEST_F(MenuFiles, HeaderOnlyBuildsNothing)
{
    MACIBM_create_menu(0, 0, "Kept");
    menu_file(header);
    EXPECT_EQ(read_fatal(), "");
    EXPECT_EQ(menu[0].title, "Kept");
    EXPECT_TRUE(menu[1].title.empty());
}

TEST_F(MenuFiles, BlocksBecomeMenusAndSubmenus)
{
    menu_file(header + "0 File\n1 Open\n2 Quit\n-\n\n   \t\n  1 Recent\n\t7 First\n-\n");
    EXPECT_EQ(read_fatal(), "");
    EXPECT_EQ(menu[0].title, "File");
    EXPECT_EQ(menu[0].parent, -1);
    ASSERT_EQ(menu[0].items.size(), 2u);
    EXPECT_EQ(menu[0].items[0].text, "Open");
    EXPECT_EQ(menu[0].items[0].command, 1);
    EXPECT_EQ(menu[0].items[1].text, "Quit");
    EXPECT_EQ(menu[0].items[1].command, 2);
    EXPECT_EQ(menu[1].title, "Recent");
    EXPECT_EQ(menu[1].parent, 0);
    EXPECT_EQ(menu[1].b, menu[0].items[1].b);
    ASSERT_EQ(menu[1].items.size(), 1u);
    EXPECT_EQ(menu[1].items[0].command, 7);
}

TEST_F(MenuFiles, LineRules)
{
    // "- " is no end line; "12" alone has an empty text; CR LF and NUL end lines;
    // trailing blanks belong to the text; a tab does not end the number field.
    menu_file(header + "0 Tools\r\n- \r\n12\r\n5   Spaced out  \0 3\tx rest\n-\n0 Next\n"s);
    EXPECT_EQ(read_fatal(), "");
    const std::vector<item_struct>& items = menu[0].items;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].command, 0);
    EXPECT_EQ(items[0].text, "");
    EXPECT_EQ(items[1].command, 12);
    EXPECT_EQ(items[1].text, "");
    EXPECT_EQ(items[2].command, 5);
    EXPECT_EQ(items[2].text, "Spaced out  ");
    EXPECT_EQ(items[3].command, -1) << "a tab inside the number field makes it no number";
    EXPECT_EQ(items[3].text, "rest");
    EXPECT_EQ(menu[1].title, "Next") << "a file may end inside a block";
}

TEST_F(MenuFiles, NumberFields)
{
    const std::string long_499(499, '1'), long_500(500, '1');
    menu_file(header + "0 M\n+42 a\n-7 b\nx9 c\n" + long_500 + " d\n99999999999 e\n00000000000000000000000000005 f\n-\n");
    EXPECT_EQ(read_fatal(), "");
    const std::vector<item_struct>& items = menu[0].items;
    ASSERT_EQ(items.size(), 6u);
    const int want[] = {42, -7, -1, -1, -1, 5};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(items[i].command, want[i]) << items[i].text;
}

TEST_F(MenuFiles, BadParentCodeRaisesTheModelsAlertInsteadOfReadingOutside)
{
    menu_file(header + "0 File\n1 Open\n-\nzz Sub\n-\n");
    EXPECT_EQ(read_fatal(), "Parent item out of range in create_menu!||");
    menu_file(header + "0 File\n1 Open\n-\n5 Sub\n-\n");
    EXPECT_EQ(read_fatal(), "Parent item out of range in create_menu!||");
}

TEST_F(MenuFiles, OverlongItemTextEndsTheProgram)
{
    menu_file(header + "0 File\n1 " + std::string(40, 'x') + "\n-\n");
    EXPECT_EQ(read_fatal(), "Menu name too long in append_menu!||");
}

TEST_F(MenuFiles, GlyphCodes)
{
    struct row { std::string in, out; } rows[] = {
        {"5 300", std::string("\x01\x06\x03\x2F", 4)},
        {"1234", std::string("\x01\x7C\x01\x05", 4)},
        {"12 -3", std::string("\x01\x0D", 2)},
        {"-", "-"},
        {"=note 5", "=note 5"},
        {"", ""},
        {"  0 ", std::string("\x01\x01", 2)},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.in);
        std::string text = r.in;
        char_string_to_int_string(&text);
        EXPECT_EQ(text, r.out);
    }
}

TEST_F(MenuFiles, KoreanFilesAreConvertedAndMarked)
{
    mnw.lang = 6;
    menu_file(header + "0 5 300\n3 1234\n4 -\n-\n");
    EXPECT_EQ(read_fatal(), "");
    EXPECT_EQ(menu[0].title, std::string("\x01\x06\x03\x2F", 4));
    ASSERT_EQ(menu[0].items.size(), 2u);
    EXPECT_EQ(menu[0].items[0].text, std::string("\x01\x7C\x01\x05", 4));
    EXPECT_TRUE(menu[0].items[0].korean);
    EXPECT_EQ(menu[0].items[1].text, "-");
    EXPECT_FLOAT_EQ(menu[0].r - menu[0].l, 30 + 8 * 4);
}

} // namespace
