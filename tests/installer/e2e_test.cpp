// The installer end to end: the real program on Xvfb with the sample disc of
// tools/make_sample_disc.py as its working folder (found there as a disc with
// no mount), driven through XTest as a user would. A fresh install and an
// update must leave exactly the trees the script describes; each fault must
// leave the old files intact and say so. Every screen met is saved under
// <build>/screenshots/e2e/<test>/.
#include "support/e2e_driver.h"
#include "support/sample_disc.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Why a folder that held the user's files keeps its name, as the log says it.
const std::string users_reason = "before this installation it held files that are not Skylume's.\n";

class EndToEnd : public ::testing::Test {
protected:
    temp_dir tmp;
    sample_disc sample;
    e2e_session x;
    std::string home, dest, renamed;

    void SetUp() override
    {
        std::string why;
        ASSERT_TRUE(x.open(&why)) << why;
        sample = make_sample_disc(tmp / "sample");
        ASSERT_FALSE(sample.root.empty()) << "tools/make_sample_disc.py failed";
        home = tmp / "home";
        fs::create_directories(home);
        dest = tmp / "Skylume/";
        renamed = tmp / (sample.set_name + "/");
    }
    std::vector<std::string> installer_args() const
    {
        return {e2e_installer_exe(), "-path", dest, "--pref:_log_actions=1"};
    }
    void start(const std::string& cwd) { x.start(cwd, home, installer_args()); }
    std::string said() { return read_file(home + "/stdout.txt") + read_file(home + "/stderr.txt"); }
    std::string log() { return read_file(home + "/Log.txt"); }

    // From the ready main screen: INSTALL, then AGREE in the licence window.
    void install_and_agree()
    {
        ASSERT_TRUE(x.wait_for(180, [&] { return x.main_screen_ready(); }, "the ready screen")) << said();
        x.shoot("ready");
        x.press(at_install);
        ASSERT_TRUE(x.wait_for(60, [&] { return x.sub_window_open(); }, "the licence window"));
        x.shoot("licence");
        x.press(at_agree);
    }
    // The alert window: saved, then Return dismisses it. A fatal alert ends
    // the program with its Return: then the end is the alert closing.
    void answer_alert(const std::string& name, e2e_session::at_end end = e2e_session::at_end::fails)
    {
        ASSERT_TRUE(x.wait_for(60, [&] { return x.alert_open(); }, "the " + name)) << said();
        x.shoot(name);
        x.key_return();
        ASSERT_TRUE(x.wait_for(30, [&] { return !x.alert_open(); }, "the " + name + " to close", end));
    }
    // The completion: the product under the set's name, the alert, EXIT, status 0.
    void complete_and_exit()
    {
        ASSERT_TRUE(x.wait_for(600, [&] { return fs::exists(renamed); }, "the renamed product")) << said();
        answer_alert("completion_alert");
        exit_with_status_zero("complete");
    }
    void exit_with_status_zero(const std::string& shot)
    {
        ASSERT_TRUE(x.wait_for(60, [&] { return x.exit_offered(); }, "EXIT offered"));
        x.shoot(shot);
        x.press(at_exit);
        ASSERT_TRUE(x.wait_end(60)) << "EXIT did not end the installer";
        EXPECT_EQ(x.exit_status(), 0);
        EXPECT_TRUE(x.temp_folders().empty()) << "the run's temporary folder was left";
    }
    // The modified-file question: saved, then answered with the button at `answer`.
    void answer_question(screen_point answer)
    {
        ASSERT_TRUE(x.wait_for(120, [&] { return x.question_open(); }, "the modified-file question")) << said();
        x.shoot("modified_file_question");
        x.press(answer);
    }
    void expect_tree(const std::string& expected, const std::string& actual)
    {
        for (const std::string& d : tree_differences(expected, actual)) ADD_FAILURE() << d;
    }

