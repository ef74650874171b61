// Writes the image fuzz targets' seeds into <folder>/png, <folder>/bmp and
// <folder>/dds: the kinds of file the image tests make - every PNG colour type
// and depth, interlacing, transparency and gamma chunks; BMP files with padded
// rows, a larger header and a cut; DDS files from the writer and crafted ones.
#include "graphics/tex_dds.h"
#include "support/image_builder.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

bool put(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

png_spec png(int w, int h, int type, int depth, double gamma = 0.45455)
{
    png_spec s;
    s.width = w;
    s.height = h;
    s.colour_type = type;
    s.bit_depth = depth;
    const int channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
    const std::size_t row = (std::size_t(w) * channels * depth + 7) / 8;
    for (std::size_t i = 0; i < row * h; ++i) s.rows.push_back(static_cast<unsigned char>(i * 37 + 11));
    s.gamma = gamma;
    return s;
}

bool write_pngs(const std::string& dir)
{
    png_spec pal = png(4, 2, 3, 4);
    pal.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    for (auto& v : pal.rows) v &= 0x33; // indices 0..3
    pal.trns = {0, 128};
    png_spec interlaced = png(9, 7, 6, 8);
    interlaced.interlace = true;
    png_spec keyed = png(3, 3, 2, 8);
    keyed.trns = {11, 48, 85};
    bool ok = put(dir + "rgb.png", make_png(png(8, 8, 2, 8)));
    ok = put(dir + "rgba_interlaced.png", make_png(interlaced)) && ok;
    ok = put(dir + "palette_trns.png", make_png(pal)) && ok;
    ok = put(dir + "grey1.png", make_png(png(13, 3, 0, 1))) && ok;
    ok = put(dir + "grey2.png", make_png(png(5, 2, 0, 2))) && ok;
    ok = put(dir + "grey_alpha16.png", make_png(png(3, 2, 4, 16))) && ok;
    ok = put(dir + "rgb16_no_gama.png", make_png(png(2, 2, 2, 16, 0))) && ok;
    ok = put(dir + "rgb_trns.png", make_png(keyed)) && ok;
    ok = put(dir + "wide.png", make_png(png(100, 3, 6, 8))) && ok;
    return ok;
}

bool write_bmps(const std::string& dir)
{
    bmp_spec three;
    three.width = 3;
    three.height = 2;
    three.bgr_rows = std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12", 18);
    bmp_spec big_header = three;
    big_header.data_offset = 138;
    bmp_spec magenta;
    magenta.bgr_rows = std::string("\xff\x00\xff", 3);
    bmp_spec cut = three;
    cut.cut_to = 60;
    bmp_spec depth32 = three;
    depth32.bits = 32;
    bool ok = put(dir + "three.bmp", make_bmp(three));
    ok = put(dir + "big_header.bmp", make_bmp(big_header)) && ok;
    ok = put(dir + "magenta.bmp", make_bmp(magenta)) && ok;
    ok = put(dir + "cut.bmp", make_bmp(cut)) && ok;
    ok = put(dir + "depth32.bmp", make_bmp(depth32)) && ok;
    return ok;
}

bool write_ddss(const std::string& dir)
{
    std::string rgb(8 * 8 * 3, '\0'), rgba(16 * 4 * 4, '\0');
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<char>(i * 7);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<char>(i * 13);
    const auto* p = reinterpret_cast<const unsigned char*>(rgb.data());
    const auto* q = reinterpret_cast<const unsigned char*>(rgba.data());
    bool ok = TEX_save_dds(dir + "dxt1_chain.dds", p, {GL_RGB, 8, 8, 0, 0}) == 1;
    ok = TEX_save_dds(dir + "dxt5_chain.dds", q, {GL_RGBA, 16, 4, 0, 0}) == 1 && ok;
    dds_spec bgra;
    bgra.pf_flags = 0x41;
    bgra.width = bgra.height = 2;
    bgra.flags = 0x21007;
    bgra.caps1 = 0x401008;
    bgra.data = std::string(16 + 4 + 4, '\x40');
    dds_spec bgr = bgra;
    bgr.pf_flags = 0x40;
    bgr.data = std::string(12 + 3 + 3, '\x50');
    dds_spec dxt3;
    dxt3.fourcc = "DXT3";
    dxt3.width = 8;
    dxt3.height = 12;
    dxt3.data = std::string(6 * 16, '\x61');
    ok = put(dir + "bgra_chain.dds", make_dds(bgra)) && ok;
    ok = put(dir + "bgr_chain.dds", make_dds(bgr)) && ok;
    ok = put(dir + "dxt3_odd_rows.dds", make_dds(dxt3)) && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_image_seeds <folder>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    for (const char* sub : {"png", "bmp", "dds"}) mkdir((dir + sub).c_str(), 0755);
    bool ok = write_pngs(dir + "png/");
    ok = write_bmps(dir + "bmp/") && ok;
    ok = write_ddss(dir + "dds/") && ok;
    return ok ? 0 : 1;
}
