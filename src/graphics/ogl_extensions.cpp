// ogl_extensions.cpp - GL capability detection.
//
//   slot table     names and stores of the 150 entry points, by slot number
//   flags          the capability flags from the version and the extension string
//   entry points   the groups, each loaded while its gate flag is set
//   limits         program, shader and texture limits
//   report         the capability report in the log
//   alerts         hardware minimum and software renderer
#include "graphics/ogl_extensions.h"

#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "graphics/gl_calls.h"

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

OGL_extensions glExt;

namespace {

// ---- slot table ---------------------------------------------------------------

struct slot_entry {
    const char* name;
    void (*store)(OGL_extensions& e, gl_proc p);
};

#define OGL_EXT_SLOT_ENTRY(type, slot) \
    {#slot, [](OGL_extensions& e, gl_proc p) { e.slot = reinterpret_cast<type>(p); }},
const slot_entry slot_table[] = {OGL_EXT_SLOTS(OGL_EXT_SLOT_ENTRY)};
#undef OGL_EXT_SLOT_ENTRY
static_assert(sizeof slot_table / sizeof slot_table[0] == 150, "the record has 150 entry-point slots");

// First and last slot of each group.
constexpr int slots_buffers[] = {0, 10};
constexpr int slots_programs[] = {11, 72};
constexpr int slots_queries[] = {73, 80};
constexpr int slots_shader_objects[] = {81, 119};
constexpr int slots_vshader_attribs[] = {120, 122};
constexpr int slots_gshader[] = {123, 123};
constexpr int slots_framebuffers[] = {124, 140};
constexpr int slots_compressed[] = {141, 147};
constexpr int slot_blend_func_separate = 148;
constexpr int slot_blend_equation_separate = 149;

const char* const no_accelerator_edition = "Skylume Lite";

// The driver's text; "" in place of null (no current context, or a driver fault).
const char* gl_text(GLenum name)
{
    const GLubyte* s = gl.GetString(name);
    return s ? reinterpret_cast<const char*>(s) : "";
}

bool has_ext(const char* name) { return std::strstr(ren.gl_extensions, name) != nullptr; }

int flag_from(int version, int threshold, const char* ext1, const char* ext2 = nullptr)
{
    return (threshold && version >= threshold) || has_ext(ext1) || (ext2 && has_ext(ext2)) ? 1 : 0;
}

// ---- flags --------------------------------------------------------------------

void set_flags(OGL_extensions& e, int v)
{
    e.multitex_avail = flag_from(v, 130, "GL_ARB_multitexture");
    e.tex_clamp_avail = flag_from(v, 120, "GL_EXT_texture_edge_clamp", "GL_SGIS_texture_edge_clamp");
    e.add_env_avail = flag_from(v, 130, "GL_ARB_texture_env_add", "GL_EXT_texture_env_add");
    e.combine_avail = flag_from(v, 130, "GL_ARB_texture_env_combine", "GL_EXT_texture_env_combine");
    e.dis_fog_avail = flag_from(v, 0, "GL_NV_fog_distance");
    e.tex_comp_avail = flag_from(v, 130, "GL_ARB_texture_compression");
    e.vbo_avail = flag_from(v, 150, "GL_ARB_vertex_buffer_object");
    e.pbo_avail = flag_from(v, 210, "GL_ARB_pixel_buffer_object");
    e.vprog_avail = flag_from(v, 0, "GL_ARB_vertex_program");
    e.fprog_avail = flag_from(v, 0, "GL_ARB_fragment_program");
    e.automini_avail = flag_from(v, 140, "GL_SGIS_generate_mipmap");
    e.aniso_avail = flag_from(v, 0, "GL_EXT_texture_filter_anisotropic");
    e.fsaa_avail = flag_from(v, 130, "GL_ARB_multisample");
    e.sprites_avail = flag_from(v, 200, "GL_ARB_point_sprite");
    e.depth_tex_avail = flag_from(v, 140, "GL_ARB_depth_texture");
    e.occlude_avail = flag_from(v, 150, "GL_ARB_occlusion_query");
    e.shad_objs_avail = flag_from(v, 200, "GL_ARB_shader_objects");
    e.vshader_avail = flag_from(v, 200, "GL_ARB_vertex_shader");
    e.fshader_avail = flag_from(v, 200, "GL_ARB_fragment_shader");
    e.gshader_avail = flag_from(v, 0, "GL_EXT_geometry_shader4");
    e.glsl_avail = flag_from(v, 200, "GL_ARB_shading_language_100");
    e.framebuf_avail = flag_from(v, 0, "GL_EXT_framebuffer_object");
    e.sblend_avail = has_ext("GL_EXT_blend_func_separate") && has_ext("GL_EXT_blend_equation_separate") ? 1 : 0;
}

// ---- entry points -------------------------------------------------------------

// Looks up one slot; a miss logs its own line and clears the group's flag.
void load_slot(OGL_extensions& e, int slot, int& flag)
{
    const gl_proc p = gl.GetProcAddress(slot_table[slot].name);
    slot_table[slot].store(e, p);
    if (p) return;
    xer << "WARNING: extension missing proc " << slot_table[slot].name << "\n";
    flag = 0;
}

void load_group(OGL_extensions& e, const int (&range)[2], int& flag)
{
    if (!flag) return;
    for (int slot = range[0]; slot <= range[1]; ++slot) load_slot(e, slot, flag);
}

void load_entry_points(OGL_extensions& e)
{
    load_group(e, slots_buffers, e.vbo_avail);
    if (e.pbo_avail && !e.vbo_avail) {
        xer << "Disabling PBOs because VBOs are not available.  This probably means that VBOs are disabled "
               "for compatibility reasons.\n";
        e.pbo_avail = 0;
    }
    load_group(e, slots_programs, e.vprog_avail);
    load_group(e, slots_queries, e.occlude_avail);
    load_group(e, slots_shader_objects, e.shad_objs_avail);
    load_group(e, slots_gshader, e.gshader_avail);
    load_group(e, slots_vshader_attribs, e.vshader_avail);
    load_group(e, slots_framebuffers, e.framebuf_avail);
    load_group(e, slots_compressed, e.tex_comp_avail);
    // A missing equation entry leaves the function entry unasked.
    if (e.sblend_avail) load_slot(e, slot_blend_equation_separate, e.sblend_avail);
    if (e.sblend_avail) load_slot(e, slot_blend_func_separate, e.sblend_avail);
}

void apply_dependencies(OGL_extensions& e)
{
    if (!e.vprog_avail) e.fprog_avail = 0;
    if (!e.shad_objs_avail) e.fshader_avail = e.vshader_avail = e.gshader_avail = 0;
    if (!(e.vshader_avail && e.fshader_avail)) e.glsl_avail = 0;
}

// ---- limits -------------------------------------------------------------------

struct measured_limits {
    int fprog[4];  // native instructions, ALU, texture instructions, texture indirections
    int vprog;     // vertex-program native instructions
    int vshader[5]; // attribs, uniform components, varying floats, combined and vertex image units
    int fshader;   // fragment uniform components
    std::string glsl_version = "n/a";
    float max_point_size = 0;
};

void measure_programs(OGL_extensions& e, measured_limits& m)
{
    if (e.fprog_avail) {
        const GLenum names[4] = {GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB, GL_MAX_PROGRAM_NATIVE_ALU_INSTRUCTIONS_ARB,
                                 GL_MAX_PROGRAM_NATIVE_TEX_INSTRUCTIONS_ARB,
                                 GL_MAX_PROGRAM_NATIVE_TEX_INDIRECTIONS_ARB};
        for (int i = 0; i < 4; ++i) e.glGetProgramivARB(GL_FRAGMENT_PROGRAM_ARB, names[i], &m.fprog[i]);
        if (m.fprog[0] == 0 && !cmdline.has_option("--use_fprogs")) e.fprog_avail = 0;
        if (m.fprog[0] <= 99) e.first_gen_shaders = 1;
    }
    if (e.vprog_avail) {
        e.glGetProgramivARB(GL_VERTEX_PROGRAM_ARB, GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB, &m.vprog);
        if (m.vprog == 0 && !cmdline.has_option("--use_vprogs")) e.vprog_avail = 0;
    }
    if (e.vshader_avail) {
        const GLenum names[5] = {GL_MAX_VERTEX_ATTRIBS_ARB, GL_MAX_VERTEX_UNIFORM_COMPONENTS_ARB,
                                 GL_MAX_VARYING_FLOATS_ARB, GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS_ARB,
                                 GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS_ARB};
        for (int i = 0; i < 5; ++i) gl.GetIntegerv(names[i], &m.vshader[i]);
    }
    if (e.fshader_avail) gl.GetIntegerv(GL_MAX_FRAGMENT_UNIFORM_COMPONENTS_ARB, &m.fshader);
    if (e.glsl_avail) {
        const GLubyte* s = gl.GetString(GL_SHADING_LANGUAGE_VERSION_ARB);
        m.glsl_version = s ? reinterpret_cast<const char*>(s) : "<null string>";
    }
}

void measure_textures(OGL_extensions& e, measured_limits& m)
{
    ren.tex_units = 0;
    ren.max_aniso = 1.0f;
    gl.GetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &ren.tex_units);
    ren.tex_image_units = ren.tex_units;
    if (e.fprog_avail) gl.GetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS_ARB, &ren.tex_image_units);
    ren.tex_coords = ren.tex_units;
    if (e.vprog_avail) gl.GetIntegerv(GL_MAX_TEXTURE_COORDS_ARB, &ren.tex_coords);
    if (e.aniso_avail) gl.GetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &ren.max_aniso);
    gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &e.max_tex_size);
    GLfloat point_range[2] = {0, 0};
    gl.GetFloatv(GL_POINT_SIZE_RANGE, point_range);
    m.max_point_size = point_range[1];
    if (ren.tex_units == 0) ren.tex_units = 1;
}

