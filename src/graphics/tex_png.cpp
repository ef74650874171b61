// tex_png.cpp - PNG reading and writing over libpng 1.6.
//   callbacks  read from the mapping, error, warning, memory
//   reading    header phase, row phase, TEX_load_png
//   writing    TEX_save_png, write_png_to_disk
//
// libpng reports errors by longjmp. Every frame that calls setjmp holds only
// plain data (the job records below), so no C++ object with a destructor is
// ever skipped; strings, alerts and buffers that need freeing live in the
// callers of those frames.
#include "graphics/tex_png.h"

#include "graphics/gamma.h"
#include "graphics/tex_out_file.h"
#include "graphics/tex_rows.h"

#include "files/xmap.h"
#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// ---- callbacks -----------------------------------------------------------------

void my_readbuf(png_structp png, png_bytep data, size_t length)
{
    xmap_class* file = static_cast<xmap_class*>(png_get_io_ptr(png));
    // Reaching the end exactly is allowed.
    if (length > static_cast<size_t>(file->end - file->cursor)) png_error(png, "PNG Read Error, overran end of buffer!");
    std::memcpy(data, file->cursor, length);
    file->cursor += length;
}

// Shows the notice, then unwinds to the setjmp of the operation in progress
// itself (libpng's fallback would do the same after printing to stderr). The
// alert's strings are gone before the jump.
void my_error(png_structp png, png_const_charp message)
{
    MACIBM_alert(0, "PNG error!", message ? message : "", "", "", t_alert);
    png_longjmp(png, 1);
}

void my_warning(png_structp, png_const_charp message)
{
    if (xer.is_open()) xer << "PNG warning! " << (message ? message : "") << ", " << "\n";
}

png_voidp my_malloc(png_structp, png_alloc_size_t size) { return std::malloc(size); }
void my_free(png_structp, png_voidp p) { std::free(p); }

// ---- reading -------------------------------------------------------------------

// Lives in the caller of the setjmp frames, which only reach it by reference;
// its destructor releases libpng's structures on every way out.
struct png_read_job {
    png_read_job() = default;
    png_read_job(const png_read_job&) = delete;
    png_read_job& operator=(const png_read_job&) = delete;
    ~png_read_job()
    {
        if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
    png_structp png = nullptr;
    png_infop info = nullptr;
    xmap_class* file = nullptr;
    unsigned int desired = 0;
    int follow_alpha = 0;
    // from the header phase
    png_uint_32 width = 0, height = 0;
    int format = 0;          // layout delivered
    size_t row_bytes = 0;    // libpng's row size after the transformations
    // for the row phase
    unsigned char* pixels = nullptr;
    size_t stride = 0;
};

// Chooses the transformations that deliver the wanted layout (one row of the
// layout table each) and returns the format delivered.
int choose_layout(png_structp png, png_infop info, unsigned int desired, int follow_alpha, int colour_type)
{
    const bool has_alpha = (colour_type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    const bool grey = !(colour_type & PNG_COLOR_MASK_COLOR);
    if (desired == GL_ALPHA) {
        if (has_alpha) png_set_strip_alpha(png);
        if (!grey) png_set_rgb_to_gray(png, PNG_ERROR_ACTION_NONE, -1.0, -1.0);
        return GL_ALPHA;
    }
    if (grey) png_set_gray_to_rgb(png);
    if (desired == GL_RGB) {
        if (has_alpha && !follow_alpha) png_set_strip_alpha(png);
        return has_alpha && follow_alpha ? GL_RGBA : GL_RGB;
    }
    if (!has_alpha && !follow_alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    return !has_alpha && follow_alpha ? GL_RGB : GL_RGBA;
}

// Reads the header and sets up the transformations. 0 when libpng failed.
int png_read_header(png_read_job& job)
{
    png_structp png = job.png;
    png_infop info = job.info;
    if (setjmp(png_jmpbuf(png))) return 0;
    png_set_read_fn(png, job.file, my_readbuf);
    png_set_sig_bytes(png, 8);
    job.file->cursor += 8; // the caller has seen the 8 signature bytes
    png_read_info(png, info);
    int bit_depth = 0, colour_type = 0;
    png_get_IHDR(png, info, &job.width, &job.height, &bit_depth, &colour_type, nullptr, nullptr, nullptr);

    // Without a gAMA chunk a picture is taken as made for the design gamma.
    double file_gamma = 0;
    if (!png_get_gAMA(png, info, &file_gamma)) file_gamma = 1.0 / colr_gamma.design_gamma;
    png_set_gamma(png, colr_gamma.display_gamma, file_gamma);

    if (colour_type == PNG_COLOR_TYPE_PALETTE && bit_depth <= 8) png_set_expand(png);
    if (colour_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_expand(png);
    if (bit_depth == 16) png_set_strip_16(png);
    if (bit_depth < 8) png_set_packing(png);
    png_set_interlace_handling(png);
    job.format = choose_layout(png, info, job.desired, job.follow_alpha, colour_type);
    png_read_update_info(png, info);
    job.row_bytes = png_get_rowbytes(png, info);
    return 1;
}

// Decodes the picture into job.pixels, the file's top row at the highest row.
// 0 when libpng failed or the row pointers could not be allocated.
int png_read_rows(png_read_job& job)
{
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(job.png))) {
        std::free(rows);
        return 0;
    }
    rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * job.height));
    if (!rows) png_error(job.png, "out of memory for row pointers");
    for (png_uint_32 i = 0; i < job.height; ++i) rows[i] = job.pixels + (job.height - 1 - i) * job.stride;
    png_read_image(job.png, rows);
    std::free(rows);
    return 1;
}

