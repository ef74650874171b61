// Path pickers and the preview panel: the last-component table, the field that
// keeps its folder part, the browse box and the chooser's answer, the buffer
// wrappers, and crafted aircraft and flight-data files.
#include "btn_fixture.h"

#include "ui/btn_pickers.h"
#include "ui/btn_shell.h"

#include <cstring>

using namespace btn;

namespace {

const char* chooser_answer = nullptr; // null: the chooser is cancelled
int chooser_calls = 0;
int fake_chooser(int mode, const char*, const char*, int, const char* start, char* out, std::size_t size)
{
    ++chooser_calls;
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(start, nullptr);
    EXPECT_EQ(size, 500u);
    if (!chooser_answer) return 0;
    std::strcpy(out, chooser_answer);
    return 1;
}

std::vector<std::string> icons_loaded;
int fake_icon(const std::string& name)
{
    icons_loaded.push_back(name);
    return 0;
}

class picker_test : public widgets {
protected:
    btn_shell_calls previous{};
    btn_icon_load_fn previous_icon = nullptr;
    temp_dir dir;

    void SetUp() override
    {
        widgets::SetUp();
        chooser_answer = nullptr;
        chooser_calls = 0;
        icons_loaded.clear();
        previous = BTN_set_shell_calls({nullptr, nullptr, nullptr, fake_chooser});
        previous_icon = BTN_set_icon_loader(fake_icon);
        BTN_reset_preview();
        app_path = dir.path() + "/";
    }
    void TearDown() override
    {
        BTN_set_shell_calls(previous);
        BTN_set_icon_loader(previous_icon);
        BTN_reset_preview();
        widgets::TearDown();
    }
    std::string field_text() const
    {
        for (const draw_call& c : calls)
            if (c.kind == "string" && c.v[0] >= 100) return c.text;
        return "";
    }
};

// An aircraft file: binary header, then the 2092-byte block with the four texts.
std::string aircraft(char order, int version, const std::string& t1, const std::string& t2, const std::string& t3,
                     const std::string& t4, std::size_t block = 2092)
{
    std::string bytes(1, order);
    for (int i = 0; i < 4; ++i) {
        const int shift = order == 'i' ? 8 * i : 8 * (3 - i);
        bytes += static_cast<char>((version >> shift) & 0xFF);
    }
    std::string b(2092, '\0');
    b.replace(1012, t1.size(), t1);
    b.replace(1052, t2.size(), t2);
    b.replace(1552, t3.size(), t3);
    b.replace(2052, t4.size(), t4);
    return bytes + b.substr(0, block);
}

std::string flight_data(const std::string& lines) { return "I\n1 version\n" + lines; }

} // namespace

TEST(PathParts, LastComponentAndFolderTable)
{
    struct row {
        const char* path;
        const char* last;
        const char* folder;
    } rows[] = {
        {"/a/b.acf", "b.acf", "/a/"}, {"/a/b/", "b/", "/a/"}, {"ab/", "ab/", ""},     {"a/", "", "a/"},
        {"/", "", "/"},                {"", "", ""},           {"name", "name", ""}, {"x/y/", "y/", "x/"},
        {"/x", "x", "/"},              {"Output/situations/a.sit", "a.sit", "Output/situations/"},
        {"Output/", "Output/", ""},    {"//", "", "//"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(BTN_last_component(r.path), r.last);
        EXPECT_EQ(BTN_folder_of(r.path), r.folder);
    }
}

TEST_F(picker_test, FieldShowsTheLastComponentOrTheWholePath)
{
    struct row {
        int type;
        const char* path;
        const char* shown;
    } rows[] = {{3, "/data/planes/Cub.acf", "Cub.acf"}, {20, "/data/planes/Cub.acf", "/data/planes/Cub.acf"},
                {21, "sim/operation/", "sim/operation/"}, {0, "/data/planes/", "planes/"}, {0, "a/", ""}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.path);
        std::string path = r.path;
        frame([&] { BTN_select_path_stl(100, 100, 998, r.type, &path, 200, "", 300, 0); });
        EXPECT_EQ(field_text(), r.shown);
        EXPECT_EQ(path, r.path);
    }
}