    // ---- a run without -path: the destination stored by an earlier run, then the chooser
    void start_with_stored_destination(const std::string& folder)
    {
        fs::create_directories(home + "/.skylume");
        write_file(home + "/.skylume/Skylume Installer.prf", "I\n9001 version\n_dest_dir_path " + folder + "\n");
        x.start(sample.root, home, {e2e_installer_exe(), "--pref:_log_actions=1"});
        ASSERT_TRUE(x.wait_for(180, [&] { return x.main_screen_ready(); })) << "no ready screen\n" << said();
    }
    // Waits for the screen to change from before (a frame that took an action), then a moment more.
    bool changed_from(const e2e_screen& before)
    {
        const bool changed = x.wait_for(10, [&] { return x.grab().px != before.px; });
        usleep(300000);
        return changed;
    }
    // DESTINATION, then in the chooser, opened in the destination: up to the
    // folder up_to through the levels' pop-up, unless it is empty; a click on
    // the list's first folder, the name typed (the list goes to the first row
    // it begins) and Return to go into that folder, unless enter is empty;
    // then Select. The chosen destination must be expected before anything
    // else is pressed.
    void choose(const std::string& tag, const std::string& enter, const std::string& expected,
                const std::string& up_to = "")
    {
        x.press(at_destination);
        ASSERT_TRUE(x.wait_for(30, [&] { return x.sub_window_open(); })) << "no folder chooser\n" << said();
        usleep(300000);
        x.shoot(tag + "chooser");
        if (!up_to.empty()) {
            e2e_screen before = x.grab();
            x.press(at_chooser_levels);
            ASSERT_TRUE(changed_from(before)) << "the levels' pop-up did not open";
            x.shoot(tag + "chooser_levels");
            before = x.grab();
            x.press(chooser_level_row(static_cast<int>(std::count(up_to.begin(), up_to.end(), '/')) - 1));
            ASSERT_TRUE(changed_from(before)) << "the pop-up went to no level";
            x.shoot(tag + "chooser_up");
        }
        if (!enter.empty()) {
            // The click may already select the folder typed (the first one):
            // the screen is compared from before it; the destination logged
            // at the end tells whether the name chose the row.
            e2e_screen before = x.grab();
            x.press(at_chooser_list);
            usleep(300000); // the list takes the keys from the frame of the click on
            x.type(enter);
            ASSERT_TRUE(changed_from(before)) << "the list took neither the click nor the name";
            before = x.grab();
            x.key_return();
            ASSERT_TRUE(changed_from(before)) << "Return went into no folder";
            x.shoot(tag + "chooser_inside");
        }
        x.press(at_chooser_select);
        ASSERT_TRUE(x.wait_for(30, [&] { return !x.sub_window_open(); })) << "the chooser stayed open";
        const std::string line = "The destination is now " + expected + "\n";
        ASSERT_TRUE(x.wait_for(10, [&] { return log().find(line) != std::string::npos; }))
            << "the chooser did not give " << expected << "\n" << log();
    }
    // From the ready main screen: INSTALL, then DISAGREE in the licence window.
    void install_and_disagree(const std::string& tag)
    {
        ASSERT_TRUE(x.wait_for(180, [&] { return x.main_screen_ready(); }, "the ready screen")) << said();
        x.press(at_install);
        ASSERT_TRUE(x.wait_for(60, [&] { return x.sub_window_open(); }, "the licence window"));
        x.shoot(tag + "licence");
        x.press(at_disagree);
        ASSERT_TRUE(x.wait_for(60, [&] { return !x.sub_window_open(); }, "the licence window to close"));
    }
    // The run from INSTALL to EXIT where no question is asked, whatever the folder is called after.
    void install_without_question(const std::string& tag)
    {
        install_and_agree();
        ASSERT_TRUE(x.wait_for(600, [&] { return x.alert_open(); })) << "the install never finished\n" << said();
        answer_alert(tag + "completion_alert");
        exit_with_status_zero(tag + "complete");
    }
    // Folders made for the install may stay; no file is touched.
    void expect_files_untouched(const std::string& expected, const std::string& actual)
    {
        for (const std::string& d : tree_differences(expected, actual))
            if (d.find("(folder)") == std::string::npos) ADD_FAILURE() << d;
    }
};

TEST_F(EndToEnd, FreshInstallLeavesTheShippedTreeUnderTheSetsName)
{
    start(sample.root);
    install_and_agree();
    complete_and_exit();
    EXPECT_FALSE(fs::exists(dest)) << "the product folder was not renamed";
    expect_tree(sample.fresh_expected, renamed);
    const std::string text = log();
    EXPECT_NE(text.find("EXPANDING file " + dest + "Skylume-x86, with result=0.\n"), std::string::npos);
    EXPECT_NE(text.find("EXPANDING file " + dest + "Resources/textures/photo_1.raw, with result=0.\n"), std::string::npos);
    EXPECT_EQ(text.find("Skylume.exe"), std::string::npos) << "another platform's file was touched";
}

