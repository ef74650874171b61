// bench_text.h - the text the text benchmarks lay out and draw: a paragraph
// of 5,000 characters of the product's own words, with hyphens and slashes
// to break at. Header-only.
#pragma once

#include <string>

inline std::string bench_paragraph()
{
    static const char* const words[] = {"Skylume", "installs", "the", "scenery", "of", "every", "continent,",
                                        "aircraft", "and", "their", "manuals", "-", "over/under", "1,024",
                                        "files", "per", "disc."};
    std::string text;
    for (unsigned i = 0; text.size() < 5000; i = i * 7 + 3) {
        text += words[i % (sizeof words / sizeof *words)];
        text += ' ';
    }
    text.resize(5000);
    return text;
}
