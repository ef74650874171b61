// gamma_test.cpp - the colour table's gamma data as the image loaders read it.
#include "graphics/gamma.h"

#include <gtest/gtest.h>

TEST(ColourGamma, TableAndFlagAfterConstruction)
{
    colr_gamma_struct g;
    EXPECT_EQ(g.design_gamma, 1.8);
    EXPECT_EQ(g.display_gamma, 2.2);
    EXPECT_EQ(g.gamma_off, 0); // 2.2 differs from 1.8: correction on
    const struct { int in, out; } cases[] = {
        {0, 0}, {1, 3}, {2, 5}, {8, 15}, {16, 26}, {32, 47}, {64, 82}, {100, 119},
        {128, 145}, {160, 174}, {192, 202}, {224, 229}, {250, 251}, {254, 254}, {255, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(g.gamma_table[c.in], c.out);
    }
}
