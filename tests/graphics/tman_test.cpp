// The texture manager without a window: sizes, the ref table, reference
// counts, the files looked for, failed loads, the upload's GL calls and the
// binds of refs that are not loaded, against the recording GL layer.
#include "tman_fixture.h"

#include "graphics/builtin_images.h"
#include "graphics/builtin_textures.h"

#include <cstring>

namespace {

constexpr int DXT1 = GL_COMPRESSED_RGB_S3TC_DXT1_EXT;

bool logged(xer_capture& log, const std::string& text) { return log.text().find(text) != std::string::npos; }

// ---- records ----------------------------------------------------------------------

TEST_F(TmanTest, ScaleOfTheResolutionSetting)
{
    const struct {
        int tex_res;
        float scale;
    } cases[] = {{5, 1.0f}, {4, 0.5f}, {3, 0.25f}, {2, 0.125f}, {1, 0.0625f}, {0, 0.03125f}, {7, 1.0f}, {-1, 1.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tex_res);
        mnw.tex_res = c.tex_res;
        EXPECT_EQ(t.scale_rat(), c.scale);
    }
}

TEST_F(TmanTest, TableGrowsWithFreeEntries)
{
    EXPECT_TRUE(t.ref_dat.empty());
    EXPECT_EQ(t.loaded_texes(), 0);
    EXPECT_EQ(t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, png_file("a.png", 4, 4)), 1131);
    ASSERT_EQ(t.ref_dat.size(), 1132u);
    for (int r : {0, 388, 926, 1130}) {
        SCOPED_TRACE(r);
        const auto& e = t.ref_dat[r];
        EXPECT_EQ(e.format, 0);
        EXPECT_EQ(e.load_time, tex_load_unloaded);
        EXPECT_EQ(e.fail_mode, tex_fail_alert);
        EXPECT_EQ(e.ref_count, -1);
        EXPECT_EQ(e.name, "un-inited");
    }
    EXPECT_EQ(t.total_texes(), 1);
    EXPECT_EQ(t.loaded_texes(), 1);
    mnw.x_res_now = 1024, mnw.y_res_now = 768, mnw.col_res_now = 32;
    EXPECT_EQ(t.tot_vram(), 1024 * 768 * 4 + 4 * 4 * 4);
}

TEST_F(TmanTest, FailureFlagsAreSetOnceThenMuted)
{
    const std::string missing = dir / "missing.png";
    t.load_texture(tex_fail_scenery, 0, tex_col_rgb, tex_load_now, missing);
    EXPECT_TRUE(t.has_scene_load_fail());
    EXPECT_FALSE(t.has_plane_load_fail());
    t.mute_scene_load_fail();
    t.load_texture(tex_fail_scenery, 0, tex_col_rgb, tex_load_now, dir / "other.png");
    EXPECT_FALSE(t.has_scene_load_fail());
    EXPECT_EQ(t.scene_load_fail, 2);
    t.reset_scene_load_fail();
    t.load_texture(tex_fail_scenery, 0, tex_col_rgb, tex_load_now, dir / "third.png");
    EXPECT_TRUE(t.has_scene_load_fail());
    t.load_texture(tex_fail_plane, 0, tex_col_rgb, tex_load_now, dir / "plane.png");
    t.load_texture(tex_fail_instl, 0, tex_col_rgb, tex_load_now, dir / "instl.png");
    EXPECT_TRUE(t.has_plane_load_fail());
    EXPECT_TRUE(t.has_instl_load_fail());
    EXPECT_TRUE(logged(log, "WARNING: we are missing the texture: " + missing + ".\n"));
    EXPECT_TRUE(alerts.alerts().empty());
}

// ---- size choice ------------------------------------------------------------------------