TEST_F(EndToEnd, UpdateAsksAboutTheModifiedFileAndKeepsTheUsersFiles)
{
    ASSERT_TRUE(copy_tree(sample.update_product, dest));
    start(sample.root);
    install_and_agree();
    answer_question(at_overwrite);
    complete_and_exit();
    expect_tree(sample.update_expected, renamed);
    const std::string text = log();
    EXPECT_NE(text.find("File: " + dest + sample.modified_rel + "  sig_want="), std::string::npos);
    EXPECT_NE(text.find("cleanup: DELETING  file " + dest + "Resources/retired/, with result=0.\n"), std::string::npos);
}

TEST_F(EndToEnd, KilledMidInstallTheNextRunCompletesTheSameTree)
{
    start(sample.root);
    install_and_agree();
    const std::string halfway = dest + "Resources/scenery/region 16/tile 07/obj_00900.txt";
    ASSERT_TRUE(x.wait_for(600, [&] { return fs::exists(halfway); })) << said();
    const pid_t killed = x.pid();
    x.kill_now();
    ASSERT_FALSE(fs::exists(renamed)) << "the install finished before it could be killed";

    start(sample.root);
    install_and_agree();
    complete_and_exit();
    expect_tree(sample.fresh_expected, renamed);
    for (const auto& e : fs::directory_iterator("/tmp"))
        EXPECT_NE(e.path().filename().string().rfind("skylume-" + std::to_string(killed) + "-", 0), 0u)
            << "the killed run's temporary folder was left: " << e.path();
}

// ---- the destination through the folder chooser, and whose folder takes the set's name ----

// The older version installed, the chooser picks its folder, or the folder
// that holds it (the product is found inside): updated in place, renamed, and
// nothing made inside it.
TEST_F(EndToEnd, UpdateThroughTheFolderChooserPickingTheProductOrTheFolderThatHoldsIt)
{
    struct pick_case {
        const char* tag;   // screenshot prefix
        const char* enter; // the folder typed in the chooser; empty: Select where it opens
    } cases[] = {{"product_", "skylume"}, {"holder_", ""}};
    for (const pick_case& c : cases) {
        SCOPED_TRACE(c.tag);
        fs::remove_all(renamed);
        fs::remove_all(dest);
        ASSERT_TRUE(copy_tree(sample.update_product, dest));
        start_with_stored_destination(tmp.path() + "/");
        choose(c.tag, c.enter, dest);
        install_and_agree();
        ASSERT_TRUE(x.wait_for(120, [&] { return x.question_open(); })) << "no question about the modified file";
        x.shoot(std::string(c.tag) + "modified_file_question");
        x.press(at_overwrite);
        complete_and_exit();
        EXPECT_FALSE(fs::exists(dest));
        EXPECT_FALSE(fs::exists(renamed + "Skylume")) << "a second product was made inside the first";
        expect_tree(sample.update_expected, renamed);
    }
}

// A user's own folder, given with -path, stored as the destination, or chosen
// (a folder named like the product, holding the user's notes): the product is
// installed among its files, and the folder keeps its name.
TEST_F(EndToEnd, AUsersFolderKeepsItsNameHoweverItWasChosen)
{
    const std::string user = tmp / "user", expected = tmp / "expected";
    fs::create_directories(user + "/photos");
    write_file(user + "/letter.txt", "Dear pilot,\n");
    write_file(user + "/photos/summer.jpg", "not really a picture\n");
    ASSERT_TRUE(copy_tree(sample.fresh_expected, expected));
    ASSERT_TRUE(copy_tree(user, expected));
    const std::string documents = tmp / "Documents/", games = tmp / "Games/";
    enum how { by_path, stored, chosen };
    struct user_case {
        const char* tag;
        how way;
        std::string folder; // the user's folder the product goes into
    } cases[] = {{"path_", by_path, documents}, {"stored_", stored, documents}, {"chosen_", chosen, games + "Skylume/"}};
    for (const user_case& c : cases) {
        SCOPED_TRACE(c.tag);
        fs::remove_all(c.folder);
        fs::remove_all(renamed);
        fs::create_directories(c.folder);
        ASSERT_TRUE(copy_tree(user, c.folder));
        if (c.way == by_path) x.start(sample.root, home, {e2e_installer_exe(), "-path", c.folder, "--pref:_log_actions=1"});
        if (c.way == stored) start_with_stored_destination(c.folder);
        if (c.way == chosen) {
            start_with_stored_destination(games);
            choose(c.tag, "", c.folder);
        }
        install_without_question(c.tag);
        EXPECT_FALSE(fs::exists(renamed)) << "the user's folder was renamed";
        expect_tree(expected, c.folder);
        EXPECT_NE(log().find("The folder " + c.folder + " keeps its name: " + users_reason), std::string::npos);
    }
}

