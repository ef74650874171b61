// Number and size texts: fixed-decimal fields, sizes in Meg and Gig, typed numbers.
#include "installer/number_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NumberTexts, FloatFields)
{
    struct field_case {
        float value;
        int total, decimals, sign_column;
        const char* text;
    };
    const field_case cases[] = {
        {1.536f, 2, 1, 0, "1.5"},      {45.6f, 3, 1, 0, "45.6"},       {5.0f, 3, 1, 0, " 5.0"},
        {99.96f, 3, 1, 0, "100.0"},    {1234.5f, 2, 1, 0, "1234.5"},   {0.25f, 2, 1, 0, "0.3"},
        {7.0f, 4, 0, 1, "    7"},      {3.14159f, 6, 3, 1, "   3.142"}, {2.97f, 2, 1, 0, "3.0"},
        {-5.5f, 3, 1, 0, "- 5.5"},     {-0.04f, 2, 1, 0, "-0.0"},      {2.7f, 2, 0, 0, " 2"},
        {0.0f, 2, 0, 0, " 0"},         {0.05f, 3, 2, 0, "0.05"},       {-2.97f, 2, 1, 0, "-3.0"},
        {-7.0f, 4, 0, 1, "-   7"},     {100.0f, 3, 1, 0, "100.0"},     {5.0f, 30, 0, 0, "         5"},
        {2147483520.0f, 2, 0, 0, "2147483520"},
    };
    for (const field_case& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " " + std::to_string(c.total) + "," + std::to_string(c.decimals));
        std::string out = "stale";
        flt_to_str(c.value, &out, c.total, c.decimals, c.sign_column);
        EXPECT_EQ(out, c.text);
    }
}

TEST(NumberTexts, NegativeDecimalsLeaveTheTextAlone)
{
    std::string out = "kept";
    flt_to_str(1.5f, &out, 3, -1, 0);
    EXPECT_EQ(out, "kept");
}

TEST(NumberTexts, Sizes)
{
    struct size_case {
        float kb;
        const char* text;
    };
    const size_case cases[] = {
        {0, "0.0 Meg"},           {512, "0.5 Meg"},         {1536, "1.5 Meg"},      {250000, "250.0 Meg"},
        {999900, "999.9 Meg"},    {999999, "1000.0 Meg"},   {1000000, "1.0 Gig"},   {1234567, "1.2 Gig"},
        {4700000, "4.7 Gig"},     {-1, "-0.0 Meg"},
    };
    for (const size_case& c : cases) {
        SCOPED_TRACE(c.kb);
        std::string out;
        set_size_str(c.kb, &out);
        EXPECT_EQ(out, c.text);
    }
}

TEST(NumberTexts, TypedWholeNumbers)
{
    struct int_case {
        const char* text;
        int value;
    };
    const int_case cases[] = {
        {"", -1},          {"+", -1},          {"-", -1},           {"-25", -25},       {"+25", 25},
        {"007", 7},        {"12a", -1},        {"1 2", -1},         {"999999999", 999999999},
        {"1000000000", -1}, {"0000000001", -1}, {"3128", 3128},     {"1-2", -1},        {"12+", -1},
        {"--5", -1},       {"-0", 0},          {" 80", -1},         {"8.0", -1},
    };
    for (const int_case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(str_to_int(c.text), c.value);
    }
}

} // namespace
