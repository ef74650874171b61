// launch_probe - stands in for a launched program: writes its arguments, one
// per line, to the file named by LAUNCH_PROBE_OUT (through a rename, so that a
// reader never sees half a file).
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const char* out = std::getenv("LAUNCH_PROBE_OUT");
    if (!out) return 2;
    const std::string temp = std::string(out) + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "w");
    if (!f) return 3;
    for (int i = 0; i < argc; ++i) std::fprintf(f, "%s\n", argv[i]);
    std::fclose(f);
    return std::rename(temp.c_str(), out) == 0 ? 0 : 4;
}
