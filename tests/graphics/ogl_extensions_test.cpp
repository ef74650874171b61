// ogl_extensions_test.cpp - GL capability detection against a scripted driver:
// version, vendor, renderer and extension strings, command-line switches and
// an entry-point lookup that can miss chosen names.
#include "graphics/ogl_extensions.h"

#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "support/gl_recorder.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

void some_entry_point() {}

int fprog_native_limit = 200; // what the fake glGetProgramivARB reports for fragment programs
int vprog_native_limit = 200;

void GLAPIENTRY fake_get_program(GLenum target, GLenum pname, GLint* out)
{
    if (pname == GL_MAX_PROGRAM_NATIVE_INSTRUCTIONS_ARB)
        *out = target == GL_FRAGMENT_PROGRAM_ARB ? fprog_native_limit : vprog_native_limit;
    else
        *out = 7;
}

struct driver {
    const char* version;
    const char* vendor;
    const char* renderer;
    const char* extensions;
    const char* options;
    std::set<std::string> missing; // entry points the lookup does not find
    int tex_units;
    int image_units;
    int fprog_limit;
    driver(const char* version = "2.1.2 NVIDIA 169.12", const char* vendor = "Some Vendor",
           const char* renderer = "Some Renderer", const char* extensions = "", const char* options = "",
           std::set<std::string> missing = {}, int tex_units = 4, int image_units = 8, int fprog_limit = 200)
        : version(version), vendor(vendor), renderer(renderer), extensions(extensions), options(options),
          missing(std::move(missing)), tex_units(tex_units), image_units(image_units), fprog_limit(fprog_limit)
    {
    }
};

struct detection {
    std::unique_ptr<OGL_extensions> ext = std::make_unique<OGL_extensions>();
    std::string log;
    std::vector<recorded_alert> alerts;
    std::vector<std::string> looked_up;
    bool ended = false; // a fatal alert stopped the detection
};

detection detect(const driver& d)
{
    HL_reset_globals();
    cmdline.clear();
    cmdline.init_win(d.options);
    fprog_native_limit = d.fprog_limit;
    detection out;
    xer_capture log;
    alert_recorder alerts;
    gl_recorder rec;
    rec.strings = {{GL_VERSION, d.version},
                   {GL_VENDOR, d.vendor},
                   {GL_RENDERER, d.renderer},
                   {GL_EXTENSIONS, d.extensions},
                   {GL_SHADING_LANGUAGE_VERSION_ARB, "1.20"}};
    rec.values = {{GL_MAX_TEXTURE_UNITS_ARB, {double(d.tex_units)}},
                  {GL_MAX_TEXTURE_IMAGE_UNITS_ARB, {double(d.image_units)}},
                  {GL_MAX_TEXTURE_COORDS_ARB, {8}},
                  {GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, {16}},
                  {GL_MAX_TEXTURE_SIZE, {4096}},
                  {GL_POINT_SIZE_RANGE, {1, 63.5}}};
    rec.proc_lookup = [&](const char* name) -> gl_proc {
        out.looked_up.push_back(name);
        if (d.missing.count(name)) return nullptr;
        if (std::string(name) == "glGetProgramivARB") return reinterpret_cast<gl_proc>(&fake_get_program);
        return &some_entry_point;
    };
    try {
        out.ext->init_extensions();
    } catch (const fatal_alert&) {
        out.ended = true;
    }
    out.log = log.text();
    out.alerts = alert_recorder::alerts();
    cmdline.clear();
    return out;
}

bool logged(const detection& r, const std::string& line) { return r.log.find(line + "\n") != std::string::npos; }
int count_of(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

} // namespace

TEST(GlCapabilities, VersionNumberFromTheVersionText)
{
    const struct {
        const char* text;
        int number;
    } cases[] = {{"2.1.2 NVIDIA 169.12", 210}, {"1.5.0", 150}, {"1.10", 200}, {"1.3 Mesa", 130},
                 {"", 100},                    {"Mesa 7", 100}, {"2", 100},  {"4.5 (Compatibility)", 450}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(OGL_version_number(c.text), c.number);
    }
}

