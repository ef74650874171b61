// tex_dxt.cpp - S3TC block operations.
//   fields     little-endian colour and index access
//   rows       reversing the rows of colour, DXT3 alpha and DXT5 alpha blocks
//   gamma      gamma correction of a colour block and the 5:6:5 steps
//   block rows the DXT1, DXT3 and DXT5 row flips used when turning a picture over
#include "graphics/tex_dxt.h"

#include "graphics/gamma.h"

#include <cstdint>
#include <utility>

namespace {

// ---- fields ------------------------------------------------------------------

unsigned short colour_at(const unsigned char* b, int i)
{
    return static_cast<unsigned short>(b[2 * i] | (b[2 * i + 1] << 8));
}

void set_colour(unsigned char* b, int i, unsigned short c)
{
    b[2 * i] = static_cast<unsigned char>(c & 0xFF);
    b[2 * i + 1] = static_cast<unsigned char>(c >> 8);
}

bool any_index_is_3(const unsigned char* colour_block)
{
    for (int row = 4; row < 8; ++row)
        for (int px = 0; px < 4; ++px)
            if (((colour_block[row] >> (2 * px)) & 3) == 3) return true;
    return false;
}

// ---- rows --------------------------------------------------------------------

// Exchanges row i with row rows-1-i, each row `size` bytes from `first`.
void reverse_rows(unsigned char* first, int size, int rows)
{
    for (int i = 0; i < rows / 2; ++i)
        for (int k = 0; k < size; ++k) std::swap(first[i * size + k], first[(rows - 1 - i) * size + k]);
}

void flip_colour_rows(unsigned char* colour_block, int rows)
{
    if (rows == 4) { // the common case, every block of a picture at least 4 pixels high
        std::swap(colour_block[4], colour_block[7]);
        std::swap(colour_block[5], colour_block[6]);
        return;
    }
    reverse_rows(colour_block + 4, 1, rows);
}

void flip_dxt3_alpha_rows(unsigned char* alpha_block, int rows) { reverse_rows(alpha_block, 2, rows); }

// ---- gamma -------------------------------------------------------------------

unsigned short gamma_565(unsigned short c)
{
    const unsigned char* t = colr_gamma.gamma_table;
    const int r = c >> 11, g = (c >> 5) & 63, b = c & 31;
    const int r8 = t[(r << 3) | (r >> 2)], g8 = t[(g << 2) | (g >> 4)], b8 = t[(b << 3) | (b >> 2)];
    return static_cast<unsigned short>(((r8 >> 3) << 11) | ((g8 >> 2) << 5) | (b8 >> 3));
}

// Index remapping after the endpoints were exchanged: a three-colour block
// exchanges 0 and 1 (2 and 3 keep their meaning), a four-colour block flips the
// low bit of every index (0<->1, 2<->3).
void remap_indices(unsigned char* colour_block, bool three_colour)
{
    for (int row = 4; row < 8; ++row) {
        unsigned char v = colour_block[row];
        if (!three_colour) {
            v ^= 0x55;
        } else {
            unsigned char out = 0;
            for (int px = 0; px < 4; ++px) {
                int idx = (v >> (2 * px)) & 3;
                if (idx < 2) idx ^= 1;
                out = static_cast<unsigned char>(out | (idx << (2 * px)));
            }
            v = out;
        }
        colour_block[row] = v;
    }
}

} // namespace

// ---- single blocks -------------------------------------------------------------

namespace {

void flip_dxt5_alpha_rows(unsigned char* b, int rows)
{
    const std::uint32_t lo = b[2] | (b[3] << 8) | (std::uint32_t(b[4]) << 16);
    const std::uint32_t hi = b[5] | (b[6] << 8) | (std::uint32_t(b[7]) << 16);
    std::uint32_t row[4] = {lo & 0xFFF, lo >> 12, hi & 0xFFF, hi >> 12};
    for (int i = 0; i < rows / 2; ++i) std::swap(row[i], row[rows - 1 - i]);
    const std::uint32_t nlo = row[0] | (row[1] << 12), nhi = row[2] | (row[3] << 12);
    for (int k = 0; k < 3; ++k) {
        b[2 + k] = static_cast<unsigned char>(nlo >> (8 * k));
        b[5 + k] = static_cast<unsigned char>(nhi >> (8 * k));
    }
}

} // namespace