TEST_F(picker_test, EditingAShortenedPathKeepsItsFolder)
{
    std::string path = "/data/planes/Cub.acf";
    frame([&] { BTN_select_path_stl(100, 100, 998, 3, &path, 200, "", 300, 1); }); // takes focus, all selected
    type_text("Jet.acf");
    frame([&] { BTN_select_path_stl(100, 100, 998, 3, &path, 200, "", 300, 1); });
    EXPECT_EQ(path, "/data/planes/Jet.acf");
}

TEST_F(picker_test, BrowseBoxOpensTheChooserAndItsAnswerReplacesThePath)
{
    std::string path = "/old/";
    int result = -1;
    struct row {
        float x, y;
        int opens;
    } rows[] = {{72, 92, 1}, {94, 112, 1}, {71.9f, 100, 0}, {94.1f, 100, 0}, {80, 91.9f, 0}, {80, 114, 0}};
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.x << "," << r.y);
        chooser_calls = 0;
        frame([&] { result = BTN_select_path_stl(100, 100, 999, 0, &path, 200, "|{?browse", 300, 0); },
              press_at(r.x, r.y));
        EXPECT_EQ(chooser_calls, r.opens);
        EXPECT_EQ(result, 0); // cancelled
        EXPECT_EQ(path, "/old/");
    }
    frame([&] { BTN_select_path_stl(100, 100, 999, 0, &path, 200, "|{?browse", 300, 0); }, over(80, 100));
    EXPECT_EQ(stls.help, "browse");
    chooser_answer = "/home/user/";
    frame([&] { result = BTN_select_path_stl(100, 100, 999, 0, &path, 200, "", 300, 0); }, press_at(80, 100));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(path, "/home/user/");
}

TEST_F(picker_test, BufferWrappersCutToTheBufferAndRefuseBadArguments)
{
    char buffer[8] = "abc";
    chooser_answer = "/a/long/folder/";
    int result = 0;
    frame([&] { result = BTN_select_path_chr(100, 100, 998, 0, buffer, sizeof buffer, "", 300, 0); },
          press_at(80, 100));
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(buffer, "/a/long");

    char name[16] = "old.acf";
    std::string full = "/planes/old.acf";
    chooser_answer = "/jets/";
    frame([&] { result = BTN_select_file_chr(100, 100, 998, 3, name, &full, sizeof name, "", 300); },
          press_at(80, 100));
    EXPECT_EQ(full, "/jets/");
    EXPECT_STREQ(name, "jets/");

    EXPECT_THROW(frame([&] { BTN_select_path_chr(100, 100, 997, 0, buffer, 8, "", 300, 0); }), fatal_alert);
    EXPECT_EQ(alerts.alerts().back().lines.l1, "Bad open_save arg to BTN_select_file_chr!");
    std::string s;
    EXPECT_THROW(frame([&] { BTN_select_path_stl(100, 100, 998, 22, &s, 8, "", 300, 0); }), fatal_alert);
    EXPECT_EQ(alerts.alerts().back().lines.l1, "Bad file_type arg to BTN_select_file_stl!");
}

TEST_F(picker_test, AircraftPreviewReadsTheHeaderBlockOnceAndDrawsItsTexts)
{
    write_file(dir / "Cub.acf", aircraft('a', 8000, "Cub", "Piper J-3 Cub", "A light aircraft", "T. Author"));
    frame([] { stand_io_dialog(998, 3, "Cub.acf"); });
    btn_preview_state st = BTN_preview_state();
    EXPECT_EQ(st.texts[0], "Cub");
    EXPECT_EQ(st.texts[1], "Piper J-3 Cub");
    EXPECT_EQ(st.texts[2], "A light aircraft");
    EXPECT_EQ(st.texts[3], "T. Author");
    ASSERT_EQ(icons_loaded.size(), 1u);
    EXPECT_EQ(icons_loaded[0], "Cub_icon.png");
    std::vector<std::string> order;
    for (const draw_call& c : of_kind("string"))
        if (c.v[0] == 341) order.push_back(c.text);
    EXPECT_EQ(order, (std::vector<std::string>{"A light aircraft", "Piper J-3 Cub", "T. Author", "Cub"}));
    frame([] { stand_io_dialog(998, 3, "Cub.acf"); }); // the same path: not read again
    EXPECT_EQ(icons_loaded.size(), 1u);
}

