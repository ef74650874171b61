// cmdline_probe - runs the option parser on its own arguments the way start-up
// does, then prints "parsed"; the informational options end it before that.
#include "foundation/cmdline.h"
#include "foundation/hl_types.h"

#include <cstdio>

int main(int argc, const char** argv)
{
    xer.open("/dev/null");
    cmdline.init_unix(argc, argv);
    std::puts("parsed");
    return 0;
}
