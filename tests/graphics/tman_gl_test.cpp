// The texture manager on a real GL: Mesa's software renderer under the tests'
// own Xvfb. The built-in pictures at their texture sizes and the right way up,
// one file of each kind uploaded, and a second upload into the same texture.
// What is read back is saved as PNG in the build folder.
#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "graphics/builtin_images.h"
#include "graphics/builtin_textures.h"
#include "graphics/gl_calls.h"
#include "graphics/ogl_extensions.h"
#include "graphics/tex_bind.h"
#include "graphics/tex_png.h"
#include "graphics/tman.h"
#include "image_fixture.h"
#include "support/glx_window.h"
#include "support/image_builder.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <GL/glext.h>

#include <cstdlib>
#include <vector>

namespace {

class TmanOnGl : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.ok()) << "no GL window for the texture tests: " << window.why();
        HL_reset_globals();
        HL_fill_tables();
        cmdline.clear();
        mnw.tex_res = 5;
        glExt.init_extensions();
        gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
        tman.reset();
        TEX_reset_bind();
    }
    void TearDown() override
    {
        tman.reset();
        TEX_reset_bind();
        HL_reset_globals();
    }

    GLint level0(int ref, GLenum what)
    {
        TEX_reset_bind();
        tman.bind_ref(ref, 0, 0);
        GLint v = -1;
        gl.GetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &v);
        return v;
    }

    // Draws the loaded picture of ref pixel for pixel into the lower-left
    // corner of the window and reads it back, bottom row first, RGBA.
    std::vector<unsigned char> draw_and_read(int ref)
    {
        const auto& e = tman.ref_dat.at(ref);
        const int w = int(e.img_dx), h = int(e.img_dy);
        gl.Viewport(0, 0, w, h);
        gl.MatrixMode(GL_PROJECTION);
        gl.LoadIdentity();
        gl.Ortho(0, w, 0, h, -1, 1);
        gl.MatrixMode(GL_MODELVIEW);
        gl.LoadIdentity();
        gl.Disable(GL_BLEND);
        gl.Disable(GL_DEPTH_TEST);
        gl.Enable(GL_TEXTURE_2D);
        gl.ClearColor(0, 0, 0, 1);
        gl.Clear(GL_COLOR_BUFFER_BIT);
        TEX_reset_bind();
        tman.bind_ref(ref, 0, 0);
        // Exact texels: nearest filtering for the read-back only.
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl.Color4f(1, 1, 1, 1);
        const float s = w / e.tex_dx, t = h / e.tex_dy;
        gl.Begin(GL_QUADS);
        gl.TexCoord2f(0, 0), gl.Vertex2f(0, 0);
        gl.TexCoord2f(s, 0), gl.Vertex2f(float(w), 0);
        gl.TexCoord2f(s, t), gl.Vertex2f(float(w), float(h));
        gl.TexCoord2f(0, t), gl.Vertex2f(0, float(h));
        gl.End();
        std::vector<unsigned char> px(std::size_t(w) * h * 4);
        gl.ReadBuffer(GL_BACK);
        gl.ReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        return px;
    }

    void save(const std::string& name, int w, int h, const std::vector<unsigned char>& px)
    {
        const std::string path = std::string(SKY_READBACK_DIR) + "/" + name + ".png";
        EXPECT_EQ(TEX_save_png(path, {GL_RGBA, w, h, 0, 0}, px.data()), 1) << path;
    }

    glx_window window{1024, 768};
    alert_recorder alerts;
    xer_capture log;
};

// The pixel of a picture whose colour differs most from its mirror image
// across the horizontal middle: drawn upside down, it would not match. With
// blending off the window takes a texel's colour whatever its alpha.
struct probe {
    int x, y;
};
probe orientation_probe(const builtin_image_struct& img)
{
    probe best{0, 0};
    int best_diff = -1;
    for (int y = 0; y < img.dy / 2; y += 3)
        for (int x = 0; x < img.dx; x += 3) {
            const unsigned char* p = img.pixels + (std::size_t(y) * img.dx + x) * 4;
            const unsigned char* m = img.pixels + (std::size_t(img.dy - 1 - y) * img.dx + x) * 4;
            const int diff = std::abs(p[0] - m[0]) + std::abs(p[1] - m[1]) + std::abs(p[2] - m[2]);
            if (diff > best_diff) best_diff = diff, best = {x, y};
        }
    return best;
}