// ---- command-line switches ------------------------------------------------------

void apply_switches(OGL_extensions& e)
{
    struct {
        const char* option;
        int* flag;
    } const table[] = {
        {"--no_vbos", &e.vbo_avail},           {"--no_vbos", &e.pbo_avail},
        {"--no_pbos", &e.pbo_avail},           {"--no_sprites", &e.sprites_avail},
        {"--no_pixel_counters", &e.occlude_avail}, {"--no_aniso_filtering", &e.aniso_avail},
        {"--no_hw_mipmap", &e.automini_avail}, {"--no_vshaders", &e.vprog_avail},
        {"--no_fshaders", &e.fprog_avail},     {"--no_glsl", &e.glsl_avail},
        {"--no_fbos", &e.framebuf_avail},      {"--no_threaded_ogl", &e.threaded_avail},
        {"--no_sblend", &e.sblend_avail},
    };
    for (const auto& row : table)
        if (cmdline.has_option(row.option)) *row.flag = 0;
    if (cmdline.has_option("--no_aniso_filtering")) ren.max_aniso = 1.0f;
}

// ---- report -------------------------------------------------------------------

// Built apart from xer so that floats print in the default format whatever
// flags the log carries (start-up switches it to fixed point).
std::string report(const OGL_extensions& e, int version, const measured_limits& m)
{
    std::ostringstream r;
    r << "OpenGL Vendor    : " << ren.gl_vendor << "\n"
      << "OpenGL Render    : " << ren.gl_renderer << "\n"
      << "OpenGL Version   : " << ren.gl_version << " (" << version << ")\n"
      << "OpenGL Extensions: " << ren.gl_extensions << "\n"
      << "tex_clamp_avail  : " << e.tex_clamp_avail << "\n"
      << "add_env_avail    : " << e.add_env_avail << "\n"
      << "combine_avail    : " << e.combine_avail << "\n"
      << "dis_fog_avail    : " << e.dis_fog_avail << "\n"
      << "tex_comp_avail   : " << e.tex_comp_avail << "\n"
      << "vbo_avail        : " << e.vbo_avail << "\n"
      << "pbo_avail        : " << e.pbo_avail << "\n"
      << "vprog_avail      : " << e.vprog_avail << " (" << m.vprog << ")\n"
      << "fprog_avail      : " << e.fprog_avail << " (" << m.fprog[0] << "/" << m.fprog[1] << "/" << m.fprog[2]
      << "/" << m.fprog[3] << ")\n"
      << "automini_avail   : " << e.automini_avail << "\n"
      << "aniso_avail      : " << e.aniso_avail << "\n"
      << "fsaa_avail       : " << e.fsaa_avail << "\n"
      << "sprites_avail    : " << e.sprites_avail << "\n"
      << "depth_tex_avail  : " << e.depth_tex_avail << "\n"
      << "occlude_avail    : " << e.occlude_avail << "\n"
      << "shad_objs_avail  : " << e.shad_objs_avail << "\n"
      << "vshader_avail    : " << e.vshader_avail << " (";
    for (int i = 0; i < 5; ++i) r << m.vshader[i] << "/";
    r << m.fshader << ")\n"
      << "fshader_avail    : " << e.fshader_avail << " (" << m.fshader << ")\n"
      << "gshader_avail    : " << e.gshader_avail << "\n"
      << "glsl_avail       : " << e.glsl_avail << " (" << m.glsl_version << ")\n"
      << "framebuf_avail   : " << e.framebuf_avail << "\n"
      << "sblend_avail     : " << e.sblend_avail << "\n"
      << "threaded_avail   : " << e.threaded_avail << "\n"
      << "first-gen shaders: " << e.first_gen_shaders << "\n"
      << "max tex units    : " << ren.tex_units << " (" << ren.tex_image_units << "/" << ren.tex_coords << ")\n"
      << "max iso filtering: " << ren.max_aniso << "\n"
      << "max texture size : " << e.max_tex_size << "\n"
      << "max point size   : " << m.max_point_size << "\n";
    return r.str();
}

