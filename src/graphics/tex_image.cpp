// tex_image.cpp - the image descriptor and the pixel operations.
//   checks      sides, formats, the log line
//   sizes       TEX_bytes_needed_for_image
//   turning     TEX_flip_y with its uncompressed and DXT level flips
//   shrinking   TEX_downscale
//   compositing TEX_chroma_key, TEX_composite
#include "graphics/tex_image.h"

#include "graphics/tex_dxt.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <squish.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

// ---- checks --------------------------------------------------------------------

void TEX_log(const std::string& line)
{
    if (xer.is_open()) xer << line << "\n";
}

int TEX_sides_ok(int width, int height, const char* who, const std::string& name)
{
    if (width >= 1 && width <= TEX_max_side && height >= 1 && height <= TEX_max_side) return 1;
    TEX_log(std::string(who) + ": " + name + ": image size " + std::to_string(width) + " x " +
            std::to_string(height) + " outside 1..2048");
    return 0;
}

int TEX_bytes_per_pixel(int format)
{
    switch (format) {
    case GL_ALPHA: return 1;
    case GL_RGB:
    case GL_BGR: return 3;
    case GL_RGBA:
    case GL_BGRA: return 4;
    default: return 0;
    }
}

int TEX_is_dxt(int format)
{
    return format >= GL_COMPRESSED_RGB_S3TC_DXT1_EXT && format <= GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
}

namespace {

int squish_flag(int format)
{
    if (format == GL_COMPRESSED_RGBA_S3TC_DXT3_EXT) return squish::kDxt3;
    if (format == GL_COMPRESSED_RGBA_S3TC_DXT5_EXT) return squish::kDxt5;
    return squish::kDxt1;
}

// Bytes of one level of w x h; the sides are already known to lie in 1..2048.
std::int64_t level_bytes(int format, int w, int h, int pad)
{
    if (TEX_is_dxt(format)) return squish::GetStorageRequirements(w, h, squish_flag(format));
    return (std::int64_t(w) * TEX_bytes_per_pixel(format) + pad) * h;
}

bool last_level(const TEX_image_desc& d, int w, int h) { return !d.has_mips || (w == 1 && h == 1); }

void halve(int& w, int& h)
{
    if (w > 1) w /= 2;
    if (h > 1) h /= 2;
}

} // namespace

// ---- sizes ---------------------------------------------------------------------

int TEX_bytes_needed_for_image(const TEX_image_desc& desc)
{
    if (!TEX_bytes_per_pixel(desc.format) && !TEX_is_dxt(desc.format)) return 0;
    if (!TEX_sides_ok(desc.width, desc.height, "TEX_bytes_needed_for_image", "image")) return 0;
    if (!TEX_is_dxt(desc.format) && desc.pad < 0) {
        TEX_log("TEX_bytes_needed_for_image: negative row pad " + std::to_string(desc.pad));
        return 0;
    }
    std::int64_t total = 0;
    for (int w = desc.width, h = desc.height;; halve(w, h)) {
        total += level_bytes(desc.format, w, h, desc.pad);
        if (last_level(desc, w, h)) break;
    }
    if (total > INT_MAX) {
        TEX_log("TEX_bytes_needed_for_image: " + std::to_string(total) + " bytes do not fit an int");
        return 0;
    }
    return static_cast<int>(total);
}

// ---- turning -------------------------------------------------------------------

namespace {

void flip_plain_level(unsigned char* p, std::int64_t row_bytes, int h)
{
    for (int i = 0; i < h / 2; ++i) {
        unsigned char* a = p + i * row_bytes;
        std::swap_ranges(a, a + row_bytes, p + std::int64_t(h - 1 - i) * row_bytes);
    }
}

int flip_block_row(int format, unsigned char* row, int blocks, int found, int pixel_rows)
{
    if (format == GL_COMPRESSED_RGBA_S3TC_DXT3_EXT) return nv_flip_blocks_dxtc3(row, blocks, 0, pixel_rows);
    if (format == GL_COMPRESSED_RGBA_S3TC_DXT5_EXT) return nv_flip_blocks_dxtc5(row, blocks, 0, pixel_rows);
    return nv_flip_blocks_dxtc1(row, blocks, found, pixel_rows);
}

// Every block of the level passes through its block flip exactly once, so each
// is gamma-corrected once: pairs of block rows are flipped and exchanged, the
// middle row of an odd count flipped in place, and a level under 4 pixels high
// has the rows inside its one block row reversed. Returns the DXT1 finding.
int flip_dxt_level(int format, unsigned char* p, int w, int h)
{
    const int block_bytes = format == GL_COMPRESSED_RGB_S3TC_DXT1_EXT || format == GL_COMPRESSED_RGBA_S3TC_DXT1_EXT ? 8 : 16;
    const int blocks = (w + 3) / 4, block_rows = (h + 3) / 4;
    const std::int64_t row_bytes = std::int64_t(blocks) * block_bytes;
    if (h < 4) return flip_block_row(format, p, blocks, 0, h);
    if (h % 4 != 0)
        TEX_log("TEX_flip_y: compressed level " + std::to_string(w) + " x " + std::to_string(h) +
                " is not a whole number of block rows; its last rows cannot be turned over exactly");
    int found = 0;
    for (int i = 0; i < block_rows / 2; ++i) {
        unsigned char* a = p + i * row_bytes;
        unsigned char* b = p + std::int64_t(block_rows - 1 - i) * row_bytes;
        found = flip_block_row(format, a, blocks, found, 4);
        found = flip_block_row(format, b, blocks, found, 4);
        std::swap_ranges(a, a + row_bytes, b);
    }
    if (block_rows % 2) found = flip_block_row(format, p + (block_rows / 2) * row_bytes, blocks, found, 4);
    return found;
}

} // namespace

