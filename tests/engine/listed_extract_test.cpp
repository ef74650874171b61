// The install step hands each archive to the zip layer as the archive of one
// listed file: only that file's name, within its listed disk size, with its
// signature, and links only inside the product folder. Whole disc installs,
// one or two updates in a row, against hostile archives.
#include "engine/folders.h"
#include "engine/install_records.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "engine_fixture.h"
#include "files/io_errors.h"
#include "foundation/hl_types.h"
#include "support/disc_fixture.h"
#include "support/zip_builder.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

class ListedExtract : public disc_install_fixture {
protected:
    // Makes the disc, lets `damage` change it, and runs the whole install.
    // Starts from a clean run state, so that one test can run several updates
    // in a row. The last step's result: 1 when finished or failed
    // (stg.install_error tells).
    int install(const std::vector<disc_file>& files,
                const std::function<void(const std::string& top_folder)>& damage = nullptr)
    {
        fs::remove_all(disc);
        make_disc(disc, set, files);
        if (damage) damage(disc + set + "/Top/");
        stg.install_error = 0;
        alerts.alerts().clear();
        next = next_class{};
        return run_install();
    }
    // The run ended in its error state with the one alert for `code`.
    void expect_failed_with(int code)
    {
        EXPECT_EQ(stg.install_error, 1);
        EXPECT_EQ(next.all_done, 0);
        ASSERT_EQ(alerts.alerts().size(), 1u);
        EXPECT_EQ(alerts.alerts()[0].lines.l1, "The installer cannot extract a file.");
        EXPECT_EQ(alerts.alerts()[0].lines.l2, "Error: " + error_str(code));
    }
    void expect_no_temporaries()
    {
        for (const auto& entry : fs::recursive_directory_iterator(product))
            EXPECT_EQ(entry.path().filename().string().find(".sky"), std::string::npos) << entry.path();
    }
};

bool is_link(const std::string& path)
{
    struct stat st{};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Update 1 installs a link Resources/plugins that leaves the product folder;
// update 2 writes Resources/plugins/evil.txt and deletes Resources/plugins/
// gone.txt, listed as "GONE". The link is refused, so update 1 fails and
// update 2 works in a real folder inside the product: nothing outside changes.
TEST_F(ListedExtract, ALinkFromAnArchiveNeverLeadsOutOfTheProductFolder)
{
    const struct {
        const char* what;
        bool absolute;
        const char* target; // below tmp when absolute, else as written (from Product/Resources/)
    } cases[] = {
        {"absolute target", true, "somewhere"},
        {"target climbing out", false, "../../somewhere"},
        {"target climbing back after a name", false, "../Data/../../somewhere"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(product);
        fs::create_directories(product);
        const std::string somewhere = tmp / "somewhere/";
        fs::remove_all(somewhere);
        fs::create_directories(somewhere);
        write_file(somewhere + "gone.txt", "not the product's");
        const std::string target = c.absolute ? tmp / c.target : c.target;

        install({{"Resources/plugins", target, 0120777, 0, {}, false, 0}});
        expect_failed_with(err_zip_refused);
        EXPECT_FALSE(is_link(product + "Resources/plugins"));

        EXPECT_EQ(install({{"Resources/plugins/evil.txt", "evil", 0100644, 0, {}, false, 0},
                           {"Resources/plugins/gone.txt", "", 0100644, 0, {md5_of("not the product's")}, true, 0}}),
                  1);
        EXPECT_TRUE(alerts.alerts().empty());
        EXPECT_EQ(read_file(product + "Resources/plugins/evil.txt"), "evil");
        EXPECT_FALSE(fs::exists(somewhere + "evil.txt"));
        EXPECT_EQ(read_file(somewhere + "gone.txt"), "not the product's");
    }
}

// Links that the user made in the product folder are the user's: followed,
// as package managers do. Links inside the product are installed as listed.
TEST_F(ListedExtract, LinksTheUserMadeAreFollowedAndInsideLinksInstalled)
{
    const std::string elsewhere = tmp / "elsewhere/plugins/";
    fs::create_directories(elsewhere);
    fs::create_directories(product + "Resources");
    fs::create_directory_symlink(elsewhere, product + "Resources/plugins");
    EXPECT_EQ(install({{"Resources/plugins/tool", "#!/bin/sh\n", 0100755, 0, {}, false, 0},
                       {"Resources/Data/b.txt", "b", 0100644, 0, {}, false, 0},
                       {"Resources/link", "Data/b.txt", 0120777, 0, {}, false, 0},
                       {"Resources/up", "../top.txt", 0120777, 0, {}, false, 0},
                       {"top.txt", "top", 0100644, 0, {}, false, 0}}),
              1);
    EXPECT_TRUE(alerts.alerts().empty());
    EXPECT_EQ(read_file(elsewhere + "tool"), "#!/bin/sh\n");
    EXPECT_TRUE(is_link(product + "Resources/plugins"));
    EXPECT_EQ(fs::read_symlink(product + "Resources/link").string(), "Data/b.txt");
    EXPECT_EQ(read_file(product + "Resources/up"), "top");
}

// The archive of Resources/a.txt, made as listed or replaced by a hostile one:
// a foreign entry, other bytes than the signature, more bytes than the listed
// disk size (whole kB, so up to the next kB). A refused archive fails its file
// with a plain message and keeps the old file and the user's own.
TEST_F(ListedExtract, AnArchiveWritesOnlyItsListedFileWithinSizeAndSignature)
{
    const std::string k3 = std::string(3000, 'a'), k3_max = std::string(3071, 'a');
    const struct {
        const char* what;
        std::string listed;                  // the listed file's bytes; the manifest lists 2 kB for each
        std::vector<zip_entry_spec> archive; // replaces the archive; empty: as made
        int code;
    } cases[] = {
        {"as listed", k3, {}, 0},
        {"up to the next whole kB", k3_max, {}, 0},
        {"a foreign entry", k3, {{"mine.txt", "pwned", 0100644}}, err_zip_foreign},
        {"other bytes than signed", k3, {{"a.txt", std::string(3000, 'b'), 0100644}}, err_zip_signature},
        {"more than the listed kB", k3, {{"a.txt", std::string(3073, 'a'), 0100644}}, err_zip_too_large},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(product);
        put_file("Resources/a.txt", "old a\n");
        put_file("Resources/mine.txt", "the user's own file\n");
        const int r = install({{"Resources/a.txt", c.listed, 0100644, 0, {md5_of("old a\n")}, false, 0}},
                              [&c](const std::string& top) {
                                  if (c.archive.empty()) return;
                                  EXPECT_TRUE(make_zip(top + "Resources/a.txt.zip", c.archive));
                              });
        if (c.code == 0) {
            EXPECT_EQ(r, 1);
            EXPECT_EQ(next.all_done, 1);
            EXPECT_TRUE(alerts.alerts().empty());
            EXPECT_EQ(read_file(product + "Resources/a.txt"), c.listed);
        } else {
            expect_failed_with(c.code);
            EXPECT_EQ(read_file(product + "Resources/a.txt"), "old a\n");
        }
        EXPECT_EQ(read_file(product + "Resources/mine.txt"), "the user's own file\n");
        expect_no_temporaries();
    }
}

} // namespace
