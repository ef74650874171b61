// lin_window_test.cpp - the main window and its GL context on a real X server
// (Xvfb with Mesa's software GL, no window manager): the window as a window
// manager sees it, the initial GL state, Mesa's capability report, the state
// cache against glIsEnabled, and a scissored clear read back pixel by pixel.
#include "foundation/cmdline.h"
#include "foundation/hl_thread.h"
#include "foundation/hl_types.h"
#include "graphics/gl_calls.h"
#include "graphics/ogl_extensions.h"
#include "shell/window.h"
#include "shell/frame.h"
#include "shell/startup.h"
#include "shell/close_request.h"
#include "graphics/tex_bind.h"
#include "graphics/tman.h"
#include "support/gl_recorder.h"
#include "support/main_window.h"
#include "support/testkit.h"
#include "support/window_kit.h"
#include "support/x_peer.h"
#include "support/xvfb.h"
#include "ui/ogl_state.h"
#include "ui/ogl_view.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool) would clash with its names.
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xatom.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>
#include <string>
#include <thread>
#include <vector>

namespace {

// Opens the main window as start-up does, on a fresh Xvfb.
class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("DESKTOP_STARTUP_ID", "skylume-test-42", 1);
        const std::string opened = open_main_window();
        unsetenv("DESKTOP_STARTUP_ID");
        ASSERT_EQ(opened, "");
        ASSERT_EQ(x_client.open(), ""); // a second client, as a window manager would be
        peer = x_client.display();
    }
    void TearDown() override
    {
        x_client.close();
        close_main_window();
    }

    Window main_window() const { return static_cast<Window>(mnw.xwin[0]); }

    // A property of the main window as raw items; its type's name in *type.
    std::vector<unsigned long> property(const char* name, std::string* type, int* format = nullptr)
    {
        Atom actual_type = None;
        int actual_format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned long> items;
        XGetWindowProperty(peer, main_window(), XInternAtom(peer, name, False), 0, 1024, False, AnyPropertyType,
                           &actual_type, &actual_format, &count, &after, &data);
        if (type) *type = actual_type == None ? "" : atom_name(actual_type);
        if (format) *format = actual_format;
        for (unsigned long i = 0; i < count && data; ++i) {
            if (actual_format == 8) items.push_back(data[i]);
            if (actual_format == 32) items.push_back(reinterpret_cast<unsigned long*>(data)[i]);
        }
        if (data) XFree(data);
        return items;
    }
    std::string text_property(const char* name, std::string* type)
    {
        const std::vector<unsigned long> bytes = property(name, type);
        return std::string(bytes.begin(), bytes.end());
    }
    std::vector<std::string> atom_property(const char* name)
    {
        std::string type;
        std::vector<std::string> names;
        for (unsigned long a : property(name, &type)) names.push_back(atom_name(a));
        EXPECT_EQ(type, names.empty() ? type : "ATOM") << name;
        return names;
    }
    std::string atom_name(Atom a)
    {
        char* n = XGetAtomName(peer, a);
        const std::string s = n ? n : "";
        if (n) XFree(n);
        return s;
    }

    x_peer x_client;
    Display* peer = nullptr;
};

GLint gl_int(GLenum name)
{
    GLint v = -1;
    glGetIntegerv(name, &v);
    return v;
}

bool gl_on(GLenum cap) { return glIsEnabled(cap) == GL_TRUE; }

// A binary PPM of the back buffer, top row first, in the test program's folder.
void save_screenshot(const std::string& name, int w, int h)
{
    const std::string path = test_program_folder() + name;
    std::vector<unsigned char> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    for (int row = h - 1; row >= 0; --row)
        out.write(reinterpret_cast<const char*>(&pixels[static_cast<size_t>(row) * static_cast<size_t>(w) * 3]),
                  static_cast<std::streamsize>(w) * 3);
}

} // namespace