[[noreturn]] void png_fatal(const std::string& what, const std::string& name)
{
    MACIBM_alert(0, "PING-FILE ERROR!", what, name, "", t_exit);
    std::abort(); // a t_exit alert does not return
}

int bytes_for_layout(int format) { return format == GL_ALPHA ? 1 : format == GL_RGB ? 3 : 4; }

} // namespace

int TEX_load_png(const std::string& name, xmap_class* file, unsigned char*& pixels, std::size_t capacity,
                 unsigned int desired_format, int row_pixels, int make_pow2, int follow_alpha, TEX_image_desc& desc)
{
    if (!file || !file->begin || !file->cursor || file->end - file->cursor < 8) return 0;
    if (png_sig_cmp(reinterpret_cast<png_const_bytep>(file->cursor), 0, 8) != 0)
        png_fatal("is_png=!png_sig_cmp(png_io_buf,0,8)", name);
    if (desired_format != GL_RGB && desired_format != GL_RGBA && desired_format != GL_ALPHA)
        MACIBM_alert(0, "Illegal bits per pixel", "", "", "", t_exit);

    png_read_job job;
    job.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, my_error, my_warning, nullptr, my_malloc, my_free);
    if (!job.png) png_fatal("!png_ptr", name);
    job.info = png_create_info_struct(job.png);
    if (!job.info) png_fatal("!info_ptr", name);
    job.file = file;
    job.desired = desired_format;
    job.follow_alpha = follow_alpha;
    if (!png_read_header(job)) png_fatal("setjmp(png_ptr->jmpbuf", name);

    desc.format = static_cast<int>(desired_format);
    desc.width = static_cast<int>(job.width); // libpng keeps both sides within 2^31 - 1
    desc.height = static_cast<int>(job.height);
    desc.has_mips = 0;
    tex_rows plan;
    const int bpp = bytes_for_layout(job.format);
    if (!TEX_plan_rows("TEX_load_png", name, desc.width, desc.height, bpp, row_pixels, make_pow2, pixels, capacity, plan))
        return 0;
    if (job.row_bytes != std::size_t(desc.width) * bpp) {
        TEX_log("TEX_load_png: " + name + ": libpng delivers rows of " + std::to_string(job.row_bytes) + " bytes, not " +
                std::to_string(std::size_t(desc.width) * bpp));
        return 0;
    }
    unsigned char* allocated = nullptr;
    if (!TEX_prepare_rows("TEX_load_png", name, plan, pixels, allocated)) return 0;
    job.pixels = pixels;
    job.stride = plan.stride;
    if (!png_read_rows(job)) {
        if (allocated) {
            std::free(allocated);
            pixels = nullptr;
        }
        png_fatal("setjmp(png_ptr->jmpbuf", name);
    }
    desc.format = job.format;
    desc.pad = plan.pad;
    return 1;
}