TEST_F(TmanOnGl, BuiltInPicturesAtTheirSizesAndTheRightWayUp)
{
    recall_ins_texes();
    EXPECT_TRUE(alerts.alerts().empty());
    for (const builtin_image_struct& img : builtin_images) {
        SCOPED_TRACE(img.name);
        const int tex_dx = img.dx == 512 ? 512 : 1024, tex_dy = img.dy == 512 ? 512 : 1024;
        EXPECT_EQ(level0(img.ref, GL_TEXTURE_WIDTH), tex_dx);
        EXPECT_EQ(level0(img.ref, GL_TEXTURE_HEIGHT), tex_dy);
        EXPECT_EQ(tman.ref_dat[img.ref].img_dx, img.dx);
        EXPECT_EQ(tman.ref_dat[img.ref].img_dy, img.dy);

        const std::vector<unsigned char> px = draw_and_read(img.ref);
        save(img.name, img.dx, img.dy, px);
        const probe p = orientation_probe(img);
        const unsigned char* want = img.pixels + (std::size_t(p.y) * img.dx + p.x) * 4;
        const unsigned char* mirror = img.pixels + (std::size_t(img.dy - 1 - p.y) * img.dx + p.x) * 4;
        const unsigned char* got = px.data() + (std::size_t(p.y) * img.dx + p.x) * 4;
        SCOPED_TRACE("probe " + std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_EQ(std::vector<int>(got, got + 3), std::vector<int>(want, want + 3));
        EXPECT_NE(std::vector<int>(got, got + 3), std::vector<int>(mirror, mirror + 3));
        // The right-hand column of the installer picture is its own, not the
        // start of the next row: the 1010-pixel rows are not sheared.
        const int x = img.dx - 1, y = img.dy / 2;
        const unsigned char* edge = img.pixels + (std::size_t(y) * img.dx + x) * 4;
        const unsigned char* read = px.data() + (std::size_t(y) * img.dx + x) * 4;
        EXPECT_EQ(std::vector<int>(read, read + 3), std::vector<int>(edge, edge + 3));
    }
    EXPECT_EQ(gl.GetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TmanOnGl, OneFileOfEachKind)
{
    gamma_setting off(false);
    temp_dir dir;
    png_spec p = rgba_png_spec(300, 200, [](int x, int y) { return std::uint32_t(x) << 24 | std::uint32_t(y) << 16 | 0xFFu; });
    p.gamma = 0.45455;
    write_file(dir / "photo.png", make_png(p));
    bmp_spec b;
    b.width = 64;
    b.height = 32;
    b.bgr_rows = std::string(64 * 32 * 3, '\x60');
    write_file(dir / "plain.bmp", make_bmp(b));
    dds_spec d;
    d.flags = 0x21007;
    d.caps1 = 0x401008;
    d.width = 128;
    d.height = 64;
    d.fourcc = "DXT5";
    d.data = std::string(std::size_t(TEX_bytes_needed_for_image({GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 128, 64, 0, 1})),
                         '\0');
    write_file(dir / "block.dds", make_dds(d));
    ASSERT_TRUE(glExt.tex_comp_avail) << "Mesa reports no compressed textures";

    const struct {
        const char* name;
        int width, height, compressed;
    } cases[] = {{"photo.png", 512, 256, 0}, {"plain.bmp", 64, 32, 0}, {"block.dds", 128, 64, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int ref = tman.load_texture(tex_fail_scenery, 0, tex_col_rgba | tex_flag_unused, tex_load_now, dir / c.name);
        EXPECT_EQ(tman.ref_dat.at(ref).tex, unsigned(ref));
        EXPECT_EQ(level0(ref, GL_TEXTURE_WIDTH), c.width);
        EXPECT_EQ(level0(ref, GL_TEXTURE_HEIGHT), c.height);
        EXPECT_EQ(level0(ref, GL_TEXTURE_COMPRESSED_ARB), c.compressed);
        EXPECT_EQ(gl.GetError(), GLenum(GL_NO_ERROR));
    }
    EXPECT_FALSE(tman.has_scene_load_fail());
    // The PNG's lower-left pixel (x 0, y 199 from the top) is the texture's first texel.
    const std::vector<unsigned char> px = draw_and_read(tman.ref_of_name(dir / "photo.png"));
    save("photo", 300, 200, px);
    EXPECT_EQ(px[0], 0);
    EXPECT_EQ(px[1], 199);
    EXPECT_EQ(px[(199 * 300 + 299) * 4], 299 & 0xFF);
    EXPECT_EQ(px[(199 * 300 + 299) * 4 + 1], 0);
}

// Counts the uploads into existing storage, passing each on to Mesa.
int sub_images = 0;
void GLAPIENTRY counting_sub_image(GLenum target, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format,
                                   GLenum type, const void* pixels)
{
    ++sub_images;
    gl_mesa.TexSubImage2D(target, level, x, y, w, h, format, type, pixels);
}

TEST_F(TmanOnGl, SecondUploadReusesTheTexture)
{
    auto fill = [](unsigned char r, unsigned char g, unsigned char b) {
        for (std::size_t i = 0; i < 64 * 64; ++i) {
            unsigned char* p = scratch_array + i * 4;
            p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
        }
        scratch_dx = scratch_dy = 64;
    };
    sub_images = 0;
    gl.TexSubImage2D = &counting_sub_image;
    fill(255, 0, 0);
    EXPECT_EQ(tman.load_texture(tex_fail_alert, 500, tex_col_rgba, tex_load_now, "scratch_array:test"), 500);
    EXPECT_EQ(sub_images, 0);
    fill(0, 0, 255);
    EXPECT_EQ(tman.load_texture(tex_fail_alert, 500, tex_col_rgba, tex_load_now, "scratch_array:test"), 500);
    gl.TexSubImage2D = gl_mesa.TexSubImage2D;
    EXPECT_EQ(sub_images, 1);
    EXPECT_EQ(tman.loaded_texes(), 1);
    EXPECT_EQ(gl.IsTexture(500), GL_TRUE);
    const std::vector<unsigned char> px = draw_and_read(500);
    EXPECT_EQ(std::vector<int>(px.begin(), px.begin() + 3), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(gl.GetError(), GLenum(GL_NO_ERROR));
}

} // namespace
