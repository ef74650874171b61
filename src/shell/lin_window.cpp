// lin_window.cpp - the X11 and GLX layer of the main window.
//
//   display        opening the connection, or one clear line and exit 1
//   visual ladder  stepping down through the multisampling levels
//   window         colormap, window, window-manager properties, full-screen request
//   context        creation, make-current, the initial GL state
//   screen mode    MACIBM_setres
//   loaders        shared contexts for threads
#include "graphics/tman.h"
#include "shell/window.h"
#include "shell/x_connection.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"
#include "graphics/gl_calls.h"
#include "graphics/ogl_extensions.h"
#include "ui/ogl_state.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

Display* dpy() { return static_cast<Display*>(mnw.display); }
XVisualInfo* visual() { return static_cast<XVisualInfo*>(mnw.visual); }

// ---- display ------------------------------------------------------------------------

[[noreturn]] void give_up(const char* line)
{
    std::fprintf(stderr, "%s\n", line);
    std::exit(1);
}

// Opens the display named by DISPLAY when none is open; without one the
// installer cannot run, so it says which display it tried and ends.
void open_display()
{
    if (mnw.display) return;
    mnw.display = XOpenDisplay(nullptr);
    if (mnw.display) {
        LIN_install_x_error_handlers();
        return;
    }
    const char* name = std::getenv("DISPLAY");
    char line[512];
    if (name && *name)
        std::snprintf(line, sizeof line,
                      "Skysuite: cannot open the X display \"%s\" (from DISPLAY); the installer needs a running "
                      "X server that this user may connect to.",
                      name);
    else
        std::snprintf(line, sizeof line,
                      "Skysuite: cannot open an X display: DISPLAY is not set; the installer needs a running X "
                      "server.");
    give_up(line);
}

LIN_screen default_screen()
{
    const int s = DefaultScreen(dpy());
    return {DisplayWidth(dpy(), s), DisplayHeight(dpy(), s), DefaultDepth(dpy(), s)};
}

// ---- visual ladder ------------------------------------------------------------------

const int InitVisual[15] = {GLX_SAMPLE_BUFFERS_ARB, 1, GLX_SAMPLES_ARB, 0, GLX_RGBA, GLX_DOUBLEBUFFER,
                            GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1, GLX_DEPTH_SIZE, 2, None};

void* choose_visual(const int* attributes) { return LIN_glx.choose_visual(dpy(), DefaultScreen(dpy()), attributes); }

void* glx_choose_visual(void* display, int screen, const int* attributes)
{
    return glXChooseVisual(static_cast<Display*>(display), screen, const_cast<int*>(attributes));
}

void* glx_create_context(void* display, void* vis, void* share, int direct)
{
    return glXCreateContext(static_cast<Display*>(display), static_cast<XVisualInfo*>(vis),
                            static_cast<GLXContext>(share), direct ? True : False);
}

int glx_make_current(void* display, unsigned long window, void* context)
{
    return glXMakeCurrent(static_cast<Display*>(display), window, static_cast<GLXContext>(context));
}

// ---- window -------------------------------------------------------------------------

constexpr long main_event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                                 PointerMotionMask | ButtonMotionMask | VisibilityChangeMask |
                                 StructureNotifyMask | SubstructureNotifyMask;
static_assert(main_event_mask == 0xB204F, "the main window's event mask");

Atom atom(const char* name) { return XInternAtom(dpy(), name, False); }

Window make_window(int x, int y, int w, int h)
{
    const Window root = RootWindow(dpy(), visual()->screen);
    XSetWindowAttributes attrs;
    std::memset(&attrs, 0, sizeof attrs);
    attrs.colormap = XCreateColormap(dpy(), root, visual()->visual, AllocNone);
    attrs.border_pixel = 0;
    attrs.event_mask = main_event_mask;
    return XCreateWindow(dpy(), root, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0, visual()->depth,
                         InputOutput, visual()->visual, CWBorderPixel | CWEventMask | CWColormap, &attrs);
}

// Fixed size: the user cannot resize the window.
void set_size_hints(Window win, int w, int h)
{
    XSizeHints hints;
    long supplied = 0;
    if (!XGetWMNormalHints(dpy(), win, &hints, &supplied)) std::memset(&hints, 0, sizeof hints);
    hints.min_width = hints.max_width = w;
    hints.min_height = hints.max_height = h;
    hints.win_gravity = CenterGravity;
    hints.flags = PMinSize | PMaxSize | PWinGravity;
    XSetWMNormalHints(dpy(), win, &hints);
}

