// lin_keys.h - the X server's keysyms for the keyboard layer. Its source file is
// the only one of this layer that includes Xlib.
#pragma once

#include "ui/keys.h"

// Reads the keyboard mapping of mnw.display; with no display open every level
// is NoSymbol. Main thread only.
keysym_source& LIN_keysyms();