TEST_F(MainWindow, AsAWindowManagerSeesIt)
{
    XTextProperty name;
    ASSERT_NE(XGetWMName(peer, main_window(), &name), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(name.value), "Skysuite");
    XFree(name.value);

    XClassHint hint;
    ASSERT_NE(XGetClassHint(peer, main_window(), &hint), 0);
    EXPECT_STREQ(hint.res_name, "main_window");
    EXPECT_STREQ(hint.res_class, "Skylume");
    XFree(hint.res_name);
    XFree(hint.res_class);

    XSizeHints hints;
    long supplied = 0;
    ASSERT_NE(XGetWMNormalHints(peer, main_window(), &hints, &supplied), 0);
    EXPECT_EQ(hints.flags, PMinSize | PMaxSize | PWinGravity);
    EXPECT_EQ(hints.min_width, 1024);
    EXPECT_EQ(hints.max_width, 1024);
    EXPECT_EQ(hints.min_height, 768);
    EXPECT_EQ(hints.max_height, 768);
    EXPECT_EQ(hints.win_gravity, CenterGravity);

    std::string type;
    int format = 0;
    EXPECT_EQ(text_property("_NET_WM_NAME", &type), "Skysuite");
    EXPECT_EQ(type, "UTF8_STRING");
    EXPECT_EQ(text_property("_NET_STARTUP_ID", &type), "skylume-test-42");
    EXPECT_EQ(type, "UTF8_STRING");
    property("_NET_WM_NAME", &type, &format);
    EXPECT_EQ(format, 8);
    EXPECT_EQ(atom_property("_NET_WM_WINDOW_TYPE"), std::vector<std::string>{"_NET_WM_WINDOW_TYPE_NORMAL"});
    EXPECT_EQ(atom_property("_NET_WM_ALLOWED_ACTIONS"),
              (std::vector<std::string>{"_NET_WM_ACTION_CLOSE", "_NET_WM_ACTION_FULLSCREEN", "_NET_WM_ACTION_MOVE"}));
    // The screen is exactly 1024 x 768: the window asks to be full-screen.
    EXPECT_EQ(atom_property("_NET_WM_STATE"), std::vector<std::string>{"_NET_WM_STATE_FULLSCREEN"});
    // Its process and machine, as a window manager ties a hung window to what it may end.
    EXPECT_EQ(property("_NET_WM_PID", &type, &format), std::vector<unsigned long>{static_cast<unsigned long>(getpid())});
    EXPECT_EQ(type, "CARDINAL");
    EXPECT_EQ(format, 32);
    char host[256] = "";
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(text_property("WM_CLIENT_MACHINE", &type), host);
    EXPECT_EQ(type, "STRING");

    XWindowAttributes attrs;
    ASSERT_NE(XGetWindowAttributes(peer, main_window(), &attrs), 0);
    EXPECT_EQ(attrs.width, 1024);
    EXPECT_EQ(attrs.height, 768);
    EXPECT_EQ(attrs.x, 0);
    EXPECT_EQ(attrs.y, 0);
    EXPECT_EQ(attrs.border_width, 0);
    EXPECT_EQ(attrs.map_state, IsViewable);
    EXPECT_EQ(attrs.all_event_masks & 0xB204F, 0xB204F);
    EXPECT_EQ(mnw.alias_now, 0);
}

