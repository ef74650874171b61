// licence_window.cpp - the licence agreement window.
#include "installer/licence_window.h"

#include "foundation/hl_types.h"
#include "installer/image_pieces.h"
#include "installer/screen_draw.h"
#include "shell/frame.h"
#include "shell/subwin.h"
#include "ui/btn_draw.h"
#include "ui/colr.h"
#include "ui/text_layout.h"

const char* const licence_statements[3] = {
    "Skylume is licensed to you, not sold.",
    "You may not resell, rent or share your copy with others.",
    "You may install and use Skylume on the computers you use yourself. It comes as it is: as far as the law "
    "allows, the maker gives no warranty beyond what the law requires and is not liable for losses from its use. "
    "You may end this licence at any time by deleting every copy you have.",
};

namespace {

int agreed = 0; // the answer of this run; an acceptance holds to the end of the run

constexpr float statement_wrap = 400.0f;
constexpr float statement_x = 20.0f;
constexpr float statement_y[3] = {250.0f, 230.0f, 210.0f};

} // namespace

void INS_licence_forget() { agreed = 0; }

void INS_licence_frame()
{
    scr_draw.plot_back_col();
    scr_draw.fillwin(1, 21);
    float next_x = 0, next_y = 0;
    scr_draw.subwin(0, 16, -1, 50, -1, -1, "", &next_x, &next_y);
    for (int i = 0; i < 3; ++i)
        scr_draw.string(col_body_text, statement_x, statement_y[i], licence_statements[i], statement_wrap,
                        font_interface, 0);
    if (interface_piece(300, 10, piece_disagree, 1, tint_green)) {
        agreed = 0;
        MACIBM_startwind(win_main, 0); // drops this frame's click: AGREE cannot take it too
    }
    if (interface_piece(400, 10, piece_agree, 1, tint_green)) {
        agreed = 1;
        MACIBM_startwind(win_main, 0);
    }
}

int handle_EULA()
{
    if (agreed) return 1;
    MACIBM_startwind(win_eula, 0);
    while (mnw.cur_wind == win_eula) {
        if (MACIBM_pass_due()) INS_licence_frame(); // still until something on it changes
        MACIBM_event_proc();
    }
    return agreed;
}
