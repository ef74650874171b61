// tex_bmp.h - BMP files: reading an uncompressed 24-bit Windows bitmap out of
// a mapped file into a pixel buffer in one of the PNG reader's layouts
// (GL_RGB, GL_RGBA, GL_ALPHA), rows bottom-up as the file stores them. There
// is no BMP writer. Any thread: no shared state but the read-only gamma table.
#pragma once

#include "graphics/tex_image.h"

#include <cstddef>
#include <string>

class xmap_class;

// Reads the bitmap mapped in `file` (cursor at its first byte; the 54 header
// bytes move it; the caller has tested "BM"). pixels, capacity, row_pixels and
// make_pow2 as for TEX_load_png. GL_RGB and GL_RGBA swap the file's B G R into
// R G B and apply the gamma table when the colour table corrects gamma; GL_RGBA
// turns pure magenta (255, 0, 255) into transparent black; GL_ALPHA is the
// truncated mean of the three channels. desc.format is desired_format.
// 1: the picture is in the buffer. 0: no mapping (no message); or, logged, a
// side outside 1..2048 (negative sizes included), pixel data that does not lie
// wholly in the file, row_pixels below the width, a buffer too small, no memory
// - nothing written then. Fatal: a bad desired_format ("Illegal desired format
// for bmp."), a depth other than 24 ("Wrong bitmap color depth for texture!")
// or compressed data ("Bitmap is compressed!").
int TEX_load_bmp(const std::string& name, xmap_class* file, unsigned char*& pixels, std::size_t capacity,
                 unsigned int desired_format, int row_pixels, int make_pow2, TEX_image_desc& desc);