TEST_F(TmanTest, SizeChoice)
{
    const struct {
        const char* what;
        int tex_res, flags, w, h, source, max_tex;
        int img_dx, img_dy, tex_dx, tex_dy;
        float scale;
    } cases[] = {
        {"full size file", 5, 0, 300, 200, 2, 2048, 300, 200, 512, 256, 1.0f},
        {"no power of two", 5, tex_npot_ok, 300, 200, 2, 2048, 300, 200, 300, 200, 1.0f},
        {"level 4 doubled is full size", 4, tex_res_double, 300, 200, 2, 2048, 300, 200, 512, 256, 1.0f},
        {"level 5 doubled stays full size", 5, tex_res_double, 300, 200, 2, 2048, 300, 200, 512, 256, 1.0f},
        {"level 4 halved", 4, tex_res_half, 256, 128, 2, 2048, 64, 32, 64, 32, 0.25f},
        {"full flag wins over the setting", 2, tex_res_full, 64, 64, 2, 2048, 64, 64, 64, 64, 1.0f},
        {"level 3", 3, 0, 1024, 64, 2, 2048, 256, 16, 256, 16, 0.25f},
        {"1 x 1 stays at level 0", 0, 0, 1, 1, 2, 2048, 1, 1, 1, 1, 1.0f},
        {"no side below one pixel", 0, 0, 64, 8, 2, 2048, 8, 1, 8, 1, 0.125f},
        {"halved to the GL maximum", 5, 0, 2048, 512, 2, 1024, 1024, 256, 1024, 256, 0.5f},
        {"a side equal to the maximum stays", 5, 0, 1024, 16, 2, 1024, 1024, 16, 1024, 16, 1.0f},
        {"prepared pixels always full size", 0, tex_res_half, 1010, 764, 1, 2048, 1010, 764, 1024, 1024, 1.0f},
        {"no driver limit read yet", 5, 0, 2048, 2048, 2, 0, 2048, 2048, 2048, 2048, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mnw.tex_res = c.tex_res;
        glExt.max_tex_size = c.max_tex;
        int img_dx = 0, img_dy = 0, tex_dx = 0, tex_dy = 0;
        EXPECT_EQ(TEX_get_scale("f", 0, c.flags, c.w, c.h, &img_dx, &img_dy, &tex_dx, &tex_dy, c.source), c.scale);
        EXPECT_EQ(img_dx, c.img_dx);
        EXPECT_EQ(img_dy, c.img_dy);
        EXPECT_EQ(tex_dx, c.tex_dx);
        EXPECT_EQ(tex_dy, c.tex_dy);
    }
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(TmanTest, SizeCheckEndsTheProgramOutside1To2048)
{
    check_dxy(2048, "ok.png");
    check_dxy(1, "ok.png");
    for (int bad : {0, 2049, 4096, -3}) {
        SCOPED_TRACE(bad);
        try {
            check_dxy(bad, "big.png");
            ADD_FAILURE() << "no alert";
        } catch (const fatal_alert& a) {
            EXPECT_EQ(a.lines.l1, "Trying to create a texture either less than 1 or greater than 2048!");
            EXPECT_EQ(a.lines.l2, "big.png");
            EXPECT_EQ(a.lines.l3, "value:");
            EXPECT_EQ(a.lines.l4, std::to_string(bad));
        }
    }
    int a = 0, b = 0, c = 0, d = 0;
    EXPECT_THROW(TEX_get_scale("wide", 0, 0, 4096, 16, &a, &b, &c, &d, 1), fatal_alert);
}

// ---- slots and reference counts -----------------------------------------------------------

TEST_F(TmanTest, DynamicSlotsAndReferenceCounts)
{
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i) names.push_back(png_file("d" + std::to_string(i) + ".png", 2, 2));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, names[i]), 1131 + i);

    // The same name again: the same ref, one more reference, no second upload.
    const int images = rec.count("glTexImage2D");
    EXPECT_EQ(t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, names[2]), 1133);
    EXPECT_EQ(t.ref_dat[1133].ref_count, 2);
    EXPECT_EQ(rec.count("glTexImage2D"), images);

    // Released entries stay until purged; then the highest free one is taken.
    t.release_texture(1135);
    t.release_texture(1140);
    EXPECT_EQ(t.ref_dat[1140].format, GL_RGBA);
    t.purge_unused_texes();
    EXPECT_EQ(t.ref_dat[1135].format, 0);
    EXPECT_EQ(t.ref_dat[1140].format, 0);
    EXPECT_EQ(rec.named({"glDeleteTextures"}).size(), 2u);
    EXPECT_EQ(t.total_texes(), 8);
    EXPECT_EQ(t.loaded_texes(), 8);
    EXPECT_EQ(t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, png_file("new.png", 2, 2)), 1140);
    EXPECT_EQ(t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, names[4]), 1135); // its name left too
    EXPECT_EQ(t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, png_file("n2.png", 2, 2)), 1141);
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(TmanTest, ManualRefsAndTheBuiltInName)
{
    stage(4, 4);
    const std::string hard = "scratch_array:hardwired textures";
    EXPECT_EQ(t.load_texture(tex_fail_alert, 389, 0x502, tex_load_now, hard), 389);
    EXPECT_EQ(t.load_texture(tex_fail_alert, 390, 0x502, tex_load_now, hard), 390);
    EXPECT_EQ(t.ref_of_name(hard), 389);
    EXPECT_EQ(t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, hard), 389);
    EXPECT_EQ(t.ref_dat[389].ref_count, 0);
    EXPECT_EQ(t.load_texture(tex_fail_silent, 1131, tex_col_rgba, tex_load_now, "scratch_array"), 1131);
    EXPECT_TRUE(statuses().empty()); // scratch_array pictures never show the status line

    for (int bad : {1132, -1}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(t.load_texture(tex_fail_silent, bad, tex_col_rgba, tex_load_now, "scratch_array"), fatal_alert);
        EXPECT_EQ(alerts.alerts().back().lines.l1, "Trying to bind too low or high a manual_ref!");
        EXPECT_EQ(alerts.alerts().back().lines.l4, std::to_string(bad));
    }
    // Manual refs are unloaded, never released; dynamic refs the other way round.
    EXPECT_THROW(t.release_texture(389), fatal_alert);
    EXPECT_EQ(alerts.alerts().back().lines.l1, "Trying to release a manual texture - use unload_texture.");
    EXPECT_EQ(alerts.alerts().back().lines.l2, "389.000000");
    EXPECT_THROW(t.unload_texture(1131), fatal_alert);
    EXPECT_EQ(alerts.alerts().back().lines.l1, "Error: dynamic textures should be released, not unloaded.");
    EXPECT_THROW(t.release_texture(1131), fatal_alert); // taken manually: never reffed
    EXPECT_EQ(alerts.alerts().back().lines.l1, "Ref count is negative - was never reffed.");
    EXPECT_THROW(t.release_texture(5000), fatal_alert); // beyond the table: never reffed either
}

