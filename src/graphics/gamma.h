// gamma.h - the display-gamma data that the image loaders correct pictures
// with. It belongs to the colour table (the widget layer's colr_class shows it
// under the same names), but the image loaders lie below the widget layer, so
// the data lives here and the dependency points down.
#pragma once

// Owned by the main thread; built before main runs. reset() restores the
// constructed values (for tests).
struct colr_gamma_struct {
    double design_gamma;             // gamma the program's pictures were authored for: 1.8
    double display_gamma;            // gamma of the display: 2.2
    int gamma_off;                   // 1 when display_gamma is 1.8 (no correction), else 0
    unsigned char gamma_table[256];  // corrected value of each 8-bit channel value

    colr_gamma_struct() { reset(); }
    void reset();
};

extern colr_gamma_struct colr_gamma;