// The product went into a user's folder, which kept its name; a later run
// updates it with the program files: it is still the user's folder.
TEST_F(EndToEnd, AUsersFolderKeepsItsNameAtALaterRunsUpdate)
{
    const std::string documents = tmp / "Documents/", expected = tmp / "expected";
    fs::create_directories(documents);
    write_file(documents + "letter.txt", "Dear pilot,\n");
    ASSERT_TRUE(copy_tree(sample.fresh_expected, expected));
    ASSERT_TRUE(copy_tree(documents, expected));
    const std::vector<std::string> args = {e2e_installer_exe(), "-path", documents, "--pref:_log_actions=1"};
    x.start(sample.root, home, args);
    install_without_question("first_");
    ASSERT_FALSE(fs::exists(renamed)) << "the user's folder was renamed at the first run";
    // The program as the older version has it, so that the next run brings the program files.
    fs::copy_file(sample.update_product + "Skylume-x86", documents + "Skylume-x86",
                  fs::copy_options::overwrite_existing);

    x.start(sample.root, home, args);
    install_without_question("update_");
    EXPECT_FALSE(fs::exists(renamed)) << "the user's folder was renamed at the update";
    expect_tree(expected, documents);
    const std::string text = log();
    EXPECT_NE(text.find("EXPANDING file " + documents + "Skylume-x86, with result=0.\n"), std::string::npos)
        << "the update brought no program file";
    EXPECT_NE(text.find("The folder " + documents + " keeps its name: " + users_reason), std::string::npos);
}

// One run of the program: a user's folder X, INSTALL, the licence declined;
// another user's folder Y, the same; X again, installed to the end. X held
// the user's files before the first INSTALL: it keeps its name.
TEST_F(EndToEnd, AUsersFolderChosenAgainInTheSameRunKeepsItsName)
{
    const std::string games = tmp / "games/", first = games + "Skylume/", other = games + "other/Skylume/";
    const std::string expected = tmp / "expected";
    fs::create_directories(first);
    fs::create_directories(other);
    write_file(first + "letter.txt", "Dear pilot,\n");
    write_file(other + "notes.txt", "my own notes\n");
    ASSERT_TRUE(copy_tree(sample.fresh_expected, expected));
    ASSERT_TRUE(copy_tree(first, expected));
    start_with_stored_destination(first);
    install_and_disagree("x_");
    choose("y_", "other", other, games); // up to games/, into other/: a folder without the product gets Skylume/
    install_and_disagree("y_");
    choose("x_again_", "", first, games); // up to games/ again
    install_without_question("x_again_");
    EXPECT_FALSE(fs::exists(games + sample.set_name)) << "the user's folder was renamed";
    expect_tree(expected, first);
    EXPECT_NE(log().find("The folder " + first + " keeps its name: " + users_reason), std::string::npos);
}

// ---- faults: each leaves the old files intact and says what happened ---------------------

// Every file of the old product is either as it was or, complete, as the new version has it.
void expect_old_or_new(const std::string& old_tree, const std::string& new_tree, const std::string& actual)
{
    for (const auto& e : fs::recursive_directory_iterator(old_tree)) {
        if (e.is_symlink() || !e.is_regular_file()) continue;
        const std::string rel = fs::relative(e.path(), old_tree).string();
        SCOPED_TRACE(rel);
        const std::string now = read_file(actual + "/" + rel);
        const std::string updated = fs::exists(new_tree + "/" + rel) ? read_file(new_tree + "/" + rel) : "";
        EXPECT_TRUE(now == read_file(e.path().string()) || now == updated) << "damaged";
    }
    for (const auto& e : fs::recursive_directory_iterator(actual))
        EXPECT_EQ(e.path().filename().string().rfind(".sky-unzip-", 0), std::string::npos) << e.path();
}

