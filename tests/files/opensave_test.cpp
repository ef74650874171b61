// Folder listing for pickers: which entries, which kinds, in which order.
#include "files/opensave.h"

#include "foundation/cmnd.h"
#include "foundation/hl_types.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>
#include <utility>

namespace {

using listing = std::vector<std::pair<std::string, int>>;

listing list_folder(const std::string& folder, int type)
{
    std::vector<std::string> names{"stale"};
    std::vector<int> kinds{5};
    const int n = opensave_getitems(folder, type, names, kinds);
    EXPECT_EQ(n, static_cast<int>(names.size()));
    EXPECT_EQ(names.size(), kinds.size());
    listing out;
    for (std::size_t i = 0; i < names.size(); ++i) out.emplace_back(names[i], kinds[i]);
    return out;
}

class FolderListing : public ::testing::Test {
protected:
    void SetUp() override
    {
        mkdir((dir / "sub").c_str(), 0755);
        mkdir((dir / "Notes.TXT").c_str(), 0755);
        for (const char* f : {"plane.acf", "Plane2.ACF", "readme", "pic.png", ".hidden", "b.obj"})
            write_file(dir / f, "x");
        symlink("nowhere", (dir / "dangling").c_str()); // stat fails: left out
        folder = dir.path() + "/";
    }
    temp_dir dir;
    std::string folder;
};

TEST_F(FolderListing, PickerTypesChooseTheEntries)
{
    struct picker_case {
        int type;
        listing want;
    };
    const picker_case cases[] = {
        {file_kind_any,
         {{"b.obj", 7}, {"Notes.TXT", 19}, {"pic.png", 2}, {"plane.acf", 3}, {"Plane2.ACF", 3},
          {"readme", 0}, {"sub", 1}}},
        {file_kind_folder, {{"sub", 1}}}, // a folder named like a text file has kind 19: left out
        {file_kind_acf, {{"plane.acf", 3}, {"Plane2.ACF", 3}, {"sub", 1}}},
        {file_kind_txt, {{"Notes.TXT", 19}, {"sub", 1}}},
    };
    for (const picker_case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(list_folder(folder, c.type), c.want);
    }
}

TEST_F(FolderListing, NothingToList)
{
    EXPECT_TRUE(list_folder(dir / "missing/", file_kind_any).empty());
    EXPECT_TRUE(list_folder("/no/such/folder/", picker_nothing).empty());
    alert_recorder alerts;
    std::vector<std::string> names;
    std::vector<int> kinds;
    EXPECT_THROW(opensave_getitems(dir.path(), file_kind_any, names, kinds), fatal_alert);
    EXPECT_EQ(alerts.alerts().at(0).lines.l1, "Working path does not appear to be a directory!");
}

TEST(FolderListingPanels, PanelPickerTakesImagesButNotPanelParts)
{
    temp_dir dir;
    app_path = dir.path() + "/";
    const std::string generic = "Resources/bitmaps/cockpit/generic/";
    const std::string panels = "Resources/bitmaps/cockpit/-PANELS-/";
    for (const std::string& f : {generic, panels}) {
        for (std::size_t p = 0; (p = f.find('/', p)) != std::string::npos; ++p)
            mkdir((app_path + f.substr(0, p)).c_str(), 0755);
    }
    for (const char* f : {"panel.png", "panel-1.png", "Panel-4.BMP", "notes.txt", "plane.acf"})
        write_file(app_path + generic + f, "x");
    write_file(app_path + panels + "panel.png", "x");

    const listing generic_list = list_folder(generic, file_kind_panel);
    const listing panels_list = list_folder(panels, file_kind_panel);
    app_path.clear();
    EXPECT_EQ(generic_list, (listing{{"panel.png", 2}}));
    EXPECT_TRUE(panels_list.empty());
}

TEST(FolderListingCommands, RegistryComponentsUnderAFolder)
{
    cmnd.add_cmd("sim/view/forward", "look ahead");
    cmnd.add_cmd("sim/pause", "pause");
    cmnd.add_cmd("other/thing", "elsewhere");
    EXPECT_EQ(list_folder("sim/", file_kind_command), (listing{{"operation", 1}, {"pause", 21}, {"view", 1}}));
}

TEST(FolderListingSort, NamesEqualButForCaseFollowTheExchangeOrder)
{
    struct sort_case {
        std::vector<std::string> in, want;
    };
    const sort_case cases[] = {
        {{"b", "A", "a", "B"}, {"A", "a", "b", "B"}},
        {{"abcd", "Abc"}, {"Abc", "abcd"}},
        {{"a", "Zed", "_x"}, {"_x", "a", "Zed"}}, // '_' lies between 'Z' and 'a': before every lower-cased letter
        {{"\xC3\xA9t\xC3\xA9", "zoo", "Alpha"}, {"\xC3\xA9t\xC3\xA9", "Alpha", "zoo"}}, // high bytes first
    };
    for (const sort_case& c : cases) {
        SCOPED_TRACE(c.in.front());
        std::vector<std::string> names = c.in;
        std::vector<int> kinds(names.size());
        for (std::size_t i = 0; i < kinds.size(); ++i) kinds[i] = static_cast<int>(i);
        opensave_sort(names, kinds);
        EXPECT_EQ(names, c.want);
        for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(c.in[static_cast<std::size_t>(kinds[i])], names[i]);
    }
}

// The listing's exchange procedure, as the reference for any list.
void reference_sort(std::vector<std::string>& names)
{
    auto less = [](const std::string& a, const std::string& b) {
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
            auto lo = [](char c) { return static_cast<signed char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
            if (lo(a[i]) != lo(b[i])) return lo(a[i]) < lo(b[i]);
        }
        return a.size() < b.size();
    };
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (less(names[i], names[j])) std::swap(names[i], names[j]);
}

TEST(FolderListingSort, AgreesWithTheExchangeProcedureOnRandomNames)
{
    std::mt19937 rng(7);
    const std::string alphabet = "aAbBzZ_.-1\x80\xE9";
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> names(rng() % 12);
        for (std::string& n : names)
            for (std::size_t len = 1 + rng() % 3; n.size() < len;) n += alphabet[rng() % alphabet.size()];
        std::vector<std::string> want = names;
        reference_sort(want);
        std::vector<int> kinds(names.size());
        opensave_sort(names, kinds);
        ASSERT_EQ(names, want) << "round " << round;
    }
}

} // namespace
