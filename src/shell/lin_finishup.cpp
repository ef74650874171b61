// lin_finishup.cpp - the X11 step of the ordered exit.
#include "shell/finishup.h"

#include "foundation/hl_types.h"

#include <X11/Xlib.h>

void LIN_ungrab_keyboard()
{
    if (!mnw.display) return;
    Display* display = static_cast<Display*>(mnw.display);
    XUngrabKeyboard(display, CurrentTime);
    XFlush(display); // the process ends next: the request must leave now
}
