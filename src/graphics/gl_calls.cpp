// gl_calls.cpp - the GL call table, filled with Mesa's entry points.
#include "graphics/gl_calls.h"

// Both tables are constant-initialised (addresses of library functions), so a
// drawing call made during static construction already reaches GL.
#define SKY_GL_ENTRY(result, name, params, args) &gl##name,
const gl_call_table gl_mesa = {SKY_GL_CALLS(SKY_GL_ENTRY) &LIN_get_proc_address};
gl_call_table gl = {SKY_GL_CALLS(SKY_GL_ENTRY) &LIN_get_proc_address};
#undef SKY_GL_ENTRY