void nv_flip_dxt5_alpha(DXT5AlphaBlock* block, int rows) { flip_dxt5_alpha_rows(block->bytes, rows); }

int IncColor565(unsigned short& c)
{
    const int r = c >> 11, g = (c >> 5) & 63, b = c & 31;
    if (g < 63) c = static_cast<unsigned short>(c + (1 << 5));
    else if (b < 31) c = static_cast<unsigned short>(c + 1);
    else if (r < 31) c = static_cast<unsigned short>(c + (1 << 11));
    else return 0;
    return 1;
}

int DecColor565(unsigned short& c)
{
    const int r = c >> 11, g = (c >> 5) & 63, b = c & 31;
    if (g > 0) c = static_cast<unsigned short>(c - (1 << 5));
    else if (b > 0) c = static_cast<unsigned short>(c - 1);
    else if (r > 0) c = static_cast<unsigned short>(c - (1 << 11));
    else return 0;
    return 1;
}

namespace {

void gamma_correct_block(unsigned char* b)
{
    const unsigned short c0 = colour_at(b, 0), c1 = colour_at(b, 1);
    const bool three_colour = c0 <= c1;
    unsigned short m0 = gamma_565(c0), m1 = gamma_565(c1);
    if ((m0 <= m1) == three_colour) {
        set_colour(b, 0, m0);
        set_colour(b, 1, m1);
        return;
    }
    if (m0 != m1) {
        // The mode flipped: exchanging the endpoints restores it.
        set_colour(b, 0, m1);
        set_colour(b, 1, m0);
        remap_indices(b, three_colour);
        return;
    }
    // A four-colour block whose endpoints came out equal: part them by one step.
    if (!IncColor565(m0)) {
        unsigned short g = static_cast<unsigned short>((m1 >> 5) & 63);
        if (g > 0) m1 = static_cast<unsigned short>(m1 - (1 << 5));
    }
    set_colour(b, 0, m0);
    set_colour(b, 1, m1);
    remap_indices(b, false);
}

// DXT3 and DXT5 blocks: 8 bytes of alpha, turned over by flip_alpha, then a
// colour block as in DXT1.
void flip_alpha_blocks(unsigned char* blocks, int count, int rows, void (*flip_alpha)(unsigned char*, int))
{
    const bool gamma_on = colr_gamma.gamma_off == 0;
    for (int i = 0; i < count; ++i) {
        unsigned char* a = blocks + 16 * i;
        flip_alpha(a, rows);
        flip_colour_rows(a + 8, rows);
        if (gamma_on) gamma_correct_block(a + 8);
    }
}

} // namespace

void nv_gamma_correct(DXTColBlock* block) { gamma_correct_block(block->bytes); }

// ---- block rows ----------------------------------------------------------------

int nv_flip_blocks_dxtc1(unsigned char* blocks, int count, int alpha_found, int rows)
{
    const bool gamma_on = colr_gamma.gamma_off == 0;
    for (int i = 0; i < count; ++i) {
        unsigned char* c = blocks + 8 * i;
        flip_colour_rows(c, rows);
        if (!alpha_found && colour_at(c, 0) <= colour_at(c, 1) && any_index_is_3(c)) alpha_found = 1;
        if (gamma_on) gamma_correct_block(c);
    }
    return alpha_found;
}

int nv_flip_blocks_dxtc3(unsigned char* blocks, int count, int, int rows)
{
    flip_alpha_blocks(blocks, count, rows, flip_dxt3_alpha_rows);
    return 0;
}

int nv_flip_blocks_dxtc5(unsigned char* blocks, int count, int, int rows)
{
    flip_alpha_blocks(blocks, count, rows, flip_dxt5_alpha_rows);
    return 0;
}
