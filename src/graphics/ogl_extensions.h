// ogl_extensions.h - what the GL driver can do, asked once at start-up.
//
// The global glExt holds the extension entry points and the capability flags;
// every hardware-dependent decision reads its fields directly. A flag that is
// 1 guarantees the slots it needs are filled, so a reader may call through a
// slot after testing only its flag. Filled by init_extensions on the main
// thread before any worker exists; read-only afterwards, without a lock.
#pragma once

#include "graphics/ogl_ext_slots.h"

class OGL_extensions {
public:
    OGL_extensions(); // every slot null, every flag 0 but threaded_avail 1, max_tex_size 0

    // Needs a current GL context. Reads the driver's strings and limits into
    // glExt and ren, loads the entry points, applies the command-line switches,
    // writes the capability report to xer, and raises the hardware-minimum and
    // software-renderer alerts. A null driver string is taken as "".
    void init_extensions();

    // ---- entry-point slots (null: not loaded) ----
#define OGL_EXT_SLOT_FIELD(type, name) type name;
    OGL_EXT_SLOTS(OGL_EXT_SLOT_FIELD)
#undef OGL_EXT_SLOT_FIELD

    // ---- capability flags, 0 or 1 ----
    int multitex_avail;    // multitexturing
    int tex_clamp_avail;   // GL_CLAMP_TO_EDGE
    int add_env_avail;     // GL_ADD texture environment
    int combine_avail;     // GL_COMBINE texture environment
    int dis_fog_avail;     // GL_NV_fog_distance
    int tex_comp_avail;    // compressed textures
    int vbo_avail;         // vertex buffer objects
    int pbo_avail;         // pixel buffer objects
    int vprog_avail;       // ARB vertex programs
    int fprog_avail;       // ARB fragment programs
    int automini_avail;    // hardware mipmap generation
    int aniso_avail;       // anisotropic filtering
    int fsaa_avail;        // multisampling
    int sprites_avail;     // point sprites
    int depth_tex_avail;   // depth textures
    int occlude_avail;     // occlusion queries
    int shad_objs_avail;   // shader objects
    int vshader_avail;     // GLSL vertex shaders
    int fshader_avail;     // GLSL fragment shaders
    int gshader_avail;     // geometry shaders
    int glsl_avail;        // the shading language
    int first_gen_shaders; // first-generation shader hardware
    int framebuf_avail;    // framebuffer objects
    int sblend_avail;      // separate blend functions and equations
    int threaded_avail;    // worker threads may get shared contexts; 0 after init

    int max_tex_size;      // GL_MAX_TEXTURE_SIZE, texels
};

extern OGL_extensions glExt;

// The GL version text as a number: major * 100 + minor * 10 ("2.1.2" -> 210);
// 100 when the text does not begin with two integers joined by a full stop.
int OGL_version_number(const char* version);
