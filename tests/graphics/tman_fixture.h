// tman_fixture.h - what the texture-manager tests share: a manager of their
// own over the recording GL layer, the alert and log recorders, image files in
// a temporary folder, and the pixels of every upload.
#pragma once

#include "foundation/cmdline.h"
#include "foundation/hl_types.h"
#include "graphics/ogl_extensions.h"
#include "graphics/tex_bind.h"
#include "graphics/tman.h"
#include "image_fixture.h"
#include "support/gl_recorder.h"
#include "support/image_builder.h"
#include "support/testkit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct uploaded_level {
    int level, width, height, format;
    std::vector<unsigned char> bytes; // what GL was handed
};

class TmanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HL_reset_globals();
        HL_fill_tables();
        mnw.tex_res = 5;
        saved_ext = glExt;
        glExt.max_tex_size = 2048;
        glExt.combine_avail = 1;
        glExt.tex_clamp_avail = 1;
        glExt.automini_avail = 0;
        glExt.aniso_avail = 0;
        glExt.glCompressedTexImage2DARB = &record_compressed;
        ren.tex_units = 2;
        cmdline.clear();
        TEX_reset_bind();
        uploads().clear();
        statuses().clear();
        previous_status = TEX_set_status_hook(&record_status);
        gl.TexImage2D = &record_image;
    }
    void TearDown() override
    {
        TEX_set_status_hook(previous_status);
        glExt = saved_ext;
        cmdline.clear();
        TEX_reset_bind();
        HL_reset_globals();
    }

    // Writes a file into the temporary folder and returns its full path.
    std::string file(const std::string& name, const std::string& bytes)
    {
        write_file(dir / name, bytes);
        return dir / name;
    }
    std::string png_file(const std::string& name, int w, int h, std::uint32_t rgba = 0x80604020u)
    {
        return file(name, make_png(rgba_png_spec(w, h, [&](int, int) { return rgba; })));
    }
    // A PNG made for the display gamma, so that its values load unchanged.
    static std::string exact_png(png_spec s)
    {
        s.gamma = 0.45455;
        return make_png(s);
    }
    // A picture of w x h RGBA pixels put into scratch_array in rows of its power-of-two width.
    void stage(int w, int h, unsigned char value = 0x77)
    {
        std::fill(scratch_array, scratch_array + tex_staging_bytes, value);
        scratch_dx = w;
        scratch_dy = h;
    }
    static std::vector<uploaded_level>& uploads()
    {
        static std::vector<uploaded_level> list;
        return list;
    }
    static std::vector<std::string>& statuses()
    {
        static std::vector<std::string> list;
        return list;
    }

    gl_recorder rec;
    alert_recorder alerts;
    xer_capture log;
    gamma_setting gamma{false};
    temp_dir dir;
    tman_class t;
    OGL_extensions saved_ext;
    tex_status_fn previous_status = nullptr;

private:
    static void record_status(const std::string& message, float*) { statuses().push_back(message); }
    static int bytes_per_pixel(GLenum format)
    {
        return format == GL_RGBA || format == GL_BGRA ? 4 : format == GL_RGB || format == GL_BGR ? 3 : 1;
    }
    static void GLAPIENTRY record_image(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h,
                                        GLint border, GLenum format, GLenum type, const void* pixels)
    {
        gl_recorder::current()->calls.push_back(
            gl_call_of("glTexImage2D", target, level, internal, w, h, border, format, type, 0));
        const auto* p = static_cast<const unsigned char*>(pixels);
        const std::size_t n = std::size_t(w) * h * bytes_per_pixel(format);
        uploads().push_back({level, w, h, int(format), p ? std::vector<unsigned char>(p, p + n)
                                                         : std::vector<unsigned char>()});
    }
    static void APIENTRY record_compressed(GLenum target, GLint level, GLenum format, GLsizei w, GLsizei h,
                                           GLint border, GLsizei bytes, const void*)
    {
        gl_recorder::current()->calls.push_back(
            gl_call_of("glCompressedTexImage2DARB", target, level, format, w, h, border, bytes, 0));
    }
};
