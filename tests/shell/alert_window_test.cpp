// alert_window_test.cpp - the alert window without an X server: the GL state
// an interrupted caller left behind is cleared before anything is drawn, and
// the window's passes run under the modal-loop convention.
#include "graphics/ogl_extensions.h"
#include "shell/alert_window.h"
#include "shell_fixture.h"

#include <GL/glext.h>

namespace {

using shellfx::ShellTest;

std::vector<std::string>* ext_calls;

void APIENTRY use_program(GLhandleARB p) { ext_calls->push_back("use_program " + std::to_string(p)); }
void APIENTRY bind_framebuffer(GLenum target, GLuint fb)
{
    ext_calls->push_back("bind_framebuffer " + std::to_string(target) + " " + std::to_string(fb));
}

class AlertGlState : public ShellTest {
protected:
    std::vector<std::string> ext;
    void SetUp() override
    {
        ShellTest::SetUp();
        ext_calls = &ext;
        glExt.glUseProgramObjectARB = use_program;
        glExt.glBindFramebufferEXT = bind_framebuffer;
        stls.text[603] = "OK";
        src.key(KeyPress, 36); // Return, read by the window's first frame
        src.key(KeyRelease, 36);
    }
    void TearDown() override
    {
        glExt = OGL_extensions{};
        ext_calls = nullptr;
        ShellTest::TearDown();
    }
};

TEST_F(AlertGlState, ClearedBeforeTheFirstPass)
{
    struct row {
        int glsl, framebuf;
        std::vector<std::string> ext;
    } rows[] = {
        {0, 0, {}},
        {1, 0, {"use_program 0"}},
        {1, 1, {"use_program 0", "bind_framebuffer " + std::to_string(GL_FRAMEBUFFER_EXT) + " 0"}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::to_string(r.glsl) + std::to_string(r.framebuf));
        gl_rec.calls.clear();
        ext.clear();
        glExt.glsl_avail = r.glsl;
        glExt.framebuf_avail = r.framebuf;
        src.key(KeyPress, 36);
        src.key(KeyRelease, 36);
        MACIBM_alert_window(win_main, {"line", "", "", ""}, t_alert, "(x line 1)");
        ASSERT_GE(gl_rec.calls.size(), 34u);
        EXPECT_EQ(gl_rec.calls[0].name, "glEnd");
        EXPECT_EQ(gl_rec.calls[1].name, "glEndList");
        for (std::size_t i = 2; i < 32; ++i) EXPECT_EQ(gl_rec.calls[i].name, "glGetError") << i;
        EXPECT_EQ(gl_rec.calls[32], gl_call_of("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
        EXPECT_EQ(gl_rec.calls[33], gl_call_of("glBlendFunc", GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
        EXPECT_EQ(ext, r.ext);
        EXPECT_EQ(mnw.cur_wind, win_main);
    }
}

// Each pass draws and then runs one frame; the application's frame never runs under it.
TEST_F(AlertGlState, PassesAreFramesOfTheShell)
{
    mnw.cur_wind = win_main;
    mnw.mouse_x = 40;
    mnw.mouse_y = 50;
    src.events.clear();
    src.motion(600, 300); // the mouse moves inside the alert
    src.key(KeyPress, 36);
    src.key(KeyRelease, 36);
    MACIBM_alert_window(win_main, {"line", "", "", ""}, t_alert, "(x line 1)");
    EXPECT_EQ(count("update"), 0) << "the main screen waits";
    EXPECT_GE(count("swap"), 1);
    EXPECT_FLOAT_EQ(mnw.mouse_x, 40);
    EXPECT_FLOAT_EQ(mnw.mouse_y, 50);
}

} // namespace