TEST_F(TmanTest, ReleasingTooOftenAndPurgingLeaveManualEntries)
{
    const int r = t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, png_file("a.png", 2, 2));
    stage(2, 2);
    t.load_texture(tex_fail_silent, 388, tex_col_rgba, tex_load_now, "scratch_array");
    t.release_texture(r);
    t.purge_unused_texes();
    EXPECT_EQ(t.ref_dat[r].format, 0);
    EXPECT_EQ(t.ref_dat[388].format, GL_RGBA);
    EXPECT_THROW(t.release_texture(r), fatal_alert); // freed: back at -1
    const int s = t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, png_file("b.png", 2, 2));
    t.release_texture(s);
    EXPECT_THROW(t.release_texture(s), fatal_alert);
    EXPECT_EQ(alerts.alerts().back().lines.l1, "Ref count went negative");
}

TEST_F(TmanTest, LoadTimesStatusLineAndEmptyName)
{
    EXPECT_EQ(t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, ""), 0);
    EXPECT_TRUE(t.ref_dat.empty());
    const std::string a = png_file("a.png", 2, 2), b = png_file("b.png", 2, 2), c = png_file("c.png", 2, 2);
    t.load_texture(tex_fail_silent, 500, tex_col_rgba, tex_load_now, a);
    t.load_texture(tex_fail_silent, 501, tex_col_rgba, tex_load_scenery, b);
    t.load_texture(tex_fail_silent, 502, tex_col_rgba, tex_load_unloaded, c);
    t.load_texture(tex_fail_silent, 388, tex_col_rgba, tex_load_now, c);
    EXPECT_EQ(statuses(), std::vector<std::string>{"Loading bitmap " + a + "."});
    for (int r : {500, 501, 502}) EXPECT_EQ(t.ref_dat[r].load_time, tex_load_now) << r;
    for (int bad : {99, 103}) {
        EXPECT_THROW(t.load_texture(tex_fail_silent, 503, tex_col_rgba, tex_load_time(bad), a), fatal_alert);
        EXPECT_EQ(alerts.alerts().back().lines.l1, "Trying to create an invalid texture load_time!");
    }
    EXPECT_THROW(t.load_texture(tex_fail_silent, 504, 0x4000, tex_load_now, a), fatal_alert);
    EXPECT_EQ(alerts.alerts().back().lines.l1, "Trying to bind an invalid filter type!");
    EXPECT_THROW(t.load_texture(tex_fail_silent, 505, 0x400, tex_load_now, a), fatal_alert);
    EXPECT_EQ(alerts.alerts().back().lines.l1,
              "BAD color enum for tman - see tman.h for valid colors!  We cannot pass 0.");
}

// ---- the files looked for -----------------------------------------------------------------

TEST_F(TmanTest, CandidateOrderDdsPngBmp)
{
    dds_spec dds;
    dds.flags = 0x21007;
    dds.caps1 = 0x401008;
    dds.width = dds.height = 4;
    dds.data = std::string(8 + 8 + 8, '\x11'); // 4x4, 2x2 and 1x1 DXT1 blocks
    bmp_spec bmp;
    bmp.width = 2;
    bmp.height = 1;
    bmp.bgr_rows = std::string(6, '\x22');
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;
        std::string request;
        bool no_dds;
        const char* upload; // the GL call that shows which file was read; null: a failed load
    } cases[] = {
        {"a DDS twin wins over the named PNG", {{"a.dds", make_dds(dds)}, {"a.png", make_png(rgba_png_spec(2, 2, [](int, int) { return 0xFFu; }))}}, "a.png", false, "glCompressedTexImage2DARB"},
        {"--no_dds reads the PNG", {{"a.dds", make_dds(dds)}, {"a.png", make_png(rgba_png_spec(2, 2, [](int, int) { return 0xFFu; }))}}, "a.png", true, "glTexImage2D"},
        {"a BMP found under its own extension", {{"b.bmp", make_bmp(bmp)}}, "b.png", false, "glTexImage2D"},
        {"a 7-byte twin fails the load though the PNG exists", {{"c.dds", "DDS 123"}, {"c.png", make_png(rgba_png_spec(2, 2, [](int, int) { return 0xFFu; }))}}, "c.png", false, nullptr},
        {"a DDS without a mip chain is refused", {{"d.dds", make_dds(dds_spec{})  + std::string(8, '\0')}}, "d.bmp", false, nullptr},
        {"no extension: only the name itself", {{"sky.png", make_bmp(bmp)}}, "sky", false, nullptr},
        {"no extension: the name itself is read", {{"sky2", make_bmp(bmp)}}, "sky2", false, "glTexImage2D"},
        {"a longer extension is no extension", {{"sky.jpeg", make_bmp(bmp)}}, "sky.jpeg", false, "glTexImage2D"},
        {"a file of no known kind", {{"e.png", "not a picture at all"}}, "e.png", false, nullptr},
    };
    int ref = 600;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        temp_dir here;
        for (const auto& f : c.files) write_file(here / f.first, f.second);
        cmdline.clear();
        if (c.no_dds) {
            const char* argv[] = {"installer", "--no_dds"};
            cmdline.init_unix(2, argv);
        }
        rec.calls.clear();
        const int got = t.load_texture(tex_fail_silent, ++ref, tex_col_rgba, tex_load_now, here / c.request);
        if (c.upload) {
            EXPECT_EQ(got, ref);
            EXPECT_GE(rec.count(c.upload), 1);
        } else {
            EXPECT_EQ(got, 0);
            EXPECT_EQ(t.ref_dat[ref].tex, unsigned(t_blank_gray));
            EXPECT_EQ(rec.count("glTexImage2D") + rec.count("glCompressedTexImage2DARB"), 0);
        }
    }
}

