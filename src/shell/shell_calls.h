// shell_calls.h - what the shell calls in the layers that build on it or that
// are not linked yet (the application's per-frame and menu hooks and settings,
// the widget set's focus ring and close boxes), and the buffer swap and the
// texture manager's failure flags, which tests replace. Start-up installs the
// real ones; tests install recorders.
#pragma once

enum texture_failure : int { tex_fail_scenery_kind = 0, tex_fail_plane_kind = 1, tex_fail_instl_kind = 2 };

struct shell_calls {
    void (*app_update)();                        // APP_update: the main screen's frame; default nothing
    void (*app_handlemenu)(int command);         // APP_handlemenu; default nothing
    void (*begin_focus_ring)();                  // BTN_begin_focus_ring; default nothing
    int (*zap_boxes)(int pressed);               // BTN_zap_boxes; default draws nothing, 0
    void (*swap_buffers)();                      // OGL_sbuff (the default)
    int (*texture_failed)(int kind);             // 1 while a failure of the kind is unreported; default tman's
    void (*mute_texture_failure)(int kind);      // marks it reported; default tman's mute
    int (*use_max_cpu)();                        // stg.use_max_cpu: never wait for input; default 0
};

// Installs the calls and returns the ones they replace; null members: the defaults.
shell_calls MACIBM_set_shell_calls(const shell_calls& calls);
const shell_calls& MACIBM_shell_calls(); // the calls in force, never null members

// Installs the shell into the keyboard layer (Return closes a sub-window
// through MACIBM_handleclick) and into the widget set (the popup menu, the
// sub-window switch, the frame and the folder chooser); start-up calls it once.
void MACIBM_install_shell_hooks();
