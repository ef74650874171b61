// disc_probe - looks for the product disc the way start-up does and prints
// what it found: "found <dvd_path>" or "none".
#include "files/disc.h"
#include "foundation/hl_types.h"

#include <cstdio>

int main()
{
    const int found = demo.check_any(0, 0);
    std::printf("%s %s\n", found ? "found" : "none", dvd_path.c_str());
    return 0;
}