// ---- failed loads -------------------------------------------------------------------------

TEST_F(TmanTest, FailedLoadTakesThePlaceholder)
{
    stage(8, 8);
    t.load_texture(tex_fail_alert, t_blank_gray, tex_col_rgba, tex_load_now, "scratch_array:blank");
    const std::string missing = dir / "missing.png";
    const int r = t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, missing);
    EXPECT_EQ(r, 1131); // a dynamic caller still gets a usable ref
    const auto& e = t.ref_dat[r];
    EXPECT_EQ(e.tex, unsigned(t_blank_gray));
    EXPECT_EQ(e.tex_dx, 8);
    EXPECT_EQ(e.vram, 0);
    EXPECT_EQ(e.load_time, tex_load_now);
    EXPECT_EQ(t.loaded_texes(), 1);
    EXPECT_FALSE(logged(log, "missing"));
    EXPECT_FALSE(t.has_scene_load_fail());

    // The failure is not retried: the file appearing later changes nothing.
    png_file("missing.png", 2, 2);
    EXPECT_EQ(t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, missing), r);
    EXPECT_EQ(t.ref_dat[r].ref_count, 2);
    TEX_reset_bind();
    rec.calls.clear();
    t.bind_ref(r, 0, 0);
    EXPECT_EQ(rec.named({"glBindTexture"}), std::vector<gl_call>{gl_call_of("glBindTexture", GL_TEXTURE_2D, 926)});

    // A manual ref that fails returns 0; fail mode 4 ends the program.
    EXPECT_EQ(t.load_texture(tex_fail_silent, 700, tex_col_rgba, tex_load_now, dir / "no.png"), 0);
    try {
        t.load_texture(tex_fail_alert, 701, tex_col_rgba, tex_load_now, dir / "no.png");
        ADD_FAILURE() << "no alert";
    } catch (const fatal_alert& a) {
        EXPECT_EQ(a.lines.l1, "Trying to load a texture that you do not have!");
        EXPECT_EQ(a.lines.l2, "This looks like an incomplete installation of Skylume!");
        EXPECT_EQ(a.lines.l3, "Get a new download from www.skylume.example. The missing file is:");
        EXPECT_EQ(a.lines.l4, dir / "no.png");
    }
}

TEST_F(TmanTest, FailedLoadBeforeThePlaceholderExists)
{
    const int r = t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, dir / "none.png");
    EXPECT_EQ(t.ref_dat[r].tex, unsigned(t_blank_gray));
    EXPECT_EQ(t.ref_dat[r].tex_dx, 1.0f); // finite texture coordinates for whoever draws it
    EXPECT_NE(t.ref_dat[r].format, 0);    // still counted as in use
    t.release_texture(r);
    t.purge_unused_texes();
    EXPECT_EQ(t.total_texes(), 0);
    EXPECT_EQ(rec.count("glDeleteTextures"), 0); // the placeholder's texture is never deleted
}

TEST_F(TmanTest, FailedReloadOfALoadedRefLeavesTheCountRight)
{
    const std::string a = png_file("a.png", 2, 2);
    t.load_texture(tex_fail_silent, 600, tex_col_rgba, tex_load_now, a);
    EXPECT_EQ(t.loaded_texes(), 1);
    std::remove(a.c_str());
    t.load_texture(tex_fail_silent, 600, tex_col_rgba, tex_load_now, a);
    EXPECT_EQ(t.loaded_texes(), 0);
    png_file("a.png", 2, 2);
    t.load_texture(tex_fail_silent, 600, tex_col_rgba, tex_load_now, a);
    EXPECT_EQ(t.loaded_texes(), 1);
}

// ---- sizes checked before the staging buffer ------------------------------------------------

TEST_F(TmanTest, OversizedFilesFailTheirLoadInsteadOfOverrunning)
{
    // 4096 pixels wide: the reader refuses it before decoding a byte.
    const std::string wide = png_file("wide.png", 4096, 1);
    EXPECT_EQ(t.load_texture(tex_fail_instl, 600, tex_col_rgba, tex_load_now, wide), 0);
    EXPECT_TRUE(t.has_instl_load_fail());

    // A BGRA chain of 1100 x 1100 fits the file, but its texture (2048 x 2048
    // with every level) would be read from beyond the 16 MiB buffer.
    const TEX_image_desc chain{GL_BGRA, 1100, 1100, 0, 1};
    dds_spec big;
    big.flags = 0x21007;
    big.caps1 = 0x401008;
    big.pf_flags = 0x41;
    big.fourcc = "";
    big.width = big.height = 1100;
    big.data = std::string(std::size_t(TEX_bytes_needed_for_image(chain)), '\x40');
    const std::string dds = file("big.dds", make_dds(big));
    EXPECT_EQ(t.load_texture(tex_fail_plane, 601, tex_col_rgba, tex_load_now, dds), 0);
    EXPECT_TRUE(t.has_plane_load_fail());
    EXPECT_TRUE(logged(log, "does not fit the file or the staging buffer"));
    EXPECT_EQ(rec.count("glTexImage2D"), 0);
    EXPECT_TRUE(alerts.alerts().empty());
}