// ---- alerts -------------------------------------------------------------------

const char* const below_minimum =
    "Your graphics hardware cannot support Skylume. Skylume requires a graphics card with 16 MB of VRAM and "
    "multitexturing.";

void check_minimum(const OGL_extensions& e, int version)
{
    if (e.multitex_avail || version > 109) return;
    if (!cmdline.has_option("--force_run")) {
        __MACIBM_alert(0, below_minimum, "First, try updating your graphics drivers.",
                       "If this does not help, check your graphics card specifications.",
                       std::string("For tech support, email ") + maker_support_address, t_exit, __FILE__, __LINE__);
        return;
    }
    __MACIBM_alert(0, below_minimum, "Your system does not meet Skylume's hardware requirements.",
                   "You have used the force-run command inline option to run Skylume anyway, but it may crash.",
                   std::string("Go to ") + maker_web_address + " for system requirements and tech support information.",
                   t_alert, __FILE__, __LINE__);
}

void check_software_renderer()
{
    const std::string r = ren.gl_renderer;
    if (r != "GENERIC" && r != "Generic" && r != "generic" && r != "Mesa GLX Indirect") return;
    __MACIBM_alert(0, "I can not find a 3-D accelerator card that can handle OpenGL that has correctly installed drivers.",
                   "I will still let you run the simulator, but the frame rate will NOT allow for a good simulation.",
                   std::string("For you to fly realistically, you must use Skylume version ") + no_accelerator_edition +
                       ", or get a 3-D accelerator card that can handle OpenGL.",
                   std::string("See ") + maker_web_address + " for a list of the currently-compatible 3-D video cards.",
                   t_alert, __FILE__, __LINE__);
}

} // namespace