// ---- writing -------------------------------------------------------------------

namespace {

struct png_write_job {
    std::FILE* file = nullptr;
    png_uint_32 width = 0, height = 0;
    int colour_type = 0;
    png_bytep* rows = nullptr; // top row first
    png_structp png = nullptr;
    png_infop info = nullptr;
};

// Writes the whole file through libpng. 1 written, 0 when libpng failed.
int png_write_all(png_write_job& job)
{
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, my_error, my_warning);
    if (!job.png) return 0;
    job.info = png_create_info_struct(job.png);
    if (!job.info) {
        png_destroy_write_struct(&job.png, nullptr);
        return 0;
    }
    if (setjmp(png_jmpbuf(job.png))) {
        png_destroy_write_struct(&job.png, &job.info);
        return 0;
    }
    png_init_io(job.png, job.file);
    png_set_filter(job.png, 0, PNG_FILTER_NONE);
    png_set_compression_level(job.png, 9);
    png_set_compression_mem_level(job.png, 8);
    png_set_compression_strategy(job.png, 0);
    png_set_compression_window_bits(job.png, 15);
    png_set_compression_method(job.png, 8);
    png_set_compression_buffer_size(job.png, 8192);
    png_set_gAMA(job.png, job.info, 1.0 / 2.2);
    png_set_IHDR(job.png, job.info, job.width, job.height, 8, job.colour_type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(job.png, job.info);
    png_write_image(job.png, job.rows);
    png_write_end(job.png, job.info);
    png_destroy_write_struct(&job.png, &job.info);
    return 1;
}

} // namespace

int TEX_save_png(const std::string& name, const TEX_image_desc& desc, const unsigned char* pixels)
{
    int colour_type = 0;
    switch (desc.format) {
    case GL_RGB: colour_type = PNG_COLOR_TYPE_RGB; break;
    case GL_RGBA: colour_type = PNG_COLOR_TYPE_RGB_ALPHA; break;
    case GL_ALPHA: colour_type = PNG_COLOR_TYPE_GRAY; break;
    default: MACIBM_alert(0, "Illegal pixel format for png-write.", name, "", "", t_exit);
    }
    if (!TEX_sides_ok(desc.width, desc.height, "TEX_save_png", name) || !pixels || desc.pad < 0) return 0;
    tex_out_file out;
    if (!out.open(app_path + name)) return 0;
    const std::size_t stride = std::size_t(desc.width) * TEX_bytes_per_pixel(desc.format) + std::size_t(desc.pad);
    std::vector<png_bytep> rows(desc.height);
    for (int i = 0; i < desc.height; ++i)
        rows[i] = const_cast<png_bytep>(pixels + std::size_t(desc.height - 1 - i) * stride);
    png_write_job job;
    job.file = out.file();
    job.width = static_cast<png_uint_32>(desc.width);
    job.height = static_cast<png_uint_32>(desc.height);
    job.colour_type = colour_type;
    job.rows = rows.data();
    if (!png_write_all(job)) return 0; // out removes the temporary file
    return out.commit();
}

void write_png_to_disk(std::string name, int width, int height, int bytes_per_pixel)
{
    if (!scratch_array) return;
    const TEX_image_desc desc = {bytes_per_pixel == 4 ? GL_RGBA : GL_RGB, width, height, 0, 0};
    TEX_save_png(name, desc, scratch_array);
}