// ---- the upload ------------------------------------------------------------------------------

TEST_F(TmanTest, InstallerPictureAndReuseOfTheStorage)
{
    stage(1010, 764);
    EXPECT_EQ(t.load_texture(tex_fail_alert, 389, 0x502, tex_load_now, "scratch_array:hardwired textures"), 389);
    const auto& e = t.ref_dat[389];
    EXPECT_EQ(e.img_dx, 1010);
    EXPECT_EQ(e.img_dy, 764);
    EXPECT_EQ(e.tex_dx, 1024);
    EXPECT_EQ(e.tex_dy, 1024);
    EXPECT_EQ(e.vram, 1024 * 1024 * 4);
    EXPECT_EQ(rec.named({"glTexImage2D"}),
              std::vector<gl_call>{gl_call_of("glTexImage2D", GL_TEXTURE_2D, 0, GL_RGBA, 1024, 1024, 0, GL_RGBA,
                                              GL_UNSIGNED_BYTE, 0)});
    rec.calls.clear();
    t.load_texture(tex_fail_alert, 389, 0x502, tex_load_now, "scratch_array:hardwired textures");
    EXPECT_EQ(rec.count("glTexImage2D"), 0);
    EXPECT_EQ(rec.named({"glTexSubImage2D"}),
              std::vector<gl_call>{gl_call_of("glTexSubImage2D", GL_TEXTURE_2D, 0, 0, 0, 1024, 1024, GL_RGBA,
                                              GL_UNSIGNED_BYTE, 0)});
    EXPECT_EQ(t.loaded_texes(), 1);
    // A new size needs new storage.
    stage(512, 512);
    t.load_texture(tex_fail_alert, 389, 0x502, tex_load_now, "scratch_array:hardwired textures");
    EXPECT_EQ(rec.count("glTexImage2D"), 1);
}

TEST_F(TmanTest, UploadParameters)
{
    auto params = [&] { return rec.named({"glTexParameteri"}); };
    auto p = [](GLenum name, GLint v) { return gl_call_of("glTexParameteri", GL_TEXTURE_2D, name, v); };
    stage(4, 4);
    t.load_texture(tex_fail_alert, 388, tex_col_rgba | tex_mipmap | tex_clamp_st, tex_load_now, "scratch_array");
    EXPECT_EQ(params(), (std::vector<gl_call>{p(GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE), p(GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE),
                                              p(GL_TEXTURE_MIN_FILTER, GL_NEAREST), p(GL_TEXTURE_MAG_FILTER, GL_NEAREST)}));
    // Software mipmaps: every level down to 1 x 1 from the shrinking pixels.
    EXPECT_EQ(uploads().size(), 3u);
    EXPECT_EQ(uploads().back().width, 1);
    EXPECT_EQ(t.ref_dat[388].vram, int(4 * 4 * 4 * 1.33f));

    rec.calls.clear();
    glExt.tex_clamp_avail = 0;
    stage(4, 4);
    t.load_texture(tex_fail_alert, 500, tex_col_rgb | tex_mipmap | tex_clamp_s, tex_load_now, "scratch_array");
    EXPECT_EQ(params(), (std::vector<gl_call>{p(GL_TEXTURE_WRAP_S, GL_CLAMP), p(GL_TEXTURE_WRAP_T, GL_REPEAT),
                                              p(GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR),
                                              p(GL_TEXTURE_MAG_FILTER, GL_LINEAR)}));

    // Hardware mipmaps: one level, generated by GL.
    rec.calls.clear();
    glExt.automini_avail = 1;
    t.load_texture(tex_fail_alert, 501, tex_col_rgba | tex_mipmap, tex_load_now, "scratch_array");
    EXPECT_EQ(params().front(), p(GL_GENERATE_MIPMAP, GL_TRUE));
    EXPECT_EQ(rec.count("glTexImage2D"), 1);

    // Internal formats.
    rec.calls.clear();
    t.load_texture(tex_fail_alert, 502, tex_col_rgba | tex_exact_8bit, tex_load_now, "scratch_array");
    t.load_texture(tex_fail_alert, 503, tex_col_rgb | tex_half_float | tex_exact_8bit, tex_load_now, "scratch_array");
    t.load_texture(tex_fail_alert, 504, tex_col_depth, tex_load_now, "scratch_array");
    const auto images = rec.named({"glTexImage2D"});
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(images[0].args[2], GL_RGBA8);
    EXPECT_EQ(images[1].args[2], GL_RGB16F_ARB);
    EXPECT_EQ(images[2].args[2], GL_DEPTH_COMPONENT32);
    EXPECT_EQ(params().back(), p(GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL));
}

TEST_F(TmanTest, TexturingIsSwitchedOnAroundTheBindWhenNoUnitHasIt)
{
    int units = 0;
    TEX_set_units_counter(&units);
    stage(2, 2);
    t.load_texture(tex_fail_alert, 500, tex_col_rgba, tex_load_now, "scratch_array");
    TEX_set_units_counter(nullptr);
    const auto c = rec.named({"glEnable", "glDisable", "glBindTexture"});
    EXPECT_EQ(c, (std::vector<gl_call>{gl_call_of("glEnable", GL_TEXTURE_2D), gl_call_of("glBindTexture", GL_TEXTURE_2D, 500),
                                       gl_call_of("glDisable", GL_TEXTURE_2D)}));
    EXPECT_EQ(units, 0);
}