OGL_extensions::OGL_extensions()
{
    for (const slot_entry& s : slot_table) s.store(*this, nullptr);
    multitex_avail = tex_clamp_avail = add_env_avail = combine_avail = dis_fog_avail = 0;
    tex_comp_avail = vbo_avail = pbo_avail = vprog_avail = fprog_avail = 0;
    automini_avail = aniso_avail = fsaa_avail = sprites_avail = depth_tex_avail = 0;
    occlude_avail = shad_objs_avail = vshader_avail = fshader_avail = gshader_avail = 0;
    glsl_avail = first_gen_shaders = framebuf_avail = sblend_avail = 0;
    threaded_avail = 1;
    max_tex_size = 0;
}

int OGL_version_number(const char* version)
{
    int major = 0, minor = 0;
    if (std::sscanf(version, "%d.%d", &major, &minor) != 2) return 100;
    return major * 100 + minor * 10;
}

void OGL_extensions::init_extensions()
{
    ren.gl_vendor = gl_text(GL_VENDOR);
    ren.gl_renderer = gl_text(GL_RENDERER);
    ren.gl_version = gl_text(GL_VERSION);
    ren.gl_extensions = gl_text(GL_EXTENSIONS);
    const int version = OGL_version_number(ren.gl_version);

    set_flags(*this, version);
    if (cmdline.has_option("--disable-vbo")) {
        xer << "VBOs disabled on user's request.\n";
        vbo_avail = 0;
    }
    if (glsl_avail && std::strstr(ren.gl_vendor, "NVIDIA") && !has_ext("GL_NV_fragment_program2"))
        first_gen_shaders = 1;

    load_entry_points(*this);
    apply_dependencies(*this);
    measured_limits limits{};
    measure_programs(*this, limits);
    measure_textures(*this, limits);
    apply_switches(*this);
    threaded_avail = 0; // no worker thread gets a GL context, whatever the options said

    xer << report(*this, version, limits);
    if (glsl_avail && ren.tex_image_units > ren.tex_units) ren.tex_units = ren.tex_image_units;
    check_minimum(*this, version);
    check_software_renderer();
}