TEST_F(EndToEnd, DamagedArchiveKeepsTheOldFileAndSaysSo)
{
    ASSERT_TRUE(copy_tree(sample.update_product, dest));
    const std::string archive = sample.root + sample.set_name + "/Skylume/Resources/docs/readme.txt.zip";
    std::string bytes = read_file(archive);
    ASSERT_GT(bytes.size(), 60u);
    for (size_t i = 40; i < bytes.size() / 2 + 20 && i < bytes.size(); ++i) bytes[i] = char(bytes[i] ^ 0x5A);
    write_file(archive, bytes);
    start(sample.root);
    install_and_agree();
    answer_question(at_overwrite);
    answer_alert("extraction_alert");
    exit_with_status_zero("failed");
    EXPECT_EQ(read_file(dest + "Resources/docs/readme.txt"), "Skylume 9 readme\n");
    EXPECT_FALSE(fs::exists(renamed)) << "a failed install renamed the product";
    expect_old_or_new(sample.update_product, sample.update_expected, dest);
    EXPECT_NE((log() + said()).find("The installer cannot extract a file."), std::string::npos);
}

TEST_F(EndToEnd, IntactArchiveWithTheWrongSignatureKeepsTheOldFileAndSaysSo)
{
    // A sound archive whose file has the listed length but other bytes: only
    // the signature check can refuse it.
    ASSERT_TRUE(copy_tree(sample.update_product, dest));
    const std::string archive = sample.root + sample.set_name + "/Skylume/Resources/docs/readme.txt.zip";
    const std::string listed = read_file(sample.update_expected + "Resources/docs/readme.txt");
    std::string other = listed;
    other[0] = char(other[0] ^ 0x20);
    const std::string staged = tmp / "readme.txt";
    write_file(staged, other);
    const std::string rezip = "python3 -c 'import sys, zipfile\n"
                              "with zipfile.ZipFile(sys.argv[1], \"w\", zipfile.ZIP_DEFLATED) as z: z.write(sys.argv[2], \"readme.txt\")' ";
    ASSERT_EQ(std::system((rezip + "'" + archive + "' '" + staged + "'").c_str()), 0);
    start(sample.root);
    install_and_agree();
    answer_question(at_overwrite);
    answer_alert("signature_alert");
    exit_with_status_zero("failed");
    EXPECT_EQ(read_file(dest + "Resources/docs/readme.txt"), read_file(sample.update_product + "Resources/docs/readme.txt"));
    EXPECT_FALSE(fs::exists(renamed)) << "a failed install renamed the product";
    expect_old_or_new(sample.update_product, sample.update_expected, dest);
    EXPECT_NE((log() + said()).find("The installer cannot extract a file."), std::string::npos);
}

TEST_F(EndToEnd, CancellingAtTheModifiedFileQuestionTouchesNothing)
{
    ASSERT_TRUE(copy_tree(sample.update_product, dest));
    start(sample.root);
    install_and_agree();
    answer_question(at_cancel_all);
    ASSERT_TRUE(x.wait_for(60, [&] { return !x.sub_window_open(); }, "the question to close"));
    exit_with_status_zero("cancelled");
    EXPECT_FALSE(fs::exists(renamed)) << "a cancelled install renamed the product";
    EXPECT_NE(log().find("File: " + dest + sample.modified_rel + "  sig_want="), std::string::npos);
    EXPECT_EQ(log().find("EXPANDING file"), std::string::npos) << "a file was installed after the cancel";
    expect_files_untouched(sample.update_product, dest);
}

TEST_F(EndToEnd, TruncatedManifestEndsWithTheDiscMessageAndTouchesNothing)
{
    ASSERT_TRUE(copy_tree(sample.update_product, dest));
    const std::string zip = sample.root + sample.set_name + "/directory.txt.zip";
    const std::string bytes = read_file(zip);
    write_file(zip, bytes.substr(0, bytes.size() / 2));
    start(sample.root);
    answer_alert("manifest_alert", e2e_session::at_end::succeeds);
    ASSERT_TRUE(x.wait_end(60)) << "the installer went on without its manifest";
    EXPECT_NE((log() + said()).find("DVD scan: The installer cannot extract a file."), std::string::npos);
    expect_tree(sample.update_product, dest);
}

