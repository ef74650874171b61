// tex_image.h - the description of a picture in memory and the pixel
// operations that work on it in place: byte size with or without the mip
// chain, turning over, shrinking, colour keying and scaled compositing.
//
// Pixel buffers: unsigned 8-bit channels, rows in GL order (the first row in
// memory is the bottom row, unless a producer says otherwise), each row
// followed by `pad` bytes; compressed levels are rows of 4 x 4 blocks.
// Pure functions on caller-owned buffers; any thread. The only global read is
// the colour table's gamma data (graphics/gamma.h) in the DXT block flips.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>
#include <cstdint>
#include <string>

// ---- the descriptor ------------------------------------------------------
struct TEX_image_desc {
    int format;   // GL enumerant: GL_ALPHA, GL_RGB, GL_RGBA, GL_BGR, GL_BGRA, 0x83F0..0x83F3
    int width;    // pixels, base level
    int height;   // pixels, base level
    int pad;      // bytes after the pixels of every row; unused by compressed formats
    int has_mips; // non-zero: the full chain down to 1 x 1 follows the base level
};

// The largest side any caller accepts, in pixels (the 2048 x 2048 staging buffer).
constexpr int TEX_max_side = 2048;

// ---- checks shared by every reader and operation ---------------------------
// 1 when both sides lie in 1..TEX_max_side; else logs "<who>: <name>: image size
// <w> x <h> outside 1..2048" and 0.
int TEX_sides_ok(int width, int height, const char* who, const std::string& name);

// Bytes per pixel of an uncompressed format (1, 3 or 4); 0 for any other.
int TEX_bytes_per_pixel(int format);

// 1 for the four S3TC formats 0x83F0..0x83F3.
int TEX_is_dxt(int format);

void TEX_log(const std::string& line); // one line to the log xer when it is open

// ---- sizes -----------------------------------------------------------------
// Byte size of the image, all mip levels included when has_mips is set, summed
// in 64 bits. 0 for a format not in the table, sides outside 1..2048 or a
// negative pad (logged), and a total above INT_MAX (logged).
int TEX_bytes_needed_for_image(const TEX_image_desc& desc);

// ---- in-place operations -----------------------------------------------------
// Turns every level upside down in place; compressed blocks have their own rows
// reversed (a level 1..3 pixels high only inside its one block row) and their
// colour endpoints gamma-corrected when the colour table asks for it. A
// compressed level above 4 pixels high that is not a whole number of block rows
// cannot be turned exactly: its block rows are, and a log line says so. Returns
// non-zero when a DXT1 image proved to use its transparent colour, else 0.
// Sides outside 1..2048: nothing done, 0. A format not in the table is a fatal
// alert "Illegal format!".
int TEX_flip_y(const TEX_image_desc& desc, unsigned char* pixels);

// Shrinks the base level in place by fx across and fy down (powers of two; a
// factor larger than its side is cut to the largest power of two within it, so
// no side becomes 0), each channel the truncated mean of its fx x fy source
// pixels; rows keep the descriptor's pad. Updates width and height. Compressed
// formats, unknown formats, sides outside 1..2048 or factors below 1: logged,
// nothing changed.
void TEX_downscale(TEX_image_desc& desc, unsigned char* pixels, int fx, int fy);

// Gives alpha 0 to every pixel whose |dR| + |dG| + |dB| from key (3 bytes R G B)
// is below threshold. 4-byte formats only (RGBA, BGRA); others are logged and
// left alone. No caller in this program.
void TEX_chroma_key(const TEX_image_desc& desc, unsigned char* pixels, const unsigned char* key, int threshold);

// Draws src scaled (bilinear) into the rectangle (x1, y1)-(x2, y2) of dst, with
// src's alpha when it has one. RGB/BGR (3 bytes) and RGBA/BGRA (4) only; other
// formats, bad sides or a rectangle that is not finite: logged, nothing drawn.
// No caller in this program.
void TEX_composite(const TEX_image_desc& src_desc, const TEX_image_desc& dst_desc, const unsigned char* src,
                   unsigned char* dst, float x1, float y1, float x2, float y2);
