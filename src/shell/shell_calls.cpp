// shell_calls.cpp - the calls out of the shell and their defaults.
#include "shell/shell_calls.h"

#include "graphics/tman.h"
#include "shell/subwin.h"
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

const shell_calls defaults = {no_update,  no_menu, no_focus_ring, no_zap_boxes, OGL_sbuff, texture_failed,
                              mute_texture_failure, no_full_speed};

shell_calls installed = defaults;

template <class F>
F or_default(F fn, F fallback)
{
    return fn ? fn : fallback;
}

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

void MACIBM_install_shell_hooks() { KEYS_set_handleclick_hook(MACIBM_handleclick); }