int TEX_flip_y(const TEX_image_desc& desc, unsigned char* pixels)
{
    const int bpp = TEX_bytes_per_pixel(desc.format);
    const int dxt = TEX_is_dxt(desc.format);
    if (!bpp && !dxt) MACIBM_alert(0, "Illegal format!", "", "", "", t_exit);
    if (!TEX_sides_ok(desc.width, desc.height, "TEX_flip_y", "image") || !pixels) return 0;
    if (!dxt && desc.pad < 0) return 0;
    int found = 0;
    for (int w = desc.width, h = desc.height;; halve(w, h)) {
        if (dxt) found |= flip_dxt_level(desc.format, pixels, w, h);
        else flip_plain_level(pixels, std::int64_t(w) * bpp + desc.pad, h);
        if (last_level(desc, w, h)) break;
        pixels += level_bytes(desc.format, w, h, desc.pad);
    }
    return found;
}

// ---- shrinking -----------------------------------------------------------------

namespace {

int largest_pow2_within(int n)
{
    int p = 1;
    while (p * 2 <= n) p *= 2;
    return p;
}

int shift_for(int f)
{
    int k = 0;
    while ((1 << k) < f) ++k;
    return k;
}

} // namespace

void TEX_downscale(TEX_image_desc& desc, unsigned char* pixels, int fx, int fy)
{
    const int bpp = TEX_bytes_per_pixel(desc.format);
    if (!bpp) {
        TEX_log("TEX_downscale: format " + std::to_string(desc.format) + " cannot be shrunk");
        return;
    }
    if (!TEX_sides_ok(desc.width, desc.height, "TEX_downscale", "image") || !pixels) return;
    if (fx < 1 || fy < 1 || desc.pad < 0) {
        TEX_log("TEX_downscale: factors " + std::to_string(fx) + ", " + std::to_string(fy) + " refused");
        return;
    }
    if (fx > desc.width) fx = largest_pow2_within(desc.width);
    if (fy > desc.height) fy = largest_pow2_within(desc.height);
    const int shift = shift_for(fx) + shift_for(fy);
    const int nw = desc.width / fx, nh = desc.height / fy;
    const std::int64_t in_stride = std::int64_t(desc.width) * bpp + desc.pad;
    const std::int64_t out_stride = std::int64_t(nw) * bpp + desc.pad;
    // Output pixels never lie after the first source pixel of their block, so
    // writing in source order never overwrites a pixel still to be read.
    for (int y = 0; y < nh; ++y) {
        unsigned char* out = pixels + y * out_stride;
        const unsigned char* in_row = pixels + std::int64_t(y) * fy * in_stride;
        for (int x = 0; x < nw; ++x) {
            std::uint32_t sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < fy; ++j) {
                const unsigned char* s = in_row + j * in_stride + std::int64_t(x) * fx * bpp;
                for (int i = 0; i < fx * bpp; ++i) sum[i % bpp] += s[i];
            }
            for (int c = 0; c < bpp; ++c) out[x * bpp + c] = static_cast<unsigned char>(sum[c] >> shift);
        }
    }
    desc.width = nw;
    desc.height = nh;
}

// ---- compositing ---------------------------------------------------------------