TEST_F(picker_test, ShortOrDamagedAircraftFilesShowEmptyTexts)
{
    const std::string full(2000, 'x');
    struct row {
        const char* name;
        std::string bytes;
    } rows[] = {
        {"short.acf", aircraft('i', 900, "A", "B", "C", "D", 1500)},
        {"version.acf", aircraft('i', 800, "A", "B", "C", "D")},
        {"header.acf", "q" + aircraft('i', 900, "A", "B", "C", "D").substr(1)},
        {"tiny.acf", "i\x84"},
        {"empty.acf", ""},
        {"unterminated.acf", aircraft('i', 900, std::string(40, 'N'), full.substr(0, 500), full.substr(0, 500),
                                      std::string(40, 'Z'))},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        write_file(dir / r.name, r.bytes);
        frame([&] { stand_io_dialog(998, 3, r.name); });
        const btn_preview_state st = BTN_preview_state();
        if (std::string(r.name) == "unterminated.acf") { // each text stops at the end of its slot
            EXPECT_EQ(st.texts[0], std::string(40, 'N'));
            EXPECT_EQ(st.texts[1].size(), 500u);
            EXPECT_EQ(st.texts[3], std::string(40, 'Z'));
            continue;
        }
        for (const std::string& t : st.texts) EXPECT_EQ(t, "");
    }
    EXPECT_EQ(icons_loaded.back(), "unterminated_icon.png");
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(picker_test, FlightDataCommentIsTheFirstCommLine)
{
    struct row {
        std::string bytes;
        const char* comment;
    } rows[] = {
        {flight_data("ACFT,x\nCOMM,first flight\nCOMM,second\n"), "first flight"},
        {flight_data("  comm,  spaced out\r\n"), "spaced out"},
        {flight_data("COMM first flight\n"), ""},
        {flight_data("NOTE\nCOMM,after a bare line\n"), "after a bare line"},
        {flight_data("ACFT,x\n"), ""},
        {flight_data("COMM,no line end"), "no line end"},
        {flight_data("COMM"), ""},
        {"I\n2 version\nCOMM,wrong version\n", ""},
        {"I\n1 ver", ""},
        {"", ""},
    };
    int i = 0;
    for (const row& r : rows) {
        SCOPED_TRACE(r.bytes);
        const std::string name = "f" + std::to_string(i++) + ".fdr";
        write_file(dir / name, r.bytes);
        frame([&] { stand_io_dialog(998, 8, name); });
        EXPECT_EQ(BTN_preview_state().comment, r.comment);
        bool drawn = false;
        for (const draw_call& c : of_kind("string")) drawn |= c.text == r.comment && c.v[1] == 270;
        EXPECT_EQ(drawn, *r.comment != 0);
    }
    write_file(dir / "UP.FDR", flight_data("COMM,upper\n"));
    frame([] { stand_io_dialog(998, 8, "UP.FDR"); });
    EXPECT_EQ(BTN_preview_state().comment, "");
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(picker_test, SaveModeDrawsOnlyThePanelsAndKeepsTheLastPath)
{
    write_file(dir / "f.fdr", flight_data("COMM,kept\n"));
    frame([] { stand_io_dialog(998, 8, "f.fdr"); });
    frame([] { stand_io_dialog(999, 8, "other.fdr"); });
    EXPECT_EQ(BTN_preview_state().old_path, "f.fdr");
    for (const draw_call& c : of_kind("string")) EXPECT_NE(c.v[0], 341);
}
