// Image decoding beside its peers, in the same run, best of several rounds:
//   PNG  TEX_load_png of a 2048 x 2048 RGBA picture beside a plain libpng read
//        of the same bytes with the same transformations (gamma, expansion)
//        into the same buffer, bottom-up rows;
//   BMP  TEX_load_bmp of a 2048 x 2048 24-bit file into RGBA, beside memcpy of
//        the file's pixel bytes;
//   DXT  TEX_flip_y of a 2048 x 2048 DXT5 picture with its full mip chain,
//        beside memcpy of the same bytes.
// Prints MB/s and the ratios.
#include "files/xmap.h"
#include "graphics/gamma.h"
#include "graphics/tex_bmp.h"
#include "graphics/tex_png.h"
#include "support/image_builder.h"
#include "support/testkit.h"

#include <png.h>
#include <squish.h>

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int side = 2048, rounds = 9;

double best_seconds(const std::function<void()>& run)
{
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

double best_seconds_once(const std::function<void()>& run)
{
    const auto t0 = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double mb_per_s(std::size_t bytes, double s) { return bytes / s / 1e6; }

// A picture with smooth areas and noise, like the product's textures.
png_spec texture_like_picture()
{
    std::mt19937 rng(1);
    return rgba_png_spec(side, side, [&rng](int x, int y) {
        const std::uint32_t r = (x / 8) & 0xFF, g = (y / 8) & 0xFF, b = ((x + y) / 16 + (rng() & 7)) & 0xFF;
        const std::uint32_t a = (x / 64 + y / 64) & 1 ? 255 : 128 + (rng() & 63);
        return (r << 24) | (g << 16) | (b << 8) | a;
    });
}

// ---- the plain libpng read -----------------------------------------------------

struct plain_read {
    const unsigned char* at;
    const unsigned char* end;
};

void plain_read_fn(png_structp png, png_bytep out, size_t n)
{
    auto* r = static_cast<plain_read*>(png_get_io_ptr(png));
    if (n > size_t(r->end - r->at)) png_error(png, "short");
    std::memcpy(out, r->at, n);
    r->at += n;
}

struct plain_job {
    plain_read in;
    unsigned char* pixels;
    png_bytep* rows;
};

bool plain_libpng_read(plain_job& job)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &job.in, plain_read_fn);
    png_read_info(png, info);
    double file_gamma = 0;
    if (!png_get_gAMA(png, info, &file_gamma)) file_gamma = 1.0 / 1.8;
    png_set_gamma(png, 2.2, file_gamma);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    const size_t stride = png_get_rowbytes(png, info);
    for (png_uint_32 i = 0; i < h; ++i) job.rows[i] = job.pixels + (h - 1 - i) * stride;
    png_read_image(png, job.rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// In a folder of this run's own (mkdtemp), removed at exit: a fixed name in
// /tmp is shared with every other user, who could put a link there first.
std::string scratch_path(const char* name)
{
    static temp_dir dir;
    return dir / name;
}

void write_bytes(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// ---- the three measurements ------------------------------------------------------

void bench_png(std::vector<unsigned char>& buffer)
{
    const std::string file = make_png(texture_like_picture());
    const std::string path = scratch_path("2048.png");
    write_bytes(path, file);
    xmap_class map(path);
    const std::size_t out_bytes = std::size_t(side) * side * 4;
    std::vector<png_bytep> rows(side);
    const auto ours_once = [&] {
        map.cursor = map.begin;
        unsigned char* px = buffer.data();
        TEX_image_desc d{};
        if (!TEX_load_png("bench.png", &map, px, buffer.size(), GL_RGBA, 0, 1, 0, d)) std::puts("PNG decode failed");
    };
    const auto plain_once = [&] {
        plain_job job{{reinterpret_cast<const unsigned char*>(map.begin), reinterpret_cast<const unsigned char*>(map.end)},
                      buffer.data(), rows.data()};
        if (!plain_libpng_read(job)) std::puts("plain libpng read failed");
    };
    // Rounds alternate between the two, so that a busy machine slows both alike.
    double ours = 1e30, plain = 1e30;
    for (int i = 0; i < rounds; ++i) {
        ours = std::min(ours, best_seconds_once(ours_once));
        plain = std::min(plain, best_seconds_once(plain_once));
    }
    std::printf("PNG 2048x2048 RGBA (%zu-byte file): TEX_load_png %.1f MB/s, plain libpng %.1f MB/s, ratio %.3f\n",
                file.size(), mb_per_s(out_bytes, ours), mb_per_s(out_bytes, plain), plain / ours);
    std::remove(path.c_str());
}

void bench_bmp(std::vector<unsigned char>& buffer)
{
    bmp_spec s;
    s.width = s.height = side;
    std::mt19937 rng(2);
    s.bgr_rows.resize(std::size_t(side) * side * 3);
    for (auto& c : s.bgr_rows) c = static_cast<char>(rng());
    const std::string path = scratch_path("2048.bmp");
    write_bytes(path, make_bmp(s));
    xmap_class map(path);
    const std::size_t in_bytes = s.bgr_rows.size();
    const double ours = best_seconds([&] {
        map.cursor = map.begin;
        unsigned char* px = buffer.data();
        TEX_image_desc d{};
        if (!TEX_load_bmp("bench.bmp", &map, px, buffer.size(), GL_RGBA, 0, 1, d)) std::puts("BMP decode failed");
    });
    const double copy = best_seconds([&] { std::memcpy(buffer.data(), map.begin + 54, in_bytes); });
    std::printf("BMP 2048x2048 to RGBA: TEX_load_bmp %.1f MB/s, memcpy %.1f MB/s (of the file's %zu pixel bytes), ratio %.3f\n",
                mb_per_s(in_bytes, ours), mb_per_s(in_bytes, copy), in_bytes, copy / ours);
    std::remove(path.c_str());
}

void bench_dxt5(std::vector<unsigned char>& buffer)
{
    const TEX_image_desc d{GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, side, side, 0, 1};
    const std::size_t bytes = static_cast<std::size_t>(TEX_bytes_needed_for_image(d));
    std::vector<unsigned char> chain(bytes);
    std::mt19937 rng(3);
    for (auto& v : chain) v = static_cast<unsigned char>(rng()); // every block pattern, in both modes
    const double flip = best_seconds([&] { TEX_flip_y(d, chain.data()); });
    const double copy = best_seconds([&] { std::memcpy(buffer.data(), chain.data(), bytes); });
    std::printf("DXT5 2048x2048 full chain (%zu bytes) turned over with gamma: TEX_flip_y %.1f MB/s, memcpy %.1f MB/s, ratio %.3f\n",
                bytes, mb_per_s(bytes, flip), mb_per_s(bytes, copy), copy / flip);
}

} // namespace

int main()
{
    colr_gamma.reset(); // display 2.2: gamma correction on, as on a user's machine
    std::vector<unsigned char> buffer(std::size_t(side) * side * 4);
    bench_png(buffer);
    bench_bmp(buffer);
    bench_dxt5(buffer);
    std::puts("ratio: the peer's time over ours (1.0 = as fast as the peer; the PNG decode should be at least 0.9)");
    return 0;
}
