// tex_dxt.h - operations on S3TC (DXT1, DXT3, DXT5) blocks: reversing the
// pixel rows of a block, so that a compressed picture can be turned over, with
// the colour endpoints gamma-corrected on the way and the DXT1 transparency
// finding. Blocks are bytes in file order (little-endian fields), read and
// written through byte helpers, never through a cast struct.
// No state; reads the colour table's gamma data (graphics/gamma.h). Any thread.
#pragma once

// A colour block: colour 0 and colour 1 (RGB 5:6:5, 2 bytes each), then one
// byte of 2-bit indices per pixel row, row 0 first. The whole of a DXT1 block,
// the second half of a DXT3 or DXT5 block.
struct DXTColBlock {
    unsigned char bytes[8];
};

// A DXT5 alpha block: alpha 0, alpha 1, then 16 indices of 3 bits, rows 0-1 in
// bytes 2-4 and rows 2-3 in bytes 5-7 (24-bit little-endian each).
struct DXT5AlphaBlock {
    unsigned char bytes[8];
};

// ---- block rows --------------------------------------------------------------
// Reverse the first `rows` pixel rows (1..4; 4 for a whole block, fewer for a
// level 1..3 pixels high) of count consecutive blocks at `blocks` (8 bytes a
// DXT1 block, 16 a DXT3 or DXT5 block), and gamma-correct each colour block when
// the colour table's gamma correction is on. count below 1: nothing.
// DXT1 returns the transparency finding: alpha_found, or 1 once a block in
// three-colour mode (tested before gamma) uses index 3. DXT3/DXT5 return 0.
int nv_flip_blocks_dxtc1(unsigned char* blocks, int count, int alpha_found, int rows = 4);
int nv_flip_blocks_dxtc3(unsigned char* blocks, int count, int unused = 0, int rows = 4);
int nv_flip_blocks_dxtc5(unsigned char* blocks, int count, int unused = 0, int rows = 4);

// ---- single blocks -------------------------------------------------------------
void nv_flip_dxt5_alpha(DXT5AlphaBlock* block, int rows = 4); // reverses its index rows
void nv_gamma_correct(DXTColBlock* block); // maps the endpoints through the gamma table, keeping the mode

// One step of a 5:6:5 colour up (green, else blue, else red) or down; 1 when it
// changed, 0 when it cannot (white up, black down).
int IncColor565(unsigned short& c);
int DecColor565(unsigned short& c);