TEST_F(TmanTest, ColourValuesChooseTheLayout)
{
    png_spec rgb;
    rgb.width = 2, rgb.height = 1, rgb.colour_type = 2;
    rgb.rows = {1, 2, 3, 4, 5, 6};
    const std::string with_alpha = png_file("alpha.png", 2, 1), without = file("rgb.png", make_png(rgb));
    const struct {
        const char* what;
        int colour;
        const std::string& file;
        int format;
    } cases[] = {
        {"RGB", tex_col_rgb, with_alpha, GL_RGB},
        {"RGBA", tex_col_rgba, without, GL_RGBA},
        {"alpha", tex_col_alpha, with_alpha, GL_ALPHA},
        {"RGB, unless the file has alpha", tex_col_rgb_alt, with_alpha, GL_RGBA},
        {"RGB alt without alpha", tex_col_rgb_alt, without, GL_RGB},
        {"RGBA, unless the file has none", tex_col_rgba_alt, without, GL_RGB},
        {"RGBA alt with alpha", tex_col_rgba_alt, with_alpha, GL_RGBA},
        {"7 is RGB", 7, with_alpha, GL_RGB},
    };
    int ref = 500;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        t.load_texture(tex_fail_silent, ++ref, c.colour, tex_load_now, c.file);
        EXPECT_EQ(uploads().back().format, c.format);
        EXPECT_EQ(t.ref_dat[ref].format, c.format);
    }
    // tex_from_scratch decodes into scratch_array and uploads from there.
    std::memset(scratch_array, 0xEE, 64);
    t.load_texture(tex_fail_silent, 600, tex_col_rgb | tex_from_scratch, tex_load_now, without);
    EXPECT_EQ(uploads().back().bytes, std::vector<unsigned char>(scratch_array, scratch_array + 6));
    EXPECT_NE(scratch_array[0], 0xEE);
}

TEST_F(TmanTest, TransparentTexelsTakeTheirNeighboursColour)
{
    // Row: opaque (10,20,30), clear, opaque (30,40,50), clear, clear, clear,
    // clear, far clear. The second pixel sees both opaque ones; the last has none.
    const std::uint32_t row[8] = {0x0A141EFFu, 0, 0x1E2832FFu, 0, 0, 0, 0, 0x01020300u};
    file("t.png", exact_png(rgba_png_spec(8, 1, [&](int x, int) { return row[x]; })));
    t.load_texture(tex_fail_silent, 500, tex_col_rgba, tex_load_now, dir / "t.png");
    ASSERT_EQ(uploads().size(), 1u);
    const auto& px = uploads()[0].bytes;
    auto at = [&](int x) { return std::vector<int>{px[x * 4], px[x * 4 + 1], px[x * 4 + 2], px[x * 4 + 3]}; };
    EXPECT_EQ(at(1), (std::vector<int>{20, 30, 40, 0}));
    EXPECT_EQ(at(3), (std::vector<int>{30, 40, 50, 0}));
    EXPECT_EQ(at(5), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(at(7), (std::vector<int>{1, 2, 3, 0}));
    // Prepared pixels are uploaded as they are.
    stage(2, 1, 0);
    t.load_texture(tex_fail_silent, 501, tex_col_rgba, tex_load_now, "scratch_array");
    EXPECT_EQ(uploads().back().bytes, std::vector<unsigned char>(2 * 1 * 4, 0));
}

TEST_F(TmanTest, ShrunkAndNarrowPicturesKeepTheirRows)
{
    // 6 x 2, each pixel's red its column, green its row: at half resolution a
    // 3 x 1 picture in a 4 x 1 texture; without power-of-two rounding at full
    // size a 6 x 2 texture, though the decoder's canvas is 8 pixels wide.
    file("g.png", exact_png(rgba_png_spec(6, 2, [](int x, int y) { return std::uint32_t(x * 20) << 24 | std::uint32_t(y * 100) << 16 | 0xFFu; })));
    mnw.tex_res = 4;
    t.load_texture(tex_fail_silent, 500, tex_col_rgba, tex_load_now, dir / "g.png");
    ASSERT_EQ(uploads().size(), 1u);
    EXPECT_EQ(uploads()[0].width, 4);
    EXPECT_EQ(uploads()[0].height, 1);
    // The padding texel is transparent, so it takes the colour of its two opaque neighbours.
    const std::vector<unsigned char> shrunk = {10, 50, 0, 255, 50, 50, 0, 255, 90, 50, 0, 255, 70, 50, 0, 0};
    EXPECT_EQ(uploads()[0].bytes, shrunk);

    // 3 x 3 at level 0 is taken at a third, which the box filter does as a half.
    file("three.png", exact_png(rgba_png_spec(3, 3, [](int x, int y) { return x < 2 && y >= 1 ? 0x646464FFu : 0xFAFAFAFFu; })));
    mnw.tex_res = 0;
    t.load_texture(tex_fail_silent, 502, tex_col_rgba, tex_load_now, dir / "three.png");
    EXPECT_EQ(uploads().back().bytes, (std::vector<unsigned char>{100, 100, 100, 255}));

    mnw.tex_res = 5;
    t.load_texture(tex_fail_silent, 501, tex_col_rgba | tex_npot_ok, tex_load_now, dir / "g.png");
    const auto& full = uploads().back();
    ASSERT_EQ(full.width, 6);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) {
            // The PNG's top row is the texture's row 1.
            EXPECT_EQ(full.bytes[(y * 6 + x) * 4], x * 20) << x << "," << y;
            EXPECT_EQ(full.bytes[(y * 6 + x) * 4 + 1], (1 - y) * 100) << x << "," << y;
        }
}

