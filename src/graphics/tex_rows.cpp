// tex_rows.cpp - the destination layout of decoded pictures.
#include "graphics/tex_rows.h"

#include "graphics/tex_image.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

int TEX_next_pow2(int n)
{
    int p = 1;
    while (p < n && p <= INT_MAX / 2) p *= 2;
    return p;
}

int TEX_plan_rows(const char* who, const std::string& name, int width, int height, int bpp, int row_pixels,
                  int make_pow2, const unsigned char* pixels, std::size_t capacity, tex_rows& out)
{
    if (!TEX_sides_ok(width, height, who, name)) return 0;
    const std::string where = std::string(who) + ": " + name + ": ";
    std::int64_t row_len = width;
    out.rows = height;
    if (make_pow2) {
        row_len = TEX_next_pow2(width);
        out.rows = TEX_next_pow2(height);
    } else if (row_pixels != 0) {
        if (row_pixels < width) {
            TEX_log(where + "rows of " + std::to_string(row_pixels) + " pixels cannot hold a picture " +
                    std::to_string(width) + " wide");
            return 0;
        }
        row_len = row_pixels;
    }
    const std::int64_t pad = std::int64_t(bpp) * (row_len - width);
    const std::int64_t stride = std::int64_t(bpp) * row_len;
    if (pad > INT_MAX) {
        TEX_log(where + "row pad of " + std::to_string(pad) + " bytes is too large");
        return 0;
    }
    out.bpp = bpp;
    out.pad = static_cast<int>(pad);
    out.stride = static_cast<std::size_t>(stride);
    out.bytes = static_cast<std::size_t>(stride * out.rows);
    out.clear = make_pow2 && (pad > 0 || out.rows > height);
    if (pixels && out.bytes > capacity) {
        TEX_log(where + "needs " + std::to_string(out.bytes) + " bytes, the buffer holds " + std::to_string(capacity));
        return 0;
    }
    return 1;
}

int TEX_prepare_rows(const char* who, const std::string& name, const tex_rows& plan, unsigned char*& pixels,
                     unsigned char*& allocated)
{
    allocated = nullptr;
    if (!pixels) {
        allocated = static_cast<unsigned char*>(std::malloc(plan.bytes));
        if (!allocated) {
            TEX_log(std::string(who) + ": " + name + ": cannot allocate " + std::to_string(plan.bytes) + " bytes");
            return 0;
        }
        pixels = allocated;
    }
    if (plan.clear) std::memset(pixels, 0, plan.bytes);
    return 1;
}
