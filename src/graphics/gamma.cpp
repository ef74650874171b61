// gamma.cpp - the gamma table of the colour table.
#include "graphics/gamma.h"

#include <cmath>

colr_gamma_struct colr_gamma;

void colr_gamma_struct::reset()
{
    design_gamma = 1.8;
    display_gamma = 2.2;
    // The exponent is the single-precision value of 1.8 / 2.2, fixed: the table
    // is not rebuilt from the gamma fields.
    const double e = static_cast<double>(static_cast<float>(1.8 / 2.2));
    for (int i = 0; i < 256; ++i) {
        const double x = i * (1.0 / 255.0);
        gamma_table[i] = x == 0.0 ? 0 : static_cast<unsigned char>(std::floor(255.0 * std::pow(x, e) + 0.5));
    }
    // Compared with the constant 1.8, not with design_gamma.
    gamma_off = display_gamma == 1.8 ? 1 : 0;
}
