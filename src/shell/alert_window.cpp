// alert_window.cpp - the alert window 995.
//
//   gl       leaving the interrupted caller's GL state behind
//   drawing  one pass of the window
//   loop     MACIBM_alert_window and the install call
#include "shell/alert_window.h"

#include "foundation/hl_types.h"
#include "graphics/gl_calls.h"
#include "graphics/ogl_extensions.h"
#include "shell/finishup.h"
#include "shell/frame.h"
#include "shell/subwin.h"
#include "ui/btn_buttons.h"
#include "ui/btn_frames.h"
#include "ui/colr.h"
#include "ui/ogl_draw.h"
#include "ui/ogl_text.h"

#include <GL/glext.h>

namespace {

constexpr int alert_label_text = 603; // the button's label in the string store
constexpr float line_ys[4] = {205, 165, 125, 85};
constexpr float location_y = 45, button_y = 18;

// ---- gl ------------------------------------------------------------------------------

// The alert may interrupt a glBegin block, a display list, a shader or an
// off-screen target; the errors these calls raise when nothing was open are
// drained with the older ones.
void leave_callers_gl_state()
{
    gl.End();
    gl.EndList();
    for (int i = 0; i < 30; ++i) gl.GetError();
    OGL_nrml_colors();
    if (glExt.glsl_avail) glExt.glUseProgramObjectARB(0);
    if (glExt.framebuf_avail) glExt.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// ---- drawing -------------------------------------------------------------------------------

void draw_centred(float y, const std::string& text)
{
    OGL_string(col_alert_text, mnw.wind_dx / 2, y, text, 0.9f * mnw.wind_dx, font_interface, 1);
}

// One pass: background, frame, panel and content; the button's label.
std::string draw_alert(const alert_lines& lines, int type, const std::string& location)
{
    OGL_plot_back_col();
    BTN_fillwin(1, 21);
    BTN_subwin(0.0f, 13, -1, 35, -1, -1, "", &wx, &wy);
    if (type == t_language) {
        const float x = mnw.wind_dx / 2 - 25;
        BTN_is_int(x, 180, &mnw.lang, 0, "|English");
        BTN_is_int(x, 160, &mnw.lang, 1, "|French");
        stls.title = "Language/"; // the frame of this pass already has the old title
        return "Accept";
    }
    const std::string* texts[4] = {&lines.l1, &lines.l2, &lines.l3, &lines.l4};
    for (int i = 0; i < 4; ++i) draw_centred(line_ys[i], *texts[i]);
    if (type == t_exit) draw_centred(location_y, location);
    return stls.text[alert_label_text];
}

} // namespace

// ---- loop ----------------------------------------------------------------------------------

void MACIBM_alert_window(int return_window, const alert_lines& lines, int type, const std::string& location)
{
    leave_callers_gl_state();
    const float saved_x = mnw.mouse_x, saved_y = mnw.mouse_y;
    MACIBM_startwind(win_alert, 0);
    return_hit = 0; // a Return of the interrupted frame must not dismiss an alert nobody has seen
    while (mnw.cur_wind == win_alert) {
        const std::string label = draw_alert(lines, type, location);
        const bool pressed = BTN_action(mnw.wind_dx / 2, button_y, 0.0f, 0, 1, label, "-") || return_hit;
        if (pressed) {
            return_hit = 0;
            if (type == t_exit) return;
            MACIBM_startwind(return_window, 0);
            mnw.mouse_x = saved_x;
            mnw.mouse_y = saved_y;
            return;
        }
        MACIBM_event_proc();
    }
}

void MACIBM_install_alert_hooks()
{
    MACIBM_set_alert_window_hook(MACIBM_alert_window);
    MACIBM_set_finishup_hook(MACIBM_window_finishup);
}