void TEX_chroma_key(const TEX_image_desc& desc, unsigned char* pixels, const unsigned char* key, int threshold)
{
    if (TEX_bytes_per_pixel(desc.format) != 4) {
        TEX_log("TEX_chroma_key: format " + std::to_string(desc.format) + " has no alpha to key");
        return;
    }
    if (!TEX_sides_ok(desc.width, desc.height, "TEX_chroma_key", "image") || !pixels || desc.pad < 0) return;
    const bool bgra = desc.format == GL_BGRA;
    const std::int64_t stride = std::int64_t(desc.width) * 4 + desc.pad;
    for (int y = 0; y < desc.height; ++y) {
        unsigned char* p = pixels + y * stride;
        for (int x = 0; x < desc.width; ++x, p += 4) {
            const int r = bgra ? p[2] : p[0], g = p[1], b = bgra ? p[0] : p[2];
            if (std::abs(r - key[0]) + std::abs(g - key[1]) + std::abs(b - key[2]) < threshold) p[3] = 0;
        }
    }
}

namespace {

bool composable(const TEX_image_desc& d, const char* which)
{
    const int bpp = TEX_bytes_per_pixel(d.format);
    if (bpp != 3 && bpp != 4) {
        TEX_log(std::string("TEX_composite: ") + which + " format " + std::to_string(d.format) + " refused");
        return false;
    }
    return TEX_sides_ok(d.width, d.height, "TEX_composite", which) && d.pad >= 0;
}

struct sample {
    const unsigned char* p; // null: outside the source, weight 0
    double w;
};

// v limited to -1..limit before it becomes an int, so that any float rectangle converts safely.
int clamped_index(double v, int limit) { return static_cast<int>(std::clamp(v, -1.0, double(limit))); }

unsigned char clamp_byte(double v) { return static_cast<unsigned char>(std::clamp(static_cast<int>(v), 0, 255)); }

} // namespace

void TEX_composite(const TEX_image_desc& src_desc, const TEX_image_desc& dst_desc, const unsigned char* src,
                   unsigned char* dst, float x1, float y1, float x2, float y2)
{
    if (!composable(src_desc, "source") || !composable(dst_desc, "destination") || !src || !dst) return;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
        TEX_log("TEX_composite: rectangle is not finite");
        return;
    }
    const int sb = TEX_bytes_per_pixel(src_desc.format), db = TEX_bytes_per_pixel(dst_desc.format);
    const int sw = src_desc.width, sh = src_desc.height;
    const std::int64_t s_stride = std::int64_t(sw) * sb + src_desc.pad;
    const std::int64_t d_stride = std::int64_t(dst_desc.width) * db + dst_desc.pad;
    const int xa = std::max(0, clamped_index(std::floor(double(x1)), dst_desc.width));
    const int xb = std::min(dst_desc.width - 1, clamped_index(std::ceil(double(x2)) - 1, dst_desc.width));
    const int ya = std::max(0, clamped_index(std::floor(double(y1)), dst_desc.height));
    const int yb = std::min(dst_desc.height - 1, clamped_index(std::ceil(double(y2)) - 1, dst_desc.height));
    for (int y = ya; y <= yb; ++y) {
        const double v = y1 == y2 ? sh / 2.0 : (y - double(y1)) * sh / (double(y2) - y1);
        for (int x = xa; x <= xb; ++x) {
            const double u = x1 == x2 ? sw / 2.0 : (x - double(x1)) * sw / (double(x2) - x1);
            const double fi = std::floor(u), fj = std::floor(v);
            if (fi < -1 || fi > sw || fj < -1 || fj > sh) continue; // every sample outside
            const int i = static_cast<int>(fi), j = static_cast<int>(fj);
            const double fu = u - fi, fv = v - fj;
            sample s[4] = {{nullptr, (1 - fu) * (1 - fv)}, {nullptr, fu * (1 - fv)}, {nullptr, (1 - fu) * fv}, {nullptr, fu * fv}};
            double wsum = 0, asum = 0;
            for (int k = 0; k < 4; ++k) {
                const int si = i + (k & 1), sj = j + (k >> 1);
                if (si < 0 || si >= sw || sj < 0 || sj >= sh || s[k].w == 0) {
                    s[k].w = 0;
                    continue;
                }
                s[k].p = src + sj * s_stride + std::int64_t(si) * sb;
                wsum += s[k].w;
                if (sb == 4) asum += s[k].p[3] * s[k].w;
            }
            unsigned char* d = dst + y * d_stride + std::int64_t(x) * db;
            if (sb == 4) {
                if (db == 4) d[3] = clamp_byte(d[3] + asum);
                wsum = 0;
                for (auto& e : s)
                    if (e.p) {
                        e.w *= e.p[3] / 255.0;
                        wsum += e.w;
                    }
            } else if (db == 4) {
                d[3] = clamp_byte(d[3] + 255 * wsum);
            }
            const double rest = 1 - wsum;
            for (int c = 0; c < 3; ++c) {
                double acc = d[c] * rest;
                for (const auto& e : s)
                    if (e.p) acc += e.p[c] * e.w;
                d[c] = clamp_byte(acc);
            }
        }
    }
}