void set_utf8_property(Window win, const char* name, const char* text)
{
    XChangeProperty(dpy(), win, atom(name), atom("UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text), static_cast<int>(std::strlen(text)));
}

void set_atom_property(Window win, const char* name, const Atom* atoms, int count)
{
    XChangeProperty(dpy(), win, atom(name), XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(atoms),
                    count);
}

void set_fullscreen_state(Window win, bool fullscreen)
{
    const Atom full = atom("_NET_WM_STATE_FULLSCREEN");
    set_atom_property(win, "_NET_WM_STATE", &full, fullscreen ? 1 : 0);
}

void name_window(Window win)
{
    char name[] = "Skysuite";
    char* list[] = {name};
    XTextProperty prop;
    std::memset(&prop, 0, sizeof prop);
    if (XStringListToTextProperty(list, 1, &prop) >= 0) XSetWMName(dpy(), win, &prop);
    if (prop.value) XFree(prop.value);

    XClassHint* hint = XAllocClassHint();
    if (hint) {
        char res_name[] = "main_window";
        char res_class[] = "Skylume";
        hint->res_name = res_name;
        hint->res_class = res_class;
        XSetClassHint(dpy(), win, hint);
        XFree(hint);
    }
}

// The process and its machine, so that a window manager can offer to end a
// program that hangs, and tools can find the window of a process.
void name_process(Window win)
{
    char host[HOST_NAME_MAX + 1] = "";
    if (gethostname(host, sizeof host) == 0) {
        host[HOST_NAME_MAX] = '\0'; // a truncated name need not be terminated
        char* list[] = {host};
        XTextProperty prop;
        std::memset(&prop, 0, sizeof prop);
        if (XStringListToTextProperty(list, 1, &prop) != 0) XSetWMClientMachine(dpy(), win, &prop);
        if (prop.value) XFree(prop.value);
    }
    const long pid = static_cast<long>(getpid()); // CARDINAL/32 items are longs to Xlib
    XChangeProperty(dpy(), win, atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
}

void set_wm_properties(Window win, int w, int h)
{
    name_window(win);
    name_process(win);
    set_size_hints(win, w, h);
    if (const char* startup = std::getenv("DESKTOP_STARTUP_ID")) set_utf8_property(win, "_NET_STARTUP_ID", startup);
    set_utf8_property(win, "_NET_WM_NAME", "Skysuite");
    const Atom normal = atom("_NET_WM_WINDOW_TYPE_NORMAL");
    set_atom_property(win, "_NET_WM_WINDOW_TYPE", &normal, 1);
    const Atom actions[3] = {atom("_NET_WM_ACTION_CLOSE"), atom("_NET_WM_ACTION_FULLSCREEN"),
                             atom("_NET_WM_ACTION_MOVE")};
    set_atom_property(win, "_NET_WM_ALLOWED_ACTIONS", actions, 3);
}

// Asks a running window manager for (or against) the full-screen state.
void request_fullscreen(Window win, bool fullscreen)
{
    XEvent ev;
    std::memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.send_event = True;
    ev.xclient.window = win;
    ev.xclient.message_type = atom("_NET_WM_STATE");
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = fullscreen ? 1 : 0;
    ev.xclient.data.l[1] = static_cast<long>(atom("_NET_WM_STATE_FULLSCREEN"));
    ev.xclient.data.l[2] = 0;
    XSendEvent(dpy(), RootWindow(dpy(), DefaultScreen(dpy())), False, SubstructureRedirectMask | SubstructureNotifyMask,
               &ev);
}

// ---- context ------------------------------------------------------------------------

void initial_gl_state()
{
    const GLfloat no_ambient[4] = {0, 0, 0, 0};
    gl.LightModelfv(GL_LIGHT_MODEL_AMBIENT, no_ambient);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.AlphaFunc(GL_GREATER, 0.0f);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.DepthFunc(GL_LEQUAL);
    gl.Fogi(GL_FOG_MODE, GL_LINEAR);
    gl.Hint(GL_FOG_HINT, GL_FASTEST);
    gl.FrontFace(GL_CW);
    gl.Enable(GL_CULL_FACE);
    gl.CullFace(GL_BACK);
    gl.ShadeModel(GL_SMOOTH);
    gl.Enable(GL_DITHER);
    gl.Disable(GL_LOGIC_OP);
    gl.Disable(GL_STENCIL_TEST);
    gl.Disable(GL_TEXTURE_1D);
    gl.Disable(GL_NORMALIZE);
    gl.Disable(GL_SCISSOR_TEST);
    gl.Enable(GL_COLOR_MATERIAL);
    gl.ColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    if (mnw.alias_now > 0) gl.Enable(GL_MULTISAMPLE_ARB);
    gl.DepthMask(GL_FALSE);
}

} // namespace

LIN_glx_calls LIN_glx = {glx_choose_visual, glx_create_context, glx_make_current};

int LIN_visual_ladder(int level, const LIN_visual_chooser& choose, void** chosen)
{
    static const int samples_by_level[5] = {0, 2, 4, 8, 16};
    *chosen = nullptr;
    for (; level >= 0; --level) {
        int attributes[15];
        std::memcpy(attributes, InitVisual, sizeof attributes);
        if (level <= 4) {
            attributes[1] = level > 0 ? 1 : 0;
            attributes[3] = samples_by_level[level];
        }
        *chosen = choose(attributes);
        if (*chosen) return level;
    }
    return -1;
}

int MACIBM_make_context(int index)
{
    const int w = mnw.x_res_now, h = mnw.y_res_now;
    const int x = index == 0 ? 0 : mnw.x_res_now;
    if (index == 1) OGL_setstate(1, 0, 3, 4, 9, 11);
    open_display();

    if (mnw.visual) XFree(mnw.visual); // a window made again chooses again
    mnw.visual = nullptr;
    void* chosen = nullptr;
    const int level = LIN_visual_ladder(mnw.alias_req, choose_visual, &chosen);
    if (level < 0) {
        std::printf("No GLX visual could be found at any level of the ladder; this machine cannot show the "
                    "installer.\n");
        std::exit(1);
    }
    mnw.visual = chosen;
    mnw.alias_now = level;

    void* share = index == 0 ? nullptr : mnw.glx_ctx[0];
    void* ctx = LIN_glx.create_context(dpy(), visual(), share, True);
    if (!ctx) give_up("Skysuite: glXCreateContext failed; the installer has no OpenGL context to draw with.");
    mnw.glx_ctx[index] = ctx;

    const Window win = make_window(x, 0, w, h);
    mnw.xwin[index] = win;
    set_wm_properties(win, w, h);
    LIN_accept_close_requests(win);
    const bool fullscreen = LIN_fullscreen_at_creation(default_screen(), w, h);
    set_fullscreen_state(win, fullscreen);
    request_fullscreen(win, fullscreen);

    XMapWindow(dpy(), win);
    XEvent first;
    XMaskEvent(dpy(), ~0L, &first); // the first event after mapping: the window is there

    if (!LIN_glx.make_current(dpy(), win, ctx))
        give_up("Skysuite: glXMakeCurrent failed; the OpenGL context cannot draw into its window.");
    initial_gl_state();
    tman.reset_bind(); // a new context has nothing bound: the bind cache must not say otherwise
    // A new context starts from GL's defaults: the state cache reads them afresh.
    if (index == 0) {
        OGL_reset_state_cache();
        OGL_setstate(1, 0, 3, 4, 9, 11);
    }
    return 1;
}

void MACIBM_nuke_context(int index)
{
    if (!dpy()) return;
    GLXContext ctx = static_cast<GLXContext>(mnw.glx_ctx[index]);
    if (ctx) {
        if (glXGetCurrentContext() == ctx) glXMakeCurrent(dpy(), None, nullptr);
        glXDestroyContext(dpy(), ctx);
    }
    if (mnw.xwin[index]) XDestroyWindow(dpy(), mnw.xwin[index]);
    // The visual is only read when a context is made; the next main window chooses again.
    if (index == 0 && mnw.visual) {
        XFree(mnw.visual);
        mnw.visual = nullptr;
    }
    XSync(dpy(), False);
}

void MACIBM_setres(int set)
{
    if (!mnw.display) open_display();
    const LIN_screen screen = default_screen();
    if (!MACIBM_setres_decide(set, screen)) return;
    if (!mnw.xwin[0]) return;
    const Window win = mnw.xwin[0];
    set_size_hints(win, mnw.x_res_now, mnw.y_res_now);
    XResizeWindow(dpy(), win, static_cast<unsigned>(mnw.x_res_now), static_cast<unsigned>(mnw.y_res_now));
    std::printf("%d vs %d X %d vs %d\n", screen.width, mnw.x_res_now, screen.height, mnw.y_res_now);
    set_fullscreen_state(win, LIN_fullscreen_at_setres(screen, mnw.x_res_now, mnw.y_res_now));
    XFlush(dpy());
}

// ---- loaders ------------------------------------------------------------------------

void* LIN_make_context_loader(void*&)
{
    if (!visual()) return nullptr;
    std::printf("linux trying to create a loader context\n");
    GLXContext ctx = glXCreateContext(dpy(), visual(), static_cast<GLXContext>(mnw.glx_ctx[0]), True);
    if (!ctx) std::printf("glXCreateContext failed: no loader context.\n");
    return ctx;
}

bool LIN_set_context_loader(void* ctx, void*)
{
    if (!visual()) return false;
    const Window hidden = make_window(0, 0, 128, 128); // never mapped
    return glXMakeCurrent(dpy(), hidden, static_cast<GLXContext>(ctx)) == True;
}

void MACIBM_install_loader_hooks()
{
    MACIBM_set_loader_hooks({[]() { return glExt.threaded_avail; }, LIN_make_context_loader, LIN_set_context_loader});
}