TEST(GlCapabilities, ConstructedRecordIsEmptyButThreaded)
{
    OGL_extensions e;
    EXPECT_EQ(e.glBindBufferARB, nullptr);
    EXPECT_EQ(e.glBlendEquationSeparateEXT, nullptr);
    EXPECT_EQ(e.vbo_avail, 0);
    EXPECT_EQ(e.threaded_avail, 1);
    EXPECT_EQ(e.max_tex_size, 0);
}

// One table over the driver's strings, the options and the lookup.
TEST(GlCapabilities, FlagsFromDriverOptionsAndLookup)
{
    struct caps_case {
        const char* what;
        driver d;
        std::function<void(const detection&)> check;
    };
    const caps_case cases[] = {
        {"version 2.1 sets every flag with a threshold", {},
         [](const detection& r) {
             const OGL_extensions& e = *r.ext;
             for (int flag : {e.multitex_avail, e.tex_clamp_avail, e.add_env_avail, e.combine_avail,
                              e.tex_comp_avail, e.vbo_avail, e.pbo_avail, e.automini_avail, e.fsaa_avail,
                              e.sprites_avail, e.depth_tex_avail, e.occlude_avail, e.shad_objs_avail,
                              e.vshader_avail, e.fshader_avail, e.glsl_avail})
                 EXPECT_EQ(flag, 1);
             for (int flag : {e.dis_fog_avail, e.vprog_avail, e.fprog_avail, e.aniso_avail, e.gshader_avail,
                              e.framebuf_avail, e.sblend_avail})
                 EXPECT_EQ(flag, 0);
             EXPECT_TRUE(logged(r, "OpenGL Version   : 2.1.2 NVIDIA 169.12 (210)"));
             EXPECT_NE(e.glBindBufferARB, nullptr);
             EXPECT_EQ(e.glBindProgramARB, nullptr); // group not available: never looked up
             EXPECT_TRUE(r.alerts.empty());
         }},
        {"version 1.5: buffers and queries by version, PBOs only by name",
         {"1.5.0", "V", "R", "GL_ARB_multitexture"},
         [](const detection& r) {
             EXPECT_EQ(r.ext->vbo_avail, 1);
             EXPECT_EQ(r.ext->occlude_avail, 1);
             EXPECT_EQ(r.ext->pbo_avail, 0);
             EXPECT_EQ(r.ext->sprites_avail, 0);
         }},
        {"version 1.5 with the PBO extension", {"1.5.0", "V", "R", "GL_ARB_pixel_buffer_object"},
         [](const detection& r) { EXPECT_EQ(r.ext->pbo_avail, 1); }},
        {"a substring match is enough", {"1.2", "V", "R", "GL_ARB_multitexture GL_ARB_texture_compression_rgtc"},
         [](const detection& r) {
             EXPECT_EQ(r.ext->tex_comp_avail, 1);
             EXPECT_NE(r.ext->glCompressedTexImage2DARB, nullptr);
         }},
        {"the language without vertex shaders is no GLSL",
         {"1.5", "V", "R", "GL_ARB_multitexture GL_ARB_shading_language_100 GL_ARB_shader_objects "
                          "GL_ARB_fragment_shader"},
         [](const detection& r) {
             EXPECT_EQ(r.ext->glsl_avail, 0);
             EXPECT_EQ(r.ext->fshader_avail, 1);
             EXPECT_TRUE(logged(r, "glsl_avail       : 0 (n/a)"));
         }},
        {"NVIDIA with GLSL and no fragment_program2 is first generation",
         {"2.0", "NVIDIA Corporation", "R", ""},
         [](const detection& r) { EXPECT_EQ(r.ext->first_gen_shaders, 1); }},
        {"NVIDIA with fragment_program2 is not", {"2.0", "NVIDIA Corporation", "R", "GL_NV_fragment_program2"},
         [](const detection& r) { EXPECT_EQ(r.ext->first_gen_shaders, 0); }},
        {"a fragment-program limit of 99 is first generation",
         {"1.5", "V", "R", "GL_ARB_multitexture GL_ARB_vertex_program GL_ARB_fragment_program", "", {}, 4, 8, 99},
         [](const detection& r) {
             EXPECT_EQ(r.ext->first_gen_shaders, 1);
             EXPECT_EQ(r.ext->fprog_avail, 1);
             EXPECT_TRUE(logged(r, "fprog_avail      : 1 (99/7/7/7)"));
         }},
        {"a fragment-program limit of 100 is not",
         {"1.5", "V", "R", "GL_ARB_multitexture GL_ARB_vertex_program GL_ARB_fragment_program", "", {}, 4, 8, 100},
         [](const detection& r) { EXPECT_EQ(r.ext->first_gen_shaders, 0); }},
        {"a limit of 0 drops fragment programs",
         {"1.5", "V", "R", "GL_ARB_multitexture GL_ARB_vertex_program GL_ARB_fragment_program", "", {}, 4, 8, 0},
         [](const detection& r) {
             EXPECT_EQ(r.ext->fprog_avail, 0);
             EXPECT_EQ(r.ext->first_gen_shaders, 1);
         }},
        {"--use_fprogs keeps them at 0",
         {"1.5", "V", "R", "GL_ARB_multitexture GL_ARB_vertex_program GL_ARB_fragment_program", "--use_fprogs", {},
          4, 8, 0},
         [](const detection& r) { EXPECT_EQ(r.ext->fprog_avail, 1); }},
        {"one missing buffer entry point", {"2.1", "V", "R", "", "", {"glMapBufferARB"}},
         [](const detection& r) {
             EXPECT_EQ(count_of(r.log, "WARNING: extension missing proc "), 1);
             EXPECT_TRUE(logged(r, "WARNING: extension missing proc glMapBufferARB"));
             EXPECT_EQ(r.ext->vbo_avail, 0);
             EXPECT_EQ(r.ext->pbo_avail, 0);
             EXPECT_TRUE(logged(r, "Disabling PBOs because VBOs are not available.  This probably means that "
                                   "VBOs are disabled for compatibility reasons."));
             EXPECT_EQ(r.ext->glMapBufferARB, nullptr);
             EXPECT_NE(r.ext->glUnmapBufferARB, nullptr); // the rest of the group is still looked up
             EXPECT_NE(r.ext->glBindBufferARB, nullptr);
         }},
        {"a missing blend equation leaves the blend function unasked",
         {"2.1", "V", "R", "GL_EXT_blend_func_separate GL_EXT_blend_equation_separate", "",
          {"glBlendEquationSeparateEXT"}},
         [](const detection& r) {
             EXPECT_EQ(count_of(r.log, "WARNING: extension missing proc "), 1);
             EXPECT_EQ(r.ext->sblend_avail, 0);
             EXPECT_EQ(r.ext->glBlendFuncSeparateEXT, nullptr);
             for (const std::string& n : r.looked_up) EXPECT_NE(n, "glBlendFuncSeparateEXT");
         }},
        {"--no_threaded_ogl or not, threads get no context", {"2.1", "V", "R", "", "--no_threaded_ogl"},
         [](const detection& r) {
             EXPECT_EQ(r.ext->threaded_avail, 0);
             EXPECT_TRUE(logged(r, "threaded_avail   : 0"));
         }},
        {"--no_vbos keeps the slots and logs nothing", {"2.1", "V", "R", "", "--no_vbos"},
         [](const detection& r) {
             EXPECT_EQ(r.ext->vbo_avail, 0);
             EXPECT_EQ(r.ext->pbo_avail, 0);
             EXPECT_NE(r.ext->glBindBufferARB, nullptr);
             EXPECT_EQ(r.log.find("VBOs disabled"), std::string::npos);
             EXPECT_EQ(r.log.find("Disabling PBOs"), std::string::npos);
         }},
        {"--disable-vbo logs and leaves the slots empty", {"2.1", "V", "R", "", "--disable-vbo"},
         [](const detection& r) {
             EXPECT_EQ(r.ext->vbo_avail, 0);
             EXPECT_EQ(r.ext->glBindBufferARB, nullptr);
             EXPECT_TRUE(logged(r, "VBOs disabled on user's request."));
             EXPECT_NE(r.log.find("Disabling PBOs"), std::string::npos);
         }},
        {"--no_aniso_filtering", {"2.1", "V", "R", "GL_EXT_texture_filter_anisotropic", "--no_aniso_filtering"},
         [](const detection& r) {
             EXPECT_EQ(r.ext->aniso_avail, 0);
             EXPECT_TRUE(logged(r, "max iso filtering: 1"));
         }},
        {"anisotropy is reported in the default float format",
         {"2.1", "V", "R", "GL_EXT_texture_filter_anisotropic"},
         [](const detection& r) {
             EXPECT_TRUE(logged(r, "max iso filtering: 16"));
             EXPECT_TRUE(logged(r, "max point size   : 63.5"));
             EXPECT_TRUE(logged(r, "max texture size : 4096"));
         }},
        {"the other switches", {"2.1", "V", "R", "GL_EXT_framebuffer_object", "--no_pbos --no_glsl --no_fbos"},
         [](const detection& r) {
             EXPECT_EQ(r.ext->pbo_avail, 0);
             EXPECT_EQ(r.ext->vbo_avail, 1);
             EXPECT_EQ(r.ext->glsl_avail, 0);
             EXPECT_EQ(r.ext->framebuf_avail, 0);
             EXPECT_NE(r.ext->glBindFramebufferEXT, nullptr);
         }},
        {"GL 1.0 without multitexturing stops the program", {"1.0", "V", "R", ""},
         [](const detection& r) {
             EXPECT_TRUE(r.ended);
             ASSERT_EQ(r.alerts.size(), 1u);
             EXPECT_EQ(r.alerts[0].type, t_exit);
             EXPECT_EQ(r.alerts[0].lines.l2, "First, try updating your graphics drivers.");
             EXPECT_EQ(r.alerts[0].lines.l4, std::string("For tech support, email ") + maker_support_address);
             EXPECT_TRUE(logged(r, "max point size   : 63.5")); // the report came first
         }},
        {"--force_run makes it a notice", {"1.0", "V", "R", "", "--force_run"},
         [](const detection& r) {
             EXPECT_FALSE(r.ended);
             ASSERT_EQ(r.alerts.size(), 1u);
             EXPECT_EQ(r.alerts[0].type, t_alert);
             EXPECT_EQ(r.alerts[0].lines.l2, "Your system does not meet Skylume's hardware requirements.");
             EXPECT_EQ(r.alerts[0].lines.l4, std::string("Go to ") + maker_web_address +
                                                 " for system requirements and tech support information.");
         }},
        {"GL 1.1 without multitexturing passes", {"1.1", "V", "R", ""},
         [](const detection& r) { EXPECT_TRUE(r.alerts.empty()); }},
        {"the renderer Generic is warned about", {"2.1", "V", "Generic", ""},
         [](const detection& r) {
             ASSERT_EQ(r.alerts.size(), 1u);
             EXPECT_EQ(r.alerts[0].type, t_alert);
             EXPECT_EQ(r.alerts[0].lines.l1, "I can not find a 3-D accelerator card that can handle OpenGL that "
                                             "has correctly installed drivers.");
             EXPECT_EQ(r.alerts[0].lines.l4,
                       std::string("See ") + maker_web_address + " for a list of the currently-compatible 3-D video cards.");
         }},
        {"Generic GL is not", {"2.1", "V", "Generic GL", ""},
         [](const detection& r) { EXPECT_TRUE(r.alerts.empty()); }},
        {"Mesa GLX Indirect with more after it is not", {"2.1", "V", "Mesa GLX Indirect 7", ""},
         [](const detection& r) { EXPECT_TRUE(r.alerts.empty()); }},
        {"both alerts in one run with --force_run", {"1.0", "V", "Mesa GLX Indirect", "", "--force_run"},
         [](const detection& r) {
             ASSERT_EQ(r.alerts.size(), 2u);
             EXPECT_EQ(r.alerts[0].lines.l2, "Your system does not meet Skylume's hardware requirements.");
         }},
        {"GLSL raises the unit count after the report", {"2.1", "V", "R", "GL_ARB_vertex_program "
                                                                          "GL_ARB_fragment_program",
                                                         "", {}, 4, 16},
         [](const detection& r) {
             EXPECT_TRUE(logged(r, "max tex units    : 4 (16/8)"));
             EXPECT_EQ(ren.tex_units, 16);
         }},
        {"no units reported counts one, the copies keep 0", {"2.1", "V", "R", "", "", {}, 0, 16},
         [](const detection& r) {
             EXPECT_TRUE(logged(r, "max tex units    : 1 (0/0)"));
             (void)r;
         }},
    };
    for (const caps_case& c : cases) {
        SCOPED_TRACE(c.what);
        c.check(detect(c.d));
    }
}

