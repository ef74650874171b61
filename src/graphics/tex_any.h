// tex_any.h - loading an image file of any kind: the file's first bytes, never
// its name, choose between the BMP and the PNG reader. No power-of-two canvas:
// the picture arrives at its own size, in rows of its width or of row_pixels.
// Any thread (each call maps its own file).
#pragma once

#include "graphics/tex_image.h"

#include <cstddef>
#include <string>

// Maps name (relative to the program folder; the mapped-file reader's path
// rules apply) and hands it to TEX_load_bmp ("BM") or TEX_load_png (the PNG
// signature) with the same pixels, capacity, desired_format and row_pixels;
// follow_alpha reaches only the PNG reader. 1 when a picture was decoded; 0 when
// the file is missing, shorter than 8 bytes or neither kind (no message,
// nothing written), or the reader refused it. The readers' fatal alerts stand.
int TEX_load_any(const std::string& name, unsigned char*& pixels, std::size_t capacity, unsigned int desired_format,
                 int row_pixels, int follow_alpha, TEX_image_desc& desc);

// TEX_load_any on name with its 3-character extension (if any) replaced by
// ".png", and when that gives 0, by ".bmp". 1 when either loaded.
int TEX_load_any_ext(const std::string& name, unsigned char*& pixels, std::size_t capacity,
                     unsigned int desired_format, int row_pixels, int follow_alpha, TEX_image_desc& desc);

// The name TEX_load_any_ext tries: a name longer than 4 characters whose fourth
// character from the end is '.' loses its last 4, then ext is appended.
std::string TEX_name_with_ext(const std::string& name, const char* ext);
