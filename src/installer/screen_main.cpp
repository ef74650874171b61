// screen_main.cpp - APP_update: the main screen of one frame, drawn in its
// fixed order, with the commands, the road from the disc to the manifest and
// the install slice in their places.
//   background and the disc road (version check, paths, fetch)
//   destination, instructions, DESTINATION, scan
//   servers, preferences, panels, status line
//   INSTALL, BUY ONLINE, EXIT
//   message block by phase, panel, lines and bar
#include "installer/app_screen.h"

#include "engine/install_records.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "foundation/frame_pace.h"
#include "foundation/hl_types.h"
#include "foundation/xtim.h"
#include "installer/image_pieces.h"
#include "installer/number_texts.h"
#include "installer/screen_draw.h"
#include "installer/screen_ops.h"
#include "installer/screen_phases.h"
#include "ui/btn_draw.h"
#include "ui/colr.h"
#include "ui/text_layout.h"
#include "ui/ogl_state.h"

#include <algorithm>

namespace {

constexpr int t_ins_back = 390; // the background picture, 1024 x 768 in a 1024 x 1024 texture
constexpr float dest_field_x = 285, dest_field_y = 89, dest_field_w = 300;
const char* const instruction_text =
    "Click on the 'DESTINATION' button below to choose the copy of Skylume you wish to update, or choose the "
    "destination you wish to install a new copy of Skylume to!";

void text(const screen_text& t, float x, float y, float wrap)
{
    scr_draw.string(t.colour, x, y, t.text, wrap, font_interface, 0);
}

// ---- background and the disc road ---------------------------------------------------------

void background()
{
    scr_draw.quad(t_ins_back, col_white, 1.0f, 0, 0, 0, 0, 0, 768, 0, 0.75f, 1024, 768, 1, 0.75f, 1024, 0, 1, 0, 1,
                  ogl_alpha_blend);
}

void disc_road()
{
    if (stg.server_count == -1) {
        INS_look_for_disc(xtim.ot1);
        INS_check_disc_version();
    }
    // The paths name the set the disc gave, so they wait for the accepted version file.
    if (!ins_screen.paths_built && stg.server_count >= 0) {
        ins_screen.paths = INS_manifest_paths();
        ins_screen.paths_built = 1;
    }
    if (stg.dir_phase == dir_fetch && xtim.ot1 && ins_screen.paths_built) INS_fetch_manifest(ins_screen.paths);
}

// ---- destination and the commands above the panels ------------------------------------------

bool destination_field()
{
    scr_draw.frame1(9, dest_field_x, dest_field_y, dest_field_w, 0);
    scr_draw.string(col_widget_text, 142, 86, dest_dir_path, 9999, font_interface, 0);
    return mnw.mouse_down && mnw.mouse_x >= 135 && mnw.mouse_x <= 435 && mnw.mouse_y >= 79 && mnw.mouse_y <= 99;
}

void destination(bool field_pressed)
{
    if (stg.run_phase == run_installing) return;
    const int pressed = interface_piece(10, 78, piece_destination, 1, tint_green);
    if (pressed || field_pressed) INS_destination_command();
}

void servers()
{
    for (int i = 0; i < stg.server_count && i < max_servers; ++i)
        scr_draw.is_int(142, 578 - 20.0f * static_cast<float>(i), &stg.server_index, i, server_desc[i]);
}

void panels()
{
    interface_piece(0, 595, piece_disc_panel, 0, tint_white);
    interface_icon(29, 608, 0);
    scr_draw.frame2(20, 135, 600, 790, 72, INS_install_set_title(install_name));
    scr_draw.frame2(20, 935, 600, 80, 72, "Disk Reqmt");
    std::string need;
    set_size_str(static_cast<float>(stg.disk_kb), &need);
    scr_draw.string(col_body_text, 954, 635, need, 700, font_interface, 0);
}

void status_line()
{
    text(INS_status_line({ins_screen.run_complete, stg.dir_phase, stg.run_phase}), 154, 615, 700);
    if (ins_screen.run_complete && !ins_screen.informed) {
        ins_screen.informed = 1;
        INS_screen_ops().completion_alert();
    }
}

void install_button()
{
    if (stg.run_phase != run_idle) return;
    const bool live = ins_screen.disk_space_avail && stg.dir_phase == dir_ready;
    if (interface_piece(450, 78, piece_install, live ? 1 : 0, live ? tint_green : tint_red) && live)
        INS_install_command();
}

// ---- the message block by phase ------------------------------------------------------------------

void size_summary()
{
    ins_screen.tot_disk_req = stg.disk_kb;
    ins_screen.tot_disk_room = std::max(stg.disk_need_kb, stg.disk_kb); // never less than the content
    ins_screen.totl_inst_rat = 0;
    ins_screen.tot_availabl = INS_screen_ops().free_kb(dest_dir_path);
    if (stg.dir_phase != dir_fetch && ins_screen.tot_disk_req != 0)
        set_size_str(static_cast<float>(ins_screen.tot_disk_req), &ins_screen.tot_disk_req_str);
    ins_screen.block = INS_size_summary({stg.dir_phase, ins_screen.tot_disk_req, ins_screen.tot_disk_room,
                                        ins_screen.tot_availabl, ins_screen.tot_disk_req_str, install_name});
    if (stg.dir_phase == dir_ready)
        ins_screen.disk_space_avail = INS_space_is_there(ins_screen.tot_disk_room, ins_screen.tot_availabl);
}

// The figures are the slice's own: on the frame whose slice ended the run,
// the streams are reset already, and the run's last figures are shown.
void installing()
{
    INS_install_slice();
    const run_figures& run = ins_screen.figures;
    progress_inputs in;
    in.file_action = stg.file_action;
    in.file_name = crnt_file_name;
    in.disk_kb_done = run.disk_kb_done;
    in.need_kb = ins_screen.tot_disk_req;
    in.need_str = ins_screen.tot_disk_req_str;
    in.histories = static_cast<double>(sim_info.size());
    in.passed = run.passed;
    in.elapsed = xtim.elapsed_time - run.start_time;
    ins_screen.totl_inst_rat = INS_installed_fraction(in.disk_kb_done, in.need_kb);
    ins_screen.block = INS_progress_texts(in);
}

// The message block of the phase; true when it shows a run's progress.
bool phase_texts()
{
    ins_screen.block = INS_empty_block();
    const int phase = stg.run_phase;
    switch (phase) {
    case run_idle: size_summary(); break;
    case run_installing: installing(); break;
    default: ins_screen.block = INS_done_texts(stg.install_error, ins_screen.run_complete); break;
    }
    if (stg.net_retry) ins_screen.block = INS_retry_texts(crnt_file_path);
    return phase == run_installing;
}

// The bar's fill goes with the progress texts, also on the frame that ended the run.
void message_panel_and_bar(bool progress_shown)
{
    scr_draw.frame2(20, 135, 32, 880, 40, "");
    for (int i = 0; i < 3; ++i) text(ins_screen.block.line[i], 144, 58 - 10.0f * static_cast<float>(i), 9999);
    scr_draw.frame1(4, 574, bar_y, bar_width, 0);
    const bar_fill fill = INS_bar_fill(progress_shown, ins_screen.totl_inst_rat);
    if (fill.shown) scr_draw.frame1(5, fill.centre, bar_y, fill.width, 0);
}

// ---- how the screen paces its frames ---------------------------------------------------------------

// The free space is the one thing on a still screen that changes without
// the user: its text (and whether INSTALL is live) are looked at again.
int free_space_unchanged()
{
    const double now_kb = INS_screen_ops().free_kb(dest_dir_path);
    std::string now_str, shown_str;
    set_size_str(static_cast<float>(now_kb), &now_str);
    set_size_str(static_cast<float>(ins_screen.tot_availabl), &shown_str);
    return now_str == shown_str && INS_space_is_there(ins_screen.tot_disk_room, now_kb) ==
                                       INS_space_is_there(ins_screen.tot_disk_room, ins_screen.tot_availabl);
}

// A running installation keeps the frame busy, and so does its end until the
// completion alert is up; the disc road keeps its frames for the clock's
// ticks; anything else holds still until input.
void pace_frames()
{
    if (stg.run_phase == run_installing) return fpace.busy();
    if (stg.server_count < 0 || stg.dir_phase == dir_fetch || stg.dir_phase == dir_scan) return;
    // The completion alert comes with the next frame, which must not wait.
    if (ins_screen.run_complete && !ins_screen.informed) return fpace.busy();
    fpace.hold_still();
    if (stg.run_phase == run_idle && !stg.net_retry) fpace.probe(free_space_unchanged);
}

} // namespace

void APP_update()
{
    background();
    disc_road();
    const bool field_pressed = destination_field();
    scr_draw.string(col_body_text, 134, 112, instruction_text, 9999, font_interface, 0);
    destination(field_pressed);
    if (stg.dir_phase == dir_scan) INS_scan_manifest(ins_screen.paths);
    servers();
    if (scr_draw.action(50, 750, -1, 0, 1, "preferences", "-")) INS_screen_ops().handle_prefs();
    panels();
    status_line();
    install_button();
    if (interface_piece(700, 78, piece_buy_online, 1, tint_green))
        INS_screen_ops().go_to_URL(maker_web_link("/store/"));
    if (interface_piece(960, 78, piece_exit, 1, tint_green)) INS_exit_command();
    message_panel_and_bar(phase_texts());
    pace_frames();
}