TEST_F(EndToEnd, NoDiscAtStartThenTheDiscAppears)
{
    const std::string drive = tmp / "drive/";
    fs::create_directories(drive);
    start(drive);
    ASSERT_TRUE(x.wait_for(60, [&] {
        const unsigned corner = x.grab().at(10, 758);
        return corner != sub_window_backdrop && corner != 0 && corner != 0xFFFFFFFF;
    })) << said();
    usleep(1500000); // a few one-second ticks without a disc
    x.shoot("no_disc");
    EXPECT_FALSE(x.main_screen_ready()) << "INSTALL offered without a disc";
    // The disc arrives: its folders first, the version file last, as a mount would show it whole.
    fs::rename(sample.root + sample.set_name, drive + sample.set_name);
    fs::rename(sample.root + "dvd_version.txt", drive + "dvd_version.txt");
    install_and_agree();
    complete_and_exit();
    expect_tree(sample.fresh_expected, renamed);
}

// The reading of the manifest shows pictures of its own. With no input at
// all, the ready screen must replace the last of them at once, DESTINATION
// and the path field with it, whether the disc was put in while the program
// ran or was there at its start. An update: every file is examined, so the
// reading lasts long enough to show its pictures.
TEST_F(EndToEnd, TheReadyScreenReplacesTheReadingWithoutInput)
{
    const std::string drive = tmp / "drive/";
    fs::create_directories(drive);
    for (const bool put_in_later : {true, false}) {
        const std::string tag = put_in_later ? "disc_put_in_" : "disc_at_start_";
        SCOPED_TRACE(tag);
        fs::remove_all(dest);
        ASSERT_TRUE(copy_tree(sample.update_product, dest));
        start(drive);
        if (put_in_later) {
            ASSERT_TRUE(x.wait_for(60, [&] { return x.exit_offered(); }, "the main screen")) << said();
            usleep(1500000); // a few one-second ticks without a disc
            fs::rename(sample.root + sample.set_name, drive + sample.set_name);
            fs::rename(sample.root + "dvd_version.txt", drive + "dvd_version.txt");
        }
        // INSTALL turns green in the frame of the reading, over its last picture.
        ASSERT_TRUE(x.wait_for(180, [&] { return x.install_offered(); }, "INSTALL offered")) << said();
        const bool whole = x.wait_for(1, [&] { return x.main_screen_ready(); }, "the whole ready screen");
        x.shoot(tag + "ready");
        EXPECT_TRUE(whole) << "a second after the reading, DESTINATION and the path field are still not drawn";
        x.press(at_exit);
        ASSERT_TRUE(x.wait_end(60));
    }
}

// DISAGREE ends the INSTALL there: nothing is asked, and the folders it made
// before the licence, still empty, go again. An installed product is left as
// it was, to the folder; a fresh folder is not there afterwards.
TEST_F(EndToEnd, DisagreeAsksNothingAndLeavesTheFolderAsItWas)
{
    struct decline_case {
        const char* tag;
        bool installed; // the older version is there to update
    } cases[] = {{"update_", true}, {"fresh_", false}};
    for (const decline_case& c : cases) {
        SCOPED_TRACE(c.tag);
        fs::remove_all(dest);
        if (c.installed) {
            ASSERT_TRUE(copy_tree(sample.update_product, dest));
        }
        start(sample.root);
        ASSERT_TRUE(x.wait_for(180, [&] { return x.main_screen_ready(); }, "the ready screen")) << said();
        x.press(at_install);
        ASSERT_TRUE(x.wait_for(60, [&] { return x.sub_window_open(); }, "the licence window"));
        x.shoot(std::string(c.tag) + "licence");
        x.press(at_disagree);
        ASSERT_TRUE(x.wait_for(30, [&] { return x.main_screen_ready(); }, "the ready screen after DISAGREE"));
        const bool asked = x.wait_for(3, [&] { return x.sub_window_open(); });
        x.shoot(std::string(c.tag) + "declined");
        ASSERT_FALSE(asked) << "a window opened after DISAGREE";
        exit_with_status_zero(std::string(c.tag) + "exit");
        if (c.installed) {
            expect_tree(sample.update_product, dest);
        } else {
            EXPECT_FALSE(fs::exists(dest)) << "the folders made for the declined install stayed";
        }
        EXPECT_EQ(log().find("File: "), std::string::npos) << "a modified file was asked about";
    }
}

