// prefs_window.cpp - the preferences window.
#include "installer/prefs_window.h"

#include "engine/stg.h"
#include "files/http.h"
#include "foundation/hl_types.h"
#include "installer/number_texts.h"
#include "installer/screen_draw.h"
#include "shell/frame.h"
#include "shell/subwin.h"

namespace {

constexpr int proxy_text_max = 65;
constexpr float proxy_field_width = 455.0f;

// The list works on the 0-based entry; the record keeps os_mac..os_linux.
void operating_system_choice()
{
    stg.download_os -= 1;
    scr_draw.textlist(200, 310, &stg.download_os, "Macintosh-Windows-Linux",
                      "Operating System to download Skylume for:|(Install and copy the entire Skylume folder to "
                      "another computer if you like)");
    stg.download_os += 1;
}

void check_boxes()
{
    scr_draw.boolean(30, 265, &stg.use_max_cpu,
                     "|run at full speed all the time, always totally saturating the CPU... typically leave this "
                     "OFF, since the installer does not need that much CPU to download stuff!",
                     0);
    scr_draw.boolean(30, 230, &stg.rename_folder,
                     "|re-name the Skysuite folder to the latest version number when done with the update... "
                     "typically leave this ON, so the installer can indicate the proper version number!",
                     0);
    scr_draw.boolean(30, 190, &stg.always_ask_dir,
                     "|always ask you to pick your Skysuite folder on startup... typically leave this OFF, since the "
                     "installer will remember your current Skylume folder after the first use.",
                     0);
    int manual = stg.stream_count != 0;
    scr_draw.boolean(30, 150, &manual,
                     "|manually set the number of download streams... typically leave this OFF, and the installer "
                     "will find the best number of streams for you.",
                     0);
    scr_draw.boolean(30, 110, &stg.log_actions,
                     "|log installer actions... turn this on to output the installer file downloads and stuff to the "
                     "file log.txt.",
                     0);
    if (!manual) stg.stream_count = 0; // automatic
    else scr_draw.int_range(400, 150, &stg.stream_count, 1, 1.0f, 4.0f, "");
}

void proxy_fields()
{
    scr_draw.enterstring(85, 40, &http.proxy_host, proxy_text_max, "-proxy host", proxy_field_width, 1);
    scr_draw.enterstring(85, 20, &http.proxy_port_text, proxy_text_max, "-proxy port", proxy_field_width, 1);
    // An emptied field keeps the last port: deleting "8080" to type another keeps 8080 until a digit comes.
    if (!http.proxy_port_text.empty()) http.proxy_port = INS_proxy_port_of(http.proxy_port_text);
}

} // namespace

int INS_proxy_port_of(const std::string& text)
{
    const int port = str_to_int(text); // -1 for a text that is no number
    return port >= 1 && port <= 65535 ? port : 0;
}

void INS_prefs_frame()
{
    scr_draw.plot_back_col();
    scr_draw.fillwin(1, 21);
    float next_x = 0, next_y = 0;
    scr_draw.subwin(0, 13, -1, -1, -1, 70, "Proxy (if you are behind a firewall with a Proxy)", &next_x, &next_y);
    scr_draw.subwin(0, 13, -1, 90, -1, -1, "General Preferences", &next_x, &next_y);
    operating_system_choice();
    check_boxes();
    proxy_fields();
}

void handle_prefs()
{
    MACIBM_startwind(win_prefs, 0);
    while (mnw.cur_wind == win_prefs) {
        if (MACIBM_pass_due()) INS_prefs_frame(); // still until something on it changes
        MACIBM_event_proc();
    }
}
