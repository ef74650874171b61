// tex_any.cpp - choosing the reader by the file's first bytes.
#include "graphics/tex_any.h"

#include "graphics/tex_bmp.h"
#include "graphics/tex_png.h"

#include "files/xmap.h"

#include <png.h>

int TEX_load_any(const std::string& name, unsigned char*& pixels, std::size_t capacity, unsigned int desired_format,
                 int row_pixels, int follow_alpha, TEX_image_desc& desc)
{
    xmap_class file(name);
    if (!file.begin || file.end - file.begin < 8) return 0;
    if (file.begin[0] == 'B' && file.begin[1] == 'M')
        return TEX_load_bmp(name, &file, pixels, capacity, desired_format, row_pixels, 0, desc);
    if (png_sig_cmp(reinterpret_cast<png_const_bytep>(file.begin), 0, 8) == 0)
        return TEX_load_png(name, &file, pixels, capacity, desired_format, row_pixels, 0, follow_alpha, desc);
    return 0;
}

std::string TEX_name_with_ext(const std::string& name, const char* ext)
{
    std::string s = name;
    if (s.size() > 4 && s[s.size() - 4] == '.') s.resize(s.size() - 4);
    return s + ext;
}

int TEX_load_any_ext(const std::string& name, unsigned char*& pixels, std::size_t capacity,
                     unsigned int desired_format, int row_pixels, int follow_alpha, TEX_image_desc& desc)
{
    if (TEX_load_any(TEX_name_with_ext(name, ".png"), pixels, capacity, desired_format, row_pixels, follow_alpha, desc))
        return 1;
    return TEX_load_any(TEX_name_with_ext(name, ".bmp"), pixels, capacity, desired_format, row_pixels, follow_alpha,
                        desc) ? 1 : 0;
}