// The 300 folders after -path, or stored by an earlier run, name a path
// longer than the installer can use: the window says so, naming the folder
// and the reason, before it offers INSTALL into the folder it keeps; once.
TEST_F(EndToEnd, ARefusedDestinationIsToldInTheWindowBeforeInstallIsOffered)
{
    std::string deep = tmp / "deep";
    for (int i = 0; i < 300; ++i) deep += "/f";
    deep += "/";
    struct refused_case {
        const char* tag;
        bool typed; // -path; else the preference file
        const char* from;
    } cases[] = {{"path_", true, "command line"}, {"stored_", false, "preference file"}};
    for (const refused_case& c : cases) {
        SCOPED_TRACE(c.tag);
        fs::remove_all(home);
        fs::create_directories(home + "/.skylume");
        if (c.typed) {
            x.start(sample.root, home, {e2e_installer_exe(), "-path", deep, "--pref:_log_actions=1"});
        } else {
            write_file(home + "/.skylume/Skylume Installer.prf", "I\n9001 version\n_dest_dir_path " + deep + "\n");
            x.start(sample.root, home, {e2e_installer_exe(), "--pref:_log_actions=1"});
        }
        ASSERT_TRUE(x.wait_for(180, [&] { return x.alert_open() || x.main_screen_ready(); })) << said();
        ASSERT_TRUE(x.alert_open()) << "INSTALL was offered with no word about the refused folder\n" << said();
        answer_alert(std::string(c.tag) + "refused_alert");
        ASSERT_TRUE(x.wait_for(180, [&] { return x.main_screen_ready(); }, "the ready screen")) << said();
        EXPECT_FALSE(x.wait_for(2, [&] { return x.sub_window_open(); })) << "a second window after the refusal";
        x.shoot(std::string(c.tag) + "ready");
        const std::string text = log();
        const std::string said_once = std::string("I cannot use the destination from the ") + c.from + ".\n";
        ASSERT_NE(text.find(said_once), std::string::npos) << text;
        EXPECT_EQ(text.find(said_once, text.find(said_once) + 1), std::string::npos) << "told twice";
        EXPECT_NE(text.find(said_once + "Its path is " + std::to_string(deep.size()) + " characters long"),
                  std::string::npos);
        EXPECT_NE(text.find(deep.substr(0, 60)), std::string::npos) << "the folder is not named";
        x.press(at_exit);
        ASSERT_TRUE(x.wait_end(60));
        EXPECT_FALSE(fs::exists(tmp / "deep")) << "the refused folder was made";
    }
}

// ---- a destination with too little room -------------------------------------------------

bool small_tmpfs_allowed()
{
    return geteuid() == 0 && std::system("unshare -m --propagation private true 2>/dev/null") == 0;
}

// kB the regular files below folder take listed (whole kB, rounded up, as
// the disc lists them) and on a tmpfs (whole 4 KiB pages).
struct tree_sizes {
    std::uintmax_t listed_kb = 0, pages_kb = 0;
};
tree_sizes sizes_of(const std::string& folder)
{
    tree_sizes t;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_symlink() || !e.is_regular_file()) continue;
        t.listed_kb += (e.file_size() + 1023) / 1024;
        t.pages_kb += (e.file_size() + 4095) / 4096 * 4;
    }
    return t;
}

class SmallDestination : public EndToEnd {
protected:
    std::string full, out;
    void SetUp() override
    {
        EndToEnd::SetUp();
        full = tmp / "full";
        out = tmp / "out";
        fs::create_directories(full);
        fs::create_directories(out);
    }
    // The installer with its product folder on a tmpfs of kb kB, holding a
    // copy of `product` first (none: a fresh install). The tmpfs lives in the
    // installer's own mount namespace: its tree is copied to `out` at the end.
    void start_on_tmpfs(std::uintmax_t kb, const std::string& product)
    {
        const std::string script = "mount -t tmpfs -o size=" + std::to_string(kb) + "k sky-full \"$1\" && "
                                   "{ [ -z \"$2\" ] || cp -a \"$2/.\" \"$1/Skylume/\"; } && "
                                   "\"$3\" -path \"$1/Skylume/\" --pref:_log_actions=1; s=$?; cp -a \"$1/.\" \"$4/\"; exit $s";
        x.start(sample.root, home, {"unshare", "-m", "--propagation", "private", "sh", "-c", script, "sh", full,
                                    product, e2e_installer_exe(), out});
    }
    // The size summary's verdict below the buttons: 'r' for the red "not
    // enough", 'g' for the green "install at will", 0 while neither shows.
    char verdict()
    {
        const e2e_screen s = x.grab();
        int red = 0, green = 0;
        for (int y = 30; y < 50; ++y)
            for (int px = 140; px < 700; ++px) {
                const int r = int(s.at(px, y) >> 16), g = int((s.at(px, y) >> 8) & 0xFF), b = int(s.at(px, y) & 0xFF);
                red += r > 150 && r > g + 80;
                green += g > r + 40 && g > b + 40;
            }
        if (!x.exit_offered()) return 0;
        return red > 30 ? 'r' : green > 30 ? 'g' : 0;
    }
    // The verdict is "not enough", and INSTALL does nothing; then EXIT.
    void expect_refused()
    {
        char said_now = 0;
        ASSERT_TRUE(x.wait_for(180, [&] { return (said_now = verdict()) != 0; }, "the space verdict")) << said();
        x.shoot("space_verdict");
        ASSERT_EQ(said_now, 'r') << "the ready screen let the installation start";
        x.press(at_install);
        EXPECT_FALSE(x.wait_for(3, [&] { return x.sub_window_open(); })) << "INSTALL went on without the space";
        x.shoot("install_refused");
        x.press(at_exit);
        ASSERT_TRUE(x.wait_end(60));
        EXPECT_EQ(x.exit_status(), 0);
    }
};

