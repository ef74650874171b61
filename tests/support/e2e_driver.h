// e2e_driver.h - the installer as a user meets it: the real program, a real X
// server (Xvfb, Mesa's GL), pressed and typed to through XTest, its screens
// saved as PNG files under <build>/screenshots/e2e/<test>/.
//
// Positions are the screen's interface units: x to the right, y upwards from
// the bottom edge, as the installer lays out its 1024 x 768 screen.
#pragma once

#include <sys/types.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

struct _XDisplay;

// ---- where the screens put their controls ------------------------------------------
struct screen_point {
    int x, y;
};
constexpr screen_point at_install{491, 89};          // INSTALL, main screen
constexpr screen_point at_exit{985, 89};             // EXIT, main screen
constexpr screen_point at_destination{73, 89};       // DESTINATION, main screen
// The folder chooser, 561 x 474 units centred on the screen, its corner at (232, 147).
constexpr screen_point at_chooser_list{332, 423};    // the list's top row: its first folder
constexpr screen_point at_chooser_select{742, 175};  // Select
constexpr screen_point at_chooser_levels{512, 587};  // the pop-up of the shown folder's levels
// The pop-up's row of level `level` ("/" is level 0), once open: the list
// hangs from its button below the title bar, the root on the button.
constexpr screen_point chooser_level_row(int level) { return {514, 588 - 12 * level}; }
constexpr screen_point at_agree{691, 255};           // AGREE, licence window
constexpr screen_point at_disagree{604, 255};        // DISAGREE, licence window
constexpr screen_point at_overwrite{258, 364};       // OVERWRITE THE OLD FILE, modified-file question
constexpr screen_point at_cancel_all{746, 339};      // CANCEL THE WHOLE INSTALLATION!, the same question
constexpr screen_point at_alert_ok{511, 277};        // OK, the alert window
constexpr unsigned sub_window_backdrop = 0x334356;   // a sub-window clears the screen to this

struct e2e_screen {
    std::vector<unsigned> px; // 0xRRGGBB, top row first; empty when unreadable
    unsigned at(int x, int y) const; // interface units, y upwards
};

class e2e_session {
public:
    e2e_session() = default;
    ~e2e_session();
    e2e_session(const e2e_session&) = delete;
    e2e_session& operator=(const e2e_session&) = delete;

    // Opens the tests' Xvfb and checks XTest; false with the reason in *why.
    bool open(std::string* why);
    // The same on another server the test started (display_name ":5"): the
    // program started next runs there, and the presses and grabs go there.
    bool open_on(const std::string& display_name, std::string* why);
    // Lets go of the connection without a word to the server, for a server the
    // test is about to kill: closing a dead connection would end the test
    // program through Xlib. Presses and grabs are no longer possible.
    void drop_display();
    // Starts argv (argv[0] a path) in cwd with HOME = home, stdout and stderr
    // into home/stdout.txt and home/stderr.txt, on this display, or with no
    // DISPLAY at all.
    void start(const std::string& cwd, const std::string& home, const std::vector<std::string>& argv,
               bool with_display = true);
    bool running();
    // What a wait makes of the program ending before its condition held.
    enum class at_end {
        fails,    // the program should still be there
        succeeds, // the end is one way the awaited thing happens (a fatal alert closed)
    };
    // Polls cond every 20 ms for at most `seconds`. A failure names the wait
    // (`what`) and says whether it timed out or the program ended, and how.
    ::testing::AssertionResult wait_for(int seconds, const std::function<bool()>& cond, const std::string& what = "",
                                        at_end end = at_end::fails);
    // Waits for the end; a program still running then is killed and counts as hung.
    ::testing::AssertionResult wait_end(int seconds);
    void kill_now();                 // SIGKILL, waited for
    int exit_status() const;         // the status of a normal end, -1 after a signal
    pid_t pid() const { return child; }

    void hover(screen_point p);      // move there and wait for the hover frame
    void press(screen_point p);      // hover there, then click()
    void click();                    // left button down and up where the pointer is
    void key_return();
    void type(const std::string& text); // lower-case letters, digits and blanks, one key each
    e2e_screen grab();
    // Saves the screen as <shot dir>/e2e/<test>/<nn>_<name>.png.
    void shoot(const std::string& name);

    // ---- screens as the installer shows them
    bool sub_window_open();          // licence, question or alert
    bool alert_open();               // the alert window: its white panel below a dark title band
    bool question_open();            // the modified-file question: wider than the licence window
    bool install_offered();          // the title band drawn and INSTALL offered (tinted green)
    // The main screen offering INSTALL, drawn whole: also DESTINATION and the
    // path field, which the manifest's reading pictures cover; the disc read,
    // the folder examined.
    bool main_screen_ready();
    bool exit_offered();             // the main screen with its EXIT button
    std::vector<std::string> temp_folders(); // /tmp/skylume-<pid>-*, this run's private ones

private:
    _XDisplay* display = nullptr;
    std::string program_display; // DISPLAY for the program; empty: the tests' Xvfb
    pid_t child = -1;
    int status = -1;
    bool ended = false;
    int shot_number = 0;
};

// The installer program's path, for argv[0].
std::string e2e_installer_exe();
