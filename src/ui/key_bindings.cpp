// key_bindings.cpp - bound keys press, hold and release commands of the
// registry; the text forms of the modifier flags.
#include "ui/keys.h"

#include "foundation/cmnd.h"

#include <iterator>

namespace {

void registry_press_one(int c) { cmnd.press_one(c); }
void registry_release_one(int c) { cmnd.release_one(c); }
void registry_press_always(int c) { cmnd.press_always(c); }

constexpr cmnd_actions registry_actions = {registry_press_one, registry_release_one, registry_press_always};
cmnd_actions actions = registry_actions;

struct flag_name {
    int bit;
    const char* word; // what users read
    const char* code; // the constant's name
};
constexpr flag_name flag_names[] = {
    {skyd_ShiftFlag, "SHIFT", "skyd_ShiftFlag"},
    {skyd_OptionAltFlag, "ALT", "skyd_OptionAltFlag"},
    {skyd_ControlFlag, "CTRL", "skyd_ControlFlag"},
};

std::string join_flags(int flags, const char* flag_name::*part, const char* none)
{
    std::string text;
    for (const flag_name& f : flag_names) {
        if (!(flags & f.bit)) continue;
        if (!text.empty()) text += "+";
        text += f.*part;
    }
    return text.empty() ? none : text;
}

} // namespace

cmnd_actions KEYS_set_cmnd_actions(const cmnd_actions& next)
{
    const cmnd_actions previous = actions;
    actions.press_one = next.press_one ? next.press_one : registry_actions.press_one;
    actions.release_one = next.release_one ? next.release_one : registry_actions.release_one;
    actions.press_always = next.press_always ? next.press_always : registry_actions.press_always;
    return previous;
}

// A press needs the exact modifiers; a release ends a held binding whatever the
// modifiers are by then, so letting go of Shift first cannot leave it held.
void keys_class::execute_key_cmnd(int vkey, int flags)
{
    for (key_binding& b : bindings) {
        if (b.vkey != vkey) continue;
        if (b.flags == (flags & skyd_ModifierFlags) && (flags & skyd_DownFlag)) {
            actions.press_one(b.cmnd);
            b.down = 1;
        }
        if (b.down && (flags & skyd_UpFlag)) {
            actions.release_one(b.cmnd);
            b.down = 0;
        }
    }
}

// The repetition rate is the frame rate: no delay or rate of its own.
void keys_class::run_repeat_keys()
{
    for (const key_binding& b : bindings)
        if (b.down) actions.press_always(b.cmnd);
}

int keys_class::key_bound_to(int vkey, int flags) const
{
    for (const key_binding& b : bindings)
        if (b.vkey == vkey && b.flags == flags) return b.cmnd;
    return 0;
}

// A held binding that loses its key would never see its release and would
// repeat for the rest of the run, so it lets go here.
void keys_class::assign_key(int index, int vkey, int flags)
{
    if (index < 0 || index >= static_cast<int>(bindings.size())) return;
    auto take = [](key_binding& b, int v, int f) {
        if (b.vkey == v && b.flags == f) return;
        if (b.down) {
            actions.release_one(b.cmnd);
            b.down = 0;
        }
        b.vkey = v;
        b.flags = f;
    };
    for (int i = 0; i < static_cast<int>(bindings.size()); ++i)
        if (i != index && bindings[i].vkey == vkey && bindings[i].flags == flags) take(bindings[i], 0, 0);
    take(bindings[static_cast<size_t>(index)], vkey, flags);
}

// No key file exists: only the reset does anything. Bindings that survive the
// resize keep their down flag, so a held key still releases.
void keys_class::keys_io(int io)
{
    if (io != 0) return;
    const size_t n = std::size(default_commands);
    bindings.resize(n, key_binding{0, 0, 0, 0});
    for (size_t i = 0; i < n; ++i) {
        bindings[i].vkey = default_commands[i].vkey;
        bindings[i].flags = default_commands[i].flags;
        bindings[i].cmnd = cmnd.get_cmnd_by_name(default_commands[i].path);
    }
}

std::string keys_class::get_key_for_cmnd(int command) const
{
    for (const key_binding& b : bindings) {
        if (b.cmnd != command) continue;
        std::string label = vkey_to_str(b.vkey);
        if (!label.empty() && label[0] >= 'A' && label[0] <= 'Z') label[0] = static_cast<char>(label[0] - 'A' + 'a');
        if ((b.flags & skyd_ModifierFlags) == 0) return label;
        return flag_to_str(b.flags) + "-" + label;
    }
    return "";
}

std::string keys_class::flag_to_str(int flags) { return join_flags(flags, &flag_name::word, "<none>"); }

std::string keys_class::flag_to_code(int flags) { return join_flags(flags, &flag_name::code, "0"); }

int keys_class::str_to_flag(const std::string& text)
{
    int flags = 0;
    for (const flag_name& f : flag_names)
        if (text.find(f.word) != std::string::npos) flags |= f.bit;
    return flags;
}