TEST_F(MainWindow, InitialGlState)
{
    ASSERT_NE(glXGetCurrentContext(), nullptr);
    EXPECT_EQ(gl_int(GL_UNPACK_ALIGNMENT), 1);
    EXPECT_EQ(gl_int(GL_PACK_ALIGNMENT), 1);
    EXPECT_EQ(gl_int(GL_ALPHA_TEST_FUNC), GL_GREATER);
    EXPECT_EQ(gl_int(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(gl_int(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(gl_int(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_EQ(gl_int(GL_FOG_MODE), GL_LINEAR);
    EXPECT_EQ(gl_int(GL_FRONT_FACE), GL_CW);
    EXPECT_EQ(gl_int(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(gl_int(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_EQ(gl_int(GL_COLOR_MATERIAL_FACE), GL_FRONT);
    EXPECT_EQ(gl_int(GL_COLOR_MATERIAL_PARAMETER), GL_AMBIENT_AND_DIFFUSE);
    EXPECT_EQ(gl_int(GL_DEPTH_WRITEMASK), GL_FALSE);
    for (GLenum on : {GL_CULL_FACE, GL_DITHER, GL_COLOR_MATERIAL}) EXPECT_TRUE(gl_on(on)) << on;
    // Multisampling keeps GL's default (on, without effect on a visual without samples).
    for (GLenum off : {GL_LOGIC_OP, GL_STENCIL_TEST, GL_TEXTURE_1D, GL_NORMALIZE, GL_SCISSOR_TEST, GL_BLEND, GL_ALPHA_TEST, GL_FOG, GL_LIGHTING, GL_DEPTH_TEST, GL_TEXTURE_2D})
        EXPECT_FALSE(gl_on(off)) << off;
    GLfloat ambient[4] = {1, 1, 1, 1};
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_EQ(ambient[0], 0.0f);
    EXPECT_EQ(ambient[3], 0.0f);
}

TEST_F(MainWindow, CapabilityReportOfMesa)
{
    xer_capture log;
    alert_recorder alerts;
    OGL_extensions ext;
    ext.init_extensions();
    const std::string report = log.text();
    std::printf("%s", report.c_str());
    EXPECT_NE(std::string(ren.gl_vendor).find("Mesa"), std::string::npos);
    EXPECT_GE(OGL_version_number(ren.gl_version), 130);
    EXPECT_NE(report.find("OpenGL Render    : " + std::string(ren.gl_renderer) + "\n"), std::string::npos);
    EXPECT_EQ(ext.multitex_avail, 1);
    EXPECT_EQ(ext.threaded_avail, 0);
    EXPECT_GE(ren.tex_units, 1);
    EXPECT_GE(ext.max_tex_size, 1024);
    // Every flag that is on has its entry points.
    EXPECT_TRUE(!ext.vbo_avail || ext.glBindBufferARB);
    EXPECT_TRUE(!ext.framebuf_avail || ext.glBindFramebufferEXT);
    EXPECT_TRUE(!ext.glsl_avail || ext.glUseProgramObjectARB);
    EXPECT_TRUE(!ext.tex_comp_avail || ext.glCompressedTexImage2DARB);
    EXPECT_EQ(report.find("WARNING: extension missing proc"), std::string::npos);
    EXPECT_TRUE(alert_recorder::alerts().empty()); // Mesa's software renderer is not "Generic"
}

// The cache never disagrees with GL, whatever the sequence of codes.
TEST_F(MainWindow, StateCacheAgreesWithGl)
{
    glExt.init_extensions();
    ASSERT_GE(ren.tex_units, 2);
    const int sequence[][6] = {{1, 1, 3, 5, 9, 11}, {0, 2, 2, 7, 8, 10}, {1, 0, 3, 12, 9, 11},
                               {1, 8, 3, 6, 8, 11}, {2, 1, 3, 4, 9, 10}, {1, 0, 3, 4, 9, 11}};
    for (const auto& s : sequence) {
        SCOPED_TRACE(testing::Message() << s[0] << "," << s[1] << "," << s[2] << "," << s[3]);
        const bool blend_before = gl_on(GL_BLEND), test_before = gl_on(GL_ALPHA_TEST);
        OGL_setstate(s[0], s[1], s[2], s[3], s[4], s[5]);
        EXPECT_EQ(gl_on(GL_FOG), s[0] == 0);
        EXPECT_EQ(gl_on(GL_LIGHTING), s[2] == 2);
        EXPECT_EQ(gl_on(GL_LIGHT0), s[2] == 2);
        EXPECT_EQ(gl_on(GL_DEPTH_TEST), s[4] == 8);
        EXPECT_EQ(gl_int(GL_DEPTH_WRITEMASK), s[5] == 10 ? GL_TRUE : GL_FALSE);
        const bool known = s[3] >= 4 && s[3] <= 7;
        EXPECT_EQ(gl_on(GL_BLEND), known ? (s[3] == 5 || s[3] == 7) : blend_before);
        EXPECT_EQ(gl_on(GL_ALPHA_TEST), known ? (s[3] == 6 || s[3] == 7) : test_before);
        const int units = std::min(std::max(s[1], 0), std::min(ren.tex_units, 8));
        EXPECT_EQ(num_units, units);
        for (int u = 0; u < std::min(ren.tex_units, 8); ++u) {
            glActiveTextureARB(GL_TEXTURE0_ARB + u);
            EXPECT_EQ(gl_on(GL_TEXTURE_2D), u < units) << "unit " << u;
        }
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }
}

TEST_F(MainWindow, ScissoredClearReadBack)
{
    OGL_pix_specs(0);
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(view[2], 1024);
    EXPECT_EQ(view[3], 768);

    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    mnw.wind_x = 100; // a sub-window at (100, 50): the rectangle moves with it
    mnw.wind_y = 50;
    OGL_scissors(200, 100, 300, 200);
    EXPECT_TRUE(gl_on(GL_SCISSOR_TEST));
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    OGL_scissors_end();
    EXPECT_FALSE(gl_on(GL_SCISSOR_TEST));

    const rgb red{255, 0, 0}, blue{0, 0, 255};
    const struct {
        int x, y;
        rgb want;
    } probes[] = {{300, 150, red}, {599, 349, red}, {299, 150, blue}, {300, 149, blue},
                  {600, 349, blue}, {599, 350, blue}, {0, 0, blue}, {1023, 767, blue}};
    for (const auto& p : probes) {
        SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
        EXPECT_EQ(pixel_at(p.x, p.y), p.want);
    }
    save_screenshot("window_test_scissored_clear.ppm", 1024, 768);
}

TEST_F(MainWindow, NukedAndMadeAgain)
{
    const Window first = main_window();
    ren.tex_units = 2;
    OGL_setstate(1, 1, 3, 7, 9, 11); // the cache now holds blending and texturing on
    MACIBM_nuke_context(0);
    ASSERT_EQ(MACIBM_make_context(0), 1);
    EXPECT_NE(main_window(), first);
    ASSERT_NE(glGetString(GL_VERSION), nullptr);
    XWindowAttributes attrs;
    ASSERT_NE(XGetWindowAttributes(peer, main_window(), &attrs), 0);
    EXPECT_EQ(attrs.width, 1024);
    // The new context starts from GL's defaults, and the cache knows it.
    OGL_setstate(1, 1, 3, 7, 9, 11);
    EXPECT_TRUE(gl_on(GL_BLEND));
    EXPECT_TRUE(gl_on(GL_ALPHA_TEST));
    EXPECT_TRUE(gl_on(GL_TEXTURE_2D));
}

TEST_F(MainWindow, SecondMonitorWindowSharesTextures)
{
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    const unsigned char texel[4] = {1, 2, 3, 4};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    ASSERT_EQ(MACIBM_make_context(1), 1);
    EXPECT_EQ(glXGetCurrentContext(), static_cast<GLXContext>(mnw.glx_ctx[1]));
    EXPECT_TRUE(glIsTexture(tex)); // made in the main context, seen in the second
    XWindowAttributes attrs;
    ASSERT_NE(XGetWindowAttributes(peer, static_cast<Window>(mnw.xwin[1]), &attrs), 0);
    EXPECT_EQ(attrs.x, 1024); // to the right of the main window
    EXPECT_EQ(attrs.width, 1024);
    MACIBM_nuke_context(1);
    glXMakeCurrent(static_cast<Display*>(mnw.display), main_window(), static_cast<GLXContext>(mnw.glx_ctx[0]));
}

TEST_F(MainWindow, LoaderContextOnAnotherThread)
{
    void* extra = nullptr;
    void* loader = LIN_make_context_loader(extra);
    ASSERT_NE(loader, nullptr);
    bool current = false;
    std::thread worker([&] {
        current = LIN_set_context_loader(loader, extra);
        if (current) glXMakeCurrent(static_cast<Display*>(mnw.display), None, nullptr);
    });
    worker.join();
    EXPECT_TRUE(current);
    glXDestroyContext(static_cast<Display*>(mnw.display), static_cast<GLXContext>(loader));

}

namespace {

// Runs on a thread of the thread layer: reports whether it has a GL context
// that draws, then lets go of it.
void* report_own_context(void*)
{
    const bool drawing = glXGetCurrentContext() != nullptr && glGetString(GL_VERSION) != nullptr;
    glXMakeCurrent(static_cast<Display*>(mnw.display), None, nullptr);
    return drawing ? &mnw : nullptr;
}

void* run_thread_wanting_gl()
{
    unsigned long id1 = 0, id2 = 0, id3 = 0;
    testing::internal::CaptureStdout();
    THREAD_create(report_own_context, nullptr, &id1, &id2, &id3, 1);
    void* result = UTL_thread_join(&id1, &id2);
    testing::internal::GetCapturedStdout();
    return result;
}

} // namespace

// Installed in the thread layer, the pair gives a thread its context only
// while the capability record allows it, which detection never does.
TEST_F(MainWindow, ThreadLayerAsksTheCapabilityRecord)
{
    MACIBM_install_loader_hooks();
    glExt.threaded_avail = 1;
    EXPECT_EQ(OGL_threaded_avail(), 1);
    EXPECT_EQ(run_thread_wanting_gl(), &mnw);
    glExt.init_extensions();
    EXPECT_EQ(OGL_threaded_avail(), 0);
    EXPECT_EQ(run_thread_wanting_gl(), nullptr);
    MACIBM_set_loader_hooks({nullptr, nullptr, nullptr});
}

TEST_F(MainWindow, ScreenModeAppliedOnRequest)
{
    mnw.set_res = 1;
    mnw.x_res_req = 800;
    mnw.y_res_req = 600;
    testing::internal::CaptureStdout();
    MACIBM_setres(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1024 vs 800 X 768 vs 600\n");
    XSync(static_cast<Display*>(mnw.display), False);
    XWindowAttributes attrs;
    ASSERT_NE(XGetWindowAttributes(peer, main_window(), &attrs), 0);
    EXPECT_EQ(attrs.width, 800);
    EXPECT_EQ(attrs.height, 600);
    XSizeHints hints;
    long supplied = 0;
    ASSERT_NE(XGetWMNormalHints(peer, main_window(), &hints, &supplied), 0);
    EXPECT_EQ(hints.max_width, 800);
    EXPECT_EQ(hints.min_height, 600);
    EXPECT_TRUE(atom_property("_NET_WM_STATE").empty()); // no longer the screen's size
}

TEST_F(MainWindow, ScreenModeAtExitLeavesALargeScreenAlone)
{
    testing::internal::CaptureStdout();
    MACIBM_setres(0); // 1024 x 768 screen, nothing asked: no change was due
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

namespace {

void* no_visual(void*, int, const int*) { return nullptr; }
void* no_context(void*, void*, void*, int) { return nullptr; }
int never_current(void*, unsigned long, void*) { return 0; }

} // namespace

// A visual, a context or a current context that cannot be had ends the
// program with one line and status 1, never a crash further on.
TEST(GlxFailures, EndTheProgramWithOneLine)
{
    // A fresh process: the GL driver the window tests keep loaded has threads a fork would not have.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string why;
    ASSERT_FALSE(xvfb_display(&why).empty()) << "no X server for the window tests: " << why;
    const struct {
        const char* what;
        LIN_glx_calls calls;
        const char* says;
    } cases[] = {
        {"no visual", {no_visual, LIN_glx.create_context, LIN_glx.make_current},
         "^No GLX visual could be found at any level of the ladder; this machine cannot show the installer.\n$"},
        {"no context", {LIN_glx.choose_visual, no_context, LIN_glx.make_current},
         "^Skysuite: glXCreateContext failed; .*\n$"},
        {"not current", {LIN_glx.choose_visual, LIN_glx.create_context, never_current},
         "^Skysuite: glXMakeCurrent failed; .*\n$"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EXIT(
            {
                dup2(2, 1); // the no-visual line goes to standard output
                HL_reset_globals(); // the child opens its own connection
                mnw.x_res_req = mnw.x_res_now = 1024;
                mnw.y_res_req = mnw.y_res_now = 768;
                LIN_glx = c.calls;
                MACIBM_make_context(0);
            },
            testing::ExitedWithCode(1), c.says);
    }
}

// Without an X server the program says which display it tried and ends with status 1.
TEST(NoDisplay, OneLineAndExitStatusOne)
{
    const struct {
        const char* display; // null: unset
        const char* says;
    } cases[] = {{nullptr, "DISPLAY is not set"}, {":4711", "\":4711\""}, {"", "DISPLAY is not set"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.display ? c.display : "(unset)");
        EXPECT_EXIT(
            {
                HL_reset_globals();
                if (c.display)
                    setenv("DISPLAY", c.display, 1);
                else
                    unsetenv("DISPLAY");
                MACIBM_setres(1);
            },
            testing::ExitedWithCode(1), std::string("^Skysuite: cannot open .*") + c.says + ".*\n$");
    }
}

namespace {

int close_requests;
void count_close_request() { ++close_requests; }

std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

} // namespace

// Protocol errors (here requests about windows no client made, on the
// shell's own connection) are logged, five lines a run and then one line
// saying the rest go unlogged, and the program goes on.
TEST_F(MainWindow, ProtocolErrorsAreLoggedFiveTimesThenSaidToGoUnlogged)
{
    xer_capture log;
    Display* own = static_cast<Display*>(mnw.display);
    for (int i = 0; i < 8; ++i) XMapWindow(own, 0x3fffff0 + static_cast<unsigned long>(i));
    XSync(own, False);
    const std::string text = log.text();
    EXPECT_EQ(count_of(text, "X protocol error: BadWindow"), 5u) << text;
    EXPECT_EQ(count_of(text, "X protocol error: further errors are not logged\n"), 1u) << text;
    EXPECT_EQ(count_of(text, "X protocol error"), 6u) << text;
    // The connection is still the program's: the window answers.
    XWindowAttributes attrs;
    EXPECT_NE(XGetWindowAttributes(own, main_window(), &attrs), 0);
}

// The window takes the window manager's close request, which reaches the
// application's hook once, however often it comes; a client message that is
// not a close request for this window (another protocol, another window named
// in it, another message type or format) is ignored.
TEST_F(MainWindow, CloseRequestsForThisWindowAloneReachTheApplication)
{
    Atom* protocols = nullptr;
    int n = 0;
    ASSERT_NE(XGetWMProtocols(peer, main_window(), &protocols, &n), 0);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(protocols[0], XInternAtom(peer, "WM_DELETE_WINDOW", False));
    XFree(protocols);

    const Atom wm_protocols = XInternAtom(peer, "WM_PROTOCOLS", False);
    const Atom wm_delete = XInternAtom(peer, "WM_DELETE_WINDOW", False);
    const Window other = XCreateSimpleWindow(peer, DefaultRootWindow(peer), 0, 0, 8, 8, 0, 0, 0);
    struct message_case {
        const char* what;
        Window named;   // the event's window field
        Atom type;
        int format;
        long data0;
        int requests;   // close requests seen afterwards, in all
    };
    const message_case cases[] = {
        {"another protocol", main_window(), wm_protocols, 32, static_cast<long>(XInternAtom(peer, "WM_TAKE_FOCUS", False)), 0},
        {"another window named", other, wm_protocols, 32, static_cast<long>(wm_delete), 0},
        {"the root window named", DefaultRootWindow(peer), wm_protocols, 32, static_cast<long>(wm_delete), 0},
        {"a window in place of the protocol", main_window(), wm_protocols, 32, static_cast<long>(other), 0},
        {"another message type", main_window(), XInternAtom(peer, "_NET_WM_STATE", False), 32,
         static_cast<long>(wm_delete), 0},
        {"bytes, not longs", main_window(), wm_protocols, 8, static_cast<long>(wm_delete), 0},
        {"the close request", main_window(), wm_protocols, 32, static_cast<long>(wm_delete), 1},
        {"the close request again", main_window(), wm_protocols, 32, static_cast<long>(wm_delete), 1},
    };
    const close_request_fn previous = MACIBM_set_close_request_hook(count_close_request);
    close_requests = 0;
    for (const message_case& c : cases) {
        SCOPED_TRACE(c.what);
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = c.named;
        ev.xclient.message_type = c.type;
        ev.xclient.format = c.format;
        ev.xclient.data.l[0] = c.data0;
        ev.xclient.data.l[1] = CurrentTime;
        XSendEvent(peer, main_window(), False, NoEventMask, &ev); // to this window, whatever it names
        XSync(peer, False);
        for (int i = 0; i < 3; ++i) MACIBM_event_proc();
        EXPECT_EQ(close_requests, c.requests);
        EXPECT_EQ(MACIBM_closing(), c.requests);
    }
    MACIBM_set_close_request_hook(previous);
    XDestroyWindow(peer, other);
    XSync(peer, False);
}

// What start-up wires: the texture upload counts the drawing layer's units,
// and a context made anew starts with an empty bind cache, so the first bind
// of a texture reaches GL however the last context left the cache.
TEST_F(MainWindow, StartupWiresTheUnitsAndANewContextBindsAfresh)
{
    MACIBM_detect_gl(); // start-up's own step, as MACIBM_init runs it
    int* counter = TEX_set_units_counter(nullptr);
    EXPECT_EQ(counter, &num_units);
    TEX_set_units_counter(counter);

    TEX_bind_ref(5, 0, tex_env_bind_only);
    MACIBM_nuke_context(0);
    mnw.glx_ctx[0] = nullptr;
    mnw.xwin[0] = 0;
    ASSERT_EQ(MACIBM_make_context(0), 1);
    gl_recorder rec;
    TEX_bind_ref(5, 0, tex_env_bind_only);
    EXPECT_EQ(rec.count("glBindTexture"), 1);
}
