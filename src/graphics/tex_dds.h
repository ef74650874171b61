// tex_dds.h - DDS files: describing a mapped DDS file (DXT1, DXT3, DXT5 or
// uncompressed BGR/BGRA, optional mip chain) without copying it, and writing
// an RGB or RGBA picture as a DXT1 or DXT5 DDS file with the full mip chain
// (compressed by libsquish). No shared state; any thread.
#pragma once

#include "graphics/tex_image.h"

#include <string>

class xmap_class;

// Describes the DDS file mapped in `file` (only its start is used; name is not).
// 1: desc filled (pad 0; has_mips when both the header flag 0x20000 and the caps
// bit 0x400000 are set) and pixels pointing at offset 128 of the mapping, valid
// while the mapping lives, top row first. 0 (pixels unchanged; desc.format may
// be 0) when the file is not a DDS this reader takes; logged when its sides lie
// outside 1..2048 or the claimed levels do not lie wholly in the file.
int TEX_load_dds(const std::string& name, xmap_class* file, const unsigned char*& pixels, TEX_image_desc& desc);

// Writes the base level of pixels (GL_RGB or GL_RGBA, bottom-up rows with
// desc.pad; has_mips ignored) to app_path + path as DXT1 (RGB, alpha 255) or
// DXT5 (RGBA) with every level down to 1 x 1, through a temporary file renamed
// into place. 1 written; 0 when the file cannot be created, a side lies outside
// 1..2048, or a write fails (no partial file is left). Another format is a
// fatal program fault.
int TEX_save_dds(const std::string& path, const unsigned char* pixels, const TEX_image_desc& desc);