TEST_F(SmallDestination, FullDestinationRefusesTheInstallAndSaysSo)
{
    if (!small_tmpfs_allowed()) GTEST_SKIP() << "needs root and mount namespaces for a small tmpfs";
    // Room for the old product and one more MiB, not for the new version's large files.
    start_on_tmpfs(sizes_of(sample.update_product).pages_kb + 1024, sample.update_product);
    expect_refused();
    expect_files_untouched(sample.update_product, out + "/Skylume");
}

// An installed product on a read-only file system: the folders the new
// version needs cannot be made. INSTALL ends there with one alert that says
// why, no licence, and the ready screen back; nothing changes.
TEST_F(EndToEnd, ADestinationWhoseFoldersCannotBeMadeEndsInstallWithOneAlert)
{
    if (geteuid() != 0 || std::system("unshare -m --propagation private true 2>/dev/null") != 0)
        GTEST_SKIP() << "needs root and mount namespaces for a read-only bind mount";
    const std::string frozen = tmp / "frozen/";
    ASSERT_TRUE(copy_tree(sample.update_product, frozen));
    // The read-only mount lives in the installer's own mount namespace and ends with it.
    const std::string script = "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" && "
                               "exec \"$2\" -path \"$1\" --pref:_log_actions=1";
    x.start(sample.root, home, {"unshare", "-m", "--propagation", "private", "sh", "-c", script, "sh", frozen,
                                e2e_installer_exe()});
    ASSERT_TRUE(x.wait_for(180, [&] { return x.main_screen_ready(); }, "the ready screen")) << said();
    x.shoot("ready");
    x.press(at_install);
    answer_alert("folder_alert");
    const bool licence = x.wait_for(3, [&] { return x.sub_window_open(); });
    x.shoot("after_the_alert");
    ASSERT_FALSE(licence) << "the install went on after its folders could not be made";
    ASSERT_TRUE(x.wait_for(30, [&] { return x.main_screen_ready(); }, "the ready screen after the alert"));
    x.press(at_exit);
    ASSERT_TRUE(x.wait_end(60));
    EXPECT_EQ(x.exit_status(), 0);
    const std::string text = log();
    const std::string alert = "An error occurred while creating new folders.";
    ASSERT_NE(text.find(alert), std::string::npos) << text;
    EXPECT_EQ(text.find(alert, text.find(alert) + 1), std::string::npos) << "more than one alert";
    EXPECT_NE(text.find("Error: The destination file system is read-only"), std::string::npos);
    expect_tree(sample.update_product, frozen);
}

// Small files take whole pages: a tmpfs with room for the product's content
// but not for the pages it takes must be refused before anything is written,
// not fail part way.
TEST_F(SmallDestination, RoomForTheContentButNotItsPagesRefusesTheInstall)
{
    if (!small_tmpfs_allowed()) GTEST_SKIP() << "needs root and mount namespaces for a small tmpfs";
    const tree_sizes fresh = sizes_of(sample.fresh_expected);
    ASSERT_GT(fresh.pages_kb, fresh.listed_kb * 5 / 4) << "the sample's small files take whole pages";
    start_on_tmpfs((fresh.listed_kb + fresh.pages_kb) / 2 / 4 * 4, "");
    expect_refused();
    EXPECT_FALSE(fs::exists(out + "/Skylume")) << "the product folder was made";
}

} // namespace
