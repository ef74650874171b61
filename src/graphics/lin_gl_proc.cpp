// lin_gl_proc.cpp - GL entry points by name, through GLX.
#include "graphics/gl_calls.h"

#include <GL/glx.h>

gl_proc LIN_get_proc_address(const char* name)
{
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
}
