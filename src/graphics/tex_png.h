// tex_png.h - PNG files: reading a mapped PNG file into a pixel buffer in one
// of three layouts (GL_RGB, GL_RGBA, GL_ALPHA; 8 bits a channel, rows
// bottom-up), with the display gamma applied, and writing such a buffer out.
// libpng does the coding; this file chooses its transformations and keeps
// every row inside the buffer it was given.
//
// Any thread: each decode reads its own mapping through libpng's I/O pointer.
// The fatal alerts below end the program (t_exit); libpng's own reports come
// first as a "PNG error!" notice (t_alert) or a "PNG warning! " log line.
#pragma once

#include "graphics/tex_image.h"

#include <cstddef>
#include <string>

class xmap_class;

// Reads the PNG file mapped in `file` (cursor at its first byte; moved) into
// pixels. pixels null: allocated with malloc (stride x rows bytes; the caller
// frees it); else the caller's buffer of `capacity` bytes. desired_format
// GL_RGB, GL_RGBA or GL_ALPHA; follow_alpha non-zero lets the file choose
// between GL_RGB and GL_RGBA (desc.format tells which). row_pixels 0 or the
// buffer's longer row length; make_pow2 a canvas of the next powers of two
// (cleared), taking precedence. desc gets format, size, pad; has_mips 0.
// 1: the picture is in the buffer. 0: no mapping or fewer than 8 bytes (no
// message); or, logged, a side outside 1..2048, row_pixels below the width, a
// buffer too small, no memory - nothing written then. Fatal: a bad signature
// or desired_format ("Illegal bits per pixel"), a damaged file.
int TEX_load_png(const std::string& name, xmap_class* file, unsigned char*& pixels, std::size_t capacity,
                 unsigned int desired_format, int row_pixels, int make_pow2, int follow_alpha, TEX_image_desc& desc);

// Writes the picture (GL_RGB, GL_RGBA or GL_ALPHA; bottom-up rows with desc.pad)
// to app_path + name as an 8-bit PNG with gAMA 1/2.2, top row first, through a
// temporary file renamed into place. 1 written; 0 when the file cannot be
// created, a side lies outside 1..2048, or libpng or the disc fails (no partial
// file is left). Another format is fatal ("Illegal pixel format for png-write.").
int TEX_save_png(const std::string& name, const TEX_image_desc& desc, const unsigned char* pixels);

// Saves the first height rows of width pixels of scratch_array (bottom-up,
// packed) as name: GL_RGBA for 4 bytes per pixel, else GL_RGB. Main thread.
void write_png_to_disk(std::string name, int width, int height, int bytes_per_pixel);