TEST_F(TmanTest, DdsChainUploadsEveryLevel)
{
    dds_spec d;
    d.flags = 0x21007;
    d.caps1 = 0x401008;
    d.width = 256;
    d.height = 64;
    d.data = std::string(std::size_t(TEX_bytes_needed_for_image({DXT1, 256, 64, 0, 1})), '\0');
    t.load_texture(tex_fail_silent, 500, tex_col_rgb, tex_load_now, file("c.dds", make_dds(d)));
    const auto levels = rec.named({"glCompressedTexImage2DARB"});
    ASSERT_EQ(levels.size(), 9u); // 256x64 ... 2x1, 1x1
    EXPECT_EQ(levels[0], gl_call_of("glCompressedTexImage2DARB", GL_TEXTURE_2D, 0, DXT1, 256, 64, 0, 256 * 64 / 2, 0));
    EXPECT_EQ(levels[7], gl_call_of("glCompressedTexImage2DARB", GL_TEXTURE_2D, 7, DXT1, 2, 1, 0, 8, 0));
    EXPECT_EQ(levels[8], gl_call_of("glCompressedTexImage2DARB", GL_TEXTURE_2D, 8, DXT1, 1, 1, 0, 8, 0));
    EXPECT_EQ(rec.named({"glTexParameteri"}).at(2), gl_call_of("glTexParameteri", GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR));
    // At half resolution the chain starts one level down.
    rec.calls.clear();
    mnw.tex_res = 4;
    t.load_texture(tex_fail_silent, 501, tex_col_rgb, tex_load_now, dir / "c.dds");
    EXPECT_EQ(rec.named({"glCompressedTexImage2DARB"}).size(), 8u);
    EXPECT_EQ(t.ref_dat[501].tex_dx, 128);
}

TEST_F(TmanTest, UnloadedRefLoadedAgainIsBoundAgain)
{
    stage(2, 2);
    t.load_texture(tex_fail_alert, 500, tex_col_rgba, tex_load_now, "scratch_array");
    t.unload_texture(500);
    EXPECT_EQ(rec.named({"glDeleteTextures"}).size(), 1u);
    EXPECT_EQ(t.total_texes(), 0);
    EXPECT_EQ(t.loaded_texes(), 0);
    rec.calls.clear();
    t.load_texture(tex_fail_alert, 500, tex_col_rgba, tex_load_now, "scratch_array");
    // GL unbound the deleted name: the new storage must not go to texture 0.
    EXPECT_EQ(rec.named({"glBindTexture"}), std::vector<gl_call>{gl_call_of("glBindTexture", GL_TEXTURE_2D, 500)});
}

// ---- binding refs that are not loaded -------------------------------------------------------

TEST_F(TmanTest, MissingRefsBindThePlaceholderAndAlertOnce)
{
    stage(2, 2);
    t.load_texture(tex_fail_alert, 388, tex_col_rgba, tex_load_now, "scratch_array");
    const struct {
        const char* what;
        int ref;
        int alerts_after;
    } steps[] = {
        {"beyond the table", 5000, 1}, {"again: only logged", 5000, 1}, {"negative", -4, 2},
        {"a free entry inside the table", 300, 3}, {"again", 300, 3}, {"a loaded ref", 388, 3},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        TEX_reset_bind();
        rec.calls.clear();
        EXPECT_NO_THROW(t.bind_ref(s.ref, 0, 0));
        EXPECT_EQ(rec.named({"glBindTexture"}).at(0).args[1], s.ref == 388 ? 388 : 926);
        EXPECT_EQ(int(alerts.alerts().size()), s.alerts_after);
    }
    EXPECT_EQ(alerts.alerts()[0].lines.l1, "missing non-scenery texture - how?");
    EXPECT_EQ(alerts.alerts()[0].lines.l3, "ref=  5000");
    EXPECT_EQ(alerts.alerts()[0].type, t_alert);
    EXPECT_TRUE(logged(log, "missing non-scenery texture: ref=5000"));
    // A deferred scenery entry binds the placeholder silently.
    t.ref_dat[300].load_time = tex_load_scenery;
    t.ref_dat[301].load_time = tex_load_scenery;
    t.bind_ref(301, 0, 0);
    EXPECT_EQ(alerts.alerts().size(), 3u);
}

TEST_F(TmanTest, ResetForgetsWhichMissingRefsWereReported)
{
    // A new start (a reset) reports a missing ref again: the user sees every start's fault once.
    t.bind_ref(5000, 0, 0);
    t.bind_ref(5000, 0, 0);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    t.reset();
    TEX_reset_bind();
    t.bind_ref(5000, 0, 0);
    EXPECT_EQ(alerts.alerts().size(), 2u) << "after a reset the missing ref went unreported";
}