// A driver (or a missing context) that gives no strings at all: the report
// shows empty texts, and the empty version is below the minimum.
TEST(GlCapabilities, NullDriverStringsReadAsEmpty)
{
    HL_reset_globals();
    cmdline.clear();
    cmdline.init_win("--force_run");
    xer_capture log;
    alert_recorder alerts;
    gl_recorder rec; // no strings: glGetString gives null
    OGL_extensions e;
    e.init_extensions();
    EXPECT_STREQ(ren.gl_vendor, "");
    EXPECT_STREQ(ren.gl_extensions, "");
    EXPECT_NE(log.text().find("OpenGL Version   :  (100)\n"), std::string::npos);
    ASSERT_EQ(alert_recorder::alerts().size(), 1u);
    EXPECT_EQ(alert_recorder::alerts()[0].type, t_alert);
    cmdline.clear();
}

TEST(GlCapabilities, ReportHasItsLinesInOrder)
{
    const detection r = detect({});
    const char* const labels[] = {
        "OpenGL Vendor    : ", "OpenGL Render    : ", "OpenGL Version   : ", "OpenGL Extensions: ",
        "tex_clamp_avail  : ", "add_env_avail    : ", "combine_avail    : ", "dis_fog_avail    : ",
        "tex_comp_avail   : ", "vbo_avail        : ", "pbo_avail        : ", "vprog_avail      : ",
        "fprog_avail      : ", "automini_avail   : ", "aniso_avail      : ", "fsaa_avail       : ",
        "sprites_avail    : ", "depth_tex_avail  : ", "occlude_avail    : ", "shad_objs_avail  : ",
        "vshader_avail    : ", "fshader_avail    : ", "gshader_avail    : ", "glsl_avail       : ",
        "framebuf_avail   : ", "sblend_avail     : ", "threaded_avail   : ", "first-gen shaders: ",
        "max tex units    : ", "max iso filtering: ", "max texture size : ", "max point size   : ",
    };
    const std::string log = "\n" + r.log;
    size_t at = 0;
    for (const char* label : labels) {
        SCOPED_TRACE(label);
        EXPECT_EQ(std::string(label).size(), 19u);
        const size_t found = log.find(std::string("\n") + label, at);
        ASSERT_NE(found, std::string::npos);
        at = found + 1;
    }
    EXPECT_TRUE(logged(r, "vshader_avail    : 1 (0/0/0/0/0/0)"));
    EXPECT_TRUE(logged(r, "glsl_avail       : 1 (1.20)"));
}
