// x_screenshot.cpp - the run command's camera: saves the whole screen of the X
// display named by DISPLAY as an RGB PNG file.
//
//   x_screenshot <out.png>
//   x_screenshot --pixel <x> <y>    prints the pixel's colour as RRGGBB
//   x_screenshot --green <x> <y> <w> <h>
//                                   prints how many pixels of the rectangle are
//                                   green-tinted (green above red by 40)
//
// Status 0 when done; 1 (with one line on stderr) when the display cannot
// be opened, read or the file written.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int fail(const std::string& what)
{
    std::fprintf(stderr, "x_screenshot: %s\n", what.c_str());
    return 1;
}

// The screen as 8-bit R, G, B rows, top row first; empty when it cannot be read.
std::vector<unsigned char> grab_rgb(Display* d, int& w, int& h)
{
    const Window root = DefaultRootWindow(d);
    w = DisplayWidth(d, DefaultScreen(d));
    h = DisplayHeight(d, DefaultScreen(d));
    std::vector<unsigned char> rgb;
    XImage* img = XGetImage(d, root, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!img) return rgb;
    rgb.resize(size_t(w) * size_t(h) * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned long p = XGetPixel(img, x, y);
            unsigned char* out = &rgb[(size_t(y) * size_t(w) + size_t(x)) * 3];
            out[0] = (p >> 16) & 0xFF;
            out[1] = (p >> 8) & 0xFF;
            out[2] = p & 0xFF;
        }
    XDestroyImage(img);
    return rgb;
}

bool write_png(const std::string& path, const std::vector<unsigned char>& rgb, int w, int h)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info && !setjmp(png_jmpbuf(png));
    if (ok) {
        png_init_io(png, f);
        png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < h; ++y) png_write_row(png, &rgb[size_t(y) * size_t(w) * 3]);
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0 && ok;
}

} // namespace

// One pixel of the screen, so that a script can wait for a screen to show.
int print_pixel(Display* d, int x, int y)
{
    XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return fail("cannot read the screen");
    std::printf("%06lx\n", XGetPixel(img, 0, 0) & 0xFFFFFF);
    XDestroyImage(img);
    return 0;
}

// How much of a rectangle is green-tinted: a label drawn as available.
int print_green(Display* d, int x, int y, int w, int h)
{
    XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!img) return fail("cannot read the screen");
    int green = 0;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const unsigned long p = XGetPixel(img, i, j);
            green += int((p >> 8) & 0xFF) > int((p >> 16) & 0xFF) + 40;
        }
    std::printf("%d\n", green);
    XDestroyImage(img);
    return 0;
}

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool pixel = argc == 4 && mode == "--pixel", green = argc == 6 && mode == "--green";
    if (argc != 2 && !pixel && !green)
        return fail("usage: x_screenshot <out.png> | --pixel <x> <y> | --green <x> <y> <w> <h>");
    Display* d = XOpenDisplay(nullptr);
    if (!d) return fail("cannot open the X display");
    if (pixel || green) {
        const int r = pixel ? print_pixel(d, std::atoi(argv[2]), std::atoi(argv[3]))
                            : print_green(d, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                          std::atoi(argv[5]));
        XCloseDisplay(d);
        return r;
    }
    int w = 0, h = 0;
    const std::vector<unsigned char> rgb = grab_rgb(d, w, h);
    XCloseDisplay(d);
    if (rgb.empty()) return fail("cannot read the screen");
    if (!write_png(argv[1], rgb, w, h)) return fail(std::string("cannot write ") + argv[1]);
    return 0;
}
