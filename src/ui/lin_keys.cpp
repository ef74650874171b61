// lin_keys.cpp - keysyms and their names from the X server.
#include "ui/lin_keys.h"

#include "foundation/hl_types.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace {

// The keyboard extension's look-up replaces the deprecated XKeycodeToKeysym;
// group 0 with the level index gives the same unshifted and shifted keysyms.
class x_keysyms final : public keysym_source {
public:
    unsigned long keysym(int keycode, int index) override
    {
        Display* display = static_cast<Display*>(mnw.display);
        if (display == nullptr) return NoSymbol;
        return XkbKeycodeToKeysym(display, static_cast<KeyCode>(keycode), 0, static_cast<unsigned>(index));
    }

    const char* keysym_name(unsigned long sym) override
    {
        return sym == NoSymbol ? nullptr : XKeysymToString(static_cast<KeySym>(sym));
    }
};

} // namespace

keysym_source& LIN_keysyms()
{
    static x_keysyms source;
    return source;
}
