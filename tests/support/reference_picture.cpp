// reference_picture.cpp - read-back, the kept picture, the comparison and what is left on a difference.
#include "support/reference_picture.h"

#include "foundation/hl_types.h"
#include "graphics/gl_calls.h"
#include "support/image_builder.h"
#include "support/testkit.h"
#include "support/window_kit.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

// The kept picture as 8-bit RGB, whatever the file's own layout; false when
// the file is missing or no PNG.
bool load_reference(const std::string& path, picture& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
    image.format = PNG_FORMAT_RGB;
    out.w = static_cast<int>(image.width);
    out.h = static_cast<int>(image.height);
    out.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

void save(const picture& p, const std::string& path)
{
    png_spec s;
    s.width = p.w;
    s.height = p.h;
    s.colour_type = 2;
    s.rows = p.rgb;
    write_file(path, make_png(s));
}

bool alike(const unsigned char* a, const unsigned char* b)
{
    for (int c = 0; c < 3; ++c)
        if (std::abs(a[c] - b[c]) > reference_channel_tolerance) return false;
    return true;
}

// Differing pixels red, the rest a pale grey copy of what was drawn; the count in `differing`.
picture difference(const picture& actual, const picture& reference, int& differing)
{
    picture d = actual;
    differing = 0;
    for (std::size_t i = 0; i < d.rgb.size(); i += 3) {
        if (!alike(&actual.rgb[i], &reference.rgb[i])) {
            ++differing;
            d.rgb[i] = 255;
            d.rgb[i + 1] = d.rgb[i + 2] = 0;
            continue;
        }
        const int grey = (actual.rgb[i] + actual.rgb[i + 1] + actual.rgb[i + 2]) / 3;
        d.rgb[i] = d.rgb[i + 1] = d.rgb[i + 2] = static_cast<unsigned char>(160 + grey * 95 / 255);
    }
    return d;
}

} // namespace

picture read_back(int x, int y, int w, int h)
{
    picture p;
    p.w = w;
    p.h = h;
    std::vector<unsigned char> up(static_cast<std::size_t>(w) * h * 3);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.ReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, up.data());
    p.rgb.resize(up.size());
    const std::size_t row = static_cast<std::size_t>(w) * 3;
    for (int r = 0; r < h; ++r) // GL's rows come bottom first
        std::copy_n(up.begin() + static_cast<long>(r * row), row, p.rgb.begin() + static_cast<long>((h - 1 - r) * row));
    return p;
}

picture read_back_window(int margin)
{
    return read_back(static_cast<int>(mnw.wind_x) - margin, static_cast<int>(mnw.wind_y) - margin,
                     static_cast<int>(mnw.wind_dx) + 2 * margin, static_cast<int>(mnw.wind_dy) + 2 * margin);
}

std::string compare_with_reference(const picture& actual, const std::string& name, int allowed,
                                   const std::string& saved_as)
{
    const std::string kept = std::string(SKY_FIXTURES_DIR) + "/" + name + ".png";
    const std::string left = test_program_folder() + (saved_as.empty() ? name : saved_as);
    const std::string drawn = left + ".actual.png", diff = left + ".diff.png";
    std::remove(drawn.c_str());
    std::remove(diff.c_str());
    picture reference;
    std::ostringstream why;
    if (!load_reference(kept, reference)) {
        save(actual, drawn);
        why << "no reference picture " << kept << "; the picture drawn is " << drawn
            << " (look at it before keeping it there)";
        return why.str();
    }
    if (reference.w != actual.w || reference.h != actual.h) {
        save(actual, drawn);
        why << "the picture drawn is " << actual.w << " x " << actual.h << ", the reference " << kept << " "
            << reference.w << " x " << reference.h << "; drawn: " << drawn;
        return why.str();
    }
    int differing = 0;
    const picture marked = difference(actual, reference, differing);
    if (differing <= allowed) return "";
    save(actual, drawn);
    save(marked, diff);
    why << differing << " pixels differ from " << kept << " (at most " << allowed << " may); drawn: " << drawn
        << ", differences in red: " << diff;
    return why.str();
}
