// lin_swap.cpp - the GLX buffer swap of the drawing layer.
#include "ui/ogl_sbuff.h"

#include "foundation/hl_types.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

void LIN_swap_buffers()
{
    if (!mnw.display || mnw.draw_wind < 0 || mnw.draw_wind > 1) return;
    glXSwapBuffers(static_cast<Display*>(mnw.display), static_cast<GLXDrawable>(mnw.xwin[mnw.draw_wind]));
}