TEST_F(TmanTest, ResetIsTheConstructedState)
{
    const std::string picture = png_file("known.png", 2, 2);
    const int first = t.load_texture(tex_fail_alert, 0, tex_col_rgba, tex_load_now, picture);
    ASSERT_EQ(t.ref_of_name(picture), first);
    t.scene_load_fail = t.plane_load_fail = t.instl_load_fail = 1;
    tex_load_vars job;
    t.async_job = &job;
    t.async_result = 3;
    t.async_index = 7;
    t.reset();
    const tman_class fresh;
    EXPECT_EQ(t.ref_of_name(picture), 0) << "the name index outlived the reset";
    EXPECT_EQ(t.ref_dat.size(), fresh.ref_dat.size());
    EXPECT_EQ(t.num_loaded, fresh.num_loaded);
    EXPECT_EQ(t.num_total, fresh.num_total);
    EXPECT_EQ(t.async_index, fresh.async_index);
    EXPECT_FALSE(t.has_scene_load_fail() || t.has_plane_load_fail() || t.has_instl_load_fail());
    EXPECT_EQ(t.async_job, nullptr);
    EXPECT_EQ(t.async_result, 0);
    EXPECT_EQ(t.async_finisher, nullptr);
}

// ---- deferred scenery ---------------------------------------------------------------------------

TEST_F(TmanTest, DeferredSceneryLoadsWithStatusEveryFortyEntries)
{
    const std::string a = png_file("s.png", 2, 2);
    for (int r = 0; r < 100; ++r) t.load_texture(tex_fail_silent, 200 + r, tex_col_rgba, tex_load_unloaded, a);
    for (int r = 0; r < 100; ++r) t.ref_dat[200 + r].load_time = tex_load_scenery;
    EXPECT_EQ(t.num_remaining_async_texes(), 100);
    statuses().clear();
    t.load_all_scenery_texes();
    EXPECT_EQ(statuses(), std::vector<std::string>(3, "Loading scenery texture s.png."));
    EXPECT_EQ(t.num_remaining_async_texes(), 0);
    EXPECT_EQ(t.async_index, int(t.ref_dat.size()));
    EXPECT_NO_THROW(t.force_load_tex(99999));
}

// A deferred entry referenced again by name loads then; when that load fails,
// the call says so with 0, and the entry holds the placeholder.
TEST_F(TmanTest, ADeferredReloadThatFailsReturnsZero)
{
    const std::string a = png_file("d.png", 2, 2);
    const int r = t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, a);
    ASSERT_GT(r, 0);
    t.ref_dat[r].load_time = tex_load_scenery;
    ASSERT_EQ(std::remove(a.c_str()), 0);
    EXPECT_EQ(t.load_texture(tex_fail_silent, 0, tex_col_rgba, tex_load_now, a), 0);
    EXPECT_EQ(t.ref_dat[r].load_time, tex_load_now);
}

TEST_F(TmanTest, AsynchronousJobIsFinishedBeforeAFileLoad)
{
    struct finisher : tman_force_finish_obj {
        tman_class* t = nullptr;
        int calls = 0;
        void force_finish() override
        {
            ++calls;
            t->load_scenery_async_work();
            t->load_scenery_async_finalize();
        }
    } f;
    f.t = &t;
    const std::string a = png_file("s.png", 2, 2), b = png_file("b.png", 2, 2);
    t.load_texture(tex_fail_silent, 200, tex_col_rgba, tex_load_now, a);
    t.ref_dat[200].load_time = tex_load_scenery;
    EXPECT_EQ(t.load_scenery_async_register(&f), 1);
    t.load_texture(tex_fail_silent, 201, tex_col_rgba, tex_load_now, b);
    EXPECT_EQ(f.calls, 1);
    EXPECT_EQ(t.ref_dat[200].load_time, tex_load_now);
    EXPECT_EQ(t.load_scenery_async_register(&f), 0);
    EXPECT_EQ(t.async_job, nullptr);
}

// ---- the built-in pictures ---------------------------------------------------------------------

TEST(BuiltinTextures, FourRefsLoadedAtTheirSizesWithTheAtlasLeftInScratch)
{
    gl_recorder rec;
    alert_recorder alerts;
    HL_fill_tables();
    mnw.tex_res = 0; // prepared pixels ignore the setting
    const OGL_extensions saved = glExt;
    glExt.max_tex_size = 2048;
    tman.reset();
    TEX_reset_bind();
    recall_ins_texes();
    const struct {
        int ref, img_dx, img_dy, tex_dx, tex_dy;
    } want[] = {{388, 512, 512, 512, 512}, {389, 1010, 764, 1024, 1024}, {390, 1024, 768, 1024, 1024},
                {391, 1024, 768, 1024, 1024}};
    for (const auto& w : want) {
        SCOPED_TRACE(w.ref);
        const auto& e = tman.ref_dat.at(w.ref);
        EXPECT_EQ(e.load_time, tex_load_now);
        EXPECT_EQ(e.tex, unsigned(w.ref));
        EXPECT_EQ(e.img_dx, w.img_dx);
        EXPECT_EQ(e.img_dy, w.img_dy);
        EXPECT_EQ(e.tex_dx, w.tex_dx);
        EXPECT_EQ(e.tex_dy, w.tex_dy);
    }
    EXPECT_EQ(scratch_dx, 512);
    EXPECT_EQ(scratch_dy, 512);
    EXPECT_EQ(std::memcmp(scratch_array, t_interface_dat, sizeof t_interface_dat), 0);
    EXPECT_EQ(tman.ref_of_name("scratch_array:hardwired textures"), 389);
    EXPECT_TRUE(alerts.alerts().empty());
    glExt = saved;
}

} // namespace
