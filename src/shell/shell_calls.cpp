// shell_calls.cpp - the calls out of the shell and their defaults.
#include "shell/shell_calls.h"

#include "foundation/hl_types.h"
#include "graphics/tman.h"
#include "shell/call_tables.h"
#include "shell/folder_chooser.h"
#include "shell/frame.h"
#include "shell/menus.h"
#include "shell/subwin.h"
#include "ui/btn_shell.h"
#include "ui/keys.h"
#include "ui/ogl_sbuff.h"

namespace {

void no_update() {}
void no_menu(int) {}
void no_focus_ring() {}
int no_zap_boxes(int) { return 0; }

// The texture manager's failure flags by kind.
int texture_failed(int kind)
{
    switch (kind) {
    case tex_fail_scenery_kind: return tman.has_scene_load_fail();
    case tex_fail_plane_kind: return tman.has_plane_load_fail();
    case tex_fail_instl_kind: return tman.has_instl_load_fail();
    default: return 0;
    }
}

void mute_texture_failure(int kind)
{
    switch (kind) {
    case tex_fail_scenery_kind: tman.mute_scene_load_fail(); break;
    case tex_fail_plane_kind: tman.mute_plane_load_fail(); break;
    case tex_fail_instl_kind: tman.mute_instl_load_fail(); break;
    default: break;
    }
}
int no_full_speed() { return 0; }

// The pop-up text list's rows become the popup menu's record.
void show_popup(const btn_popup_layout& layout)
{
    if (menu.size() <= static_cast<std::size_t>(menu_popup)) return; // no menu table yet
    menu_struct& m = menu[menu_popup];
    m.parent = -1;
    m.l = layout.l;
    m.b = layout.b;
    m.r = layout.r;
    m.t = layout.t;
    m.items.clear();
    for (const btn_popup_row& row : layout.rows) {
        item_struct it;
        it.text = row.text;
        it.l = row.l;
        it.b = row.b;
        it.r = row.r;
        it.t = row.t;
        m.items.push_back(it);
    }
}

const shell_calls defaults = {no_update,  no_menu, no_focus_ring, no_zap_boxes, OGL_sbuff, texture_failed,
                              mute_texture_failure, no_full_speed};

shell_calls installed = defaults;

} // namespace

shell_calls MACIBM_set_shell_calls(const shell_calls& calls)
{
    const shell_calls previous = installed;
    installed.app_update = or_default(calls.app_update, defaults.app_update);
    installed.app_handlemenu = or_default(calls.app_handlemenu, defaults.app_handlemenu);
    installed.begin_focus_ring = or_default(calls.begin_focus_ring, defaults.begin_focus_ring);
    installed.zap_boxes = or_default(calls.zap_boxes, defaults.zap_boxes);
    installed.swap_buffers = or_default(calls.swap_buffers, defaults.swap_buffers);
    installed.texture_failed = or_default(calls.texture_failed, defaults.texture_failed);
    installed.mute_texture_failure = or_default(calls.mute_texture_failure, defaults.mute_texture_failure);
    installed.use_max_cpu = or_default(calls.use_max_cpu, defaults.use_max_cpu);
    return previous;
}

const shell_calls& MACIBM_shell_calls() { return installed; }

void MACIBM_install_shell_hooks()
{
    KEYS_set_handleclick_hook(MACIBM_handleclick);
    BTN_set_shell_calls({show_popup, MACIBM_startwind, MACIBM_event_proc, GetFilePathFromUser});
}
