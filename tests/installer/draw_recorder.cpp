// draw_recorder.cpp
#include "draw_recorder.h"

#include <cstdio>

namespace {

std::vector<std::string> recorded;

std::string num(float v)
{
    char b[32];
    std::snprintf(b, sizeof b, "%g", static_cast<double>(v));
    return b;
}

void quad(int ref, int colour, float alpha, float x1, float y1, float s1, float t1, float, float, float, float,
          float x3, float y3, float s3, float t3, float, float, float, float, int units, int mode)
{
    recorded.push_back("quad " + std::to_string(ref) + " c" + std::to_string(colour) + " a" + num(alpha) + " at " +
                       num(x1) + "," + num(y1) + " size " + num(x3 - x1) + "x" + num(y3 - y1) + " texel " +
                       num(s1 * 1024) + "," + num(t1 * 1024) + ".." + num(s3 * 1024) + "," + num(t3 * 1024) + " u" +
                       std::to_string(units) + " m" + std::to_string(mode));
}
float string(int colour, float x, float y, const std::string& text, float wrap, int font, int align)
{
    recorded.push_back("string c" + std::to_string(colour) + " at " + num(x) + "," + num(y) + " wrap " + num(wrap) +
                       " font " + std::to_string(font) + " align " + std::to_string(align) + " '" + text + "'");
    return y;
}
void frame1(int style, float x, float y, float w, int colour)
{
    recorded.push_back("frame1 " + std::to_string(style) + " centre " + num(x) + "," + num(y) + " width " + num(w) +
                       " c" + std::to_string(colour));
}
void frame2(int style, float x, float y, float w, float h, std::string title)
{
    recorded.push_back("frame2 " + std::to_string(style) + " at " + num(x) + "," + num(y) + " size " + num(w) + "x" +
                       num(h) + " '" + title + "'");
}
int action(float x, float y, float w, int lit, int feedback, std::string label, std::string note)
{
    recorded.push_back("action centre " + num(x) + "," + num(y) + " width " + num(w) + " " + std::to_string(lit) +
                       std::to_string(feedback) + " '" + label + "' '" + note + "'");
    return 0;
}
int is_int(float x, float y, int*, int match, std::string label)
{
    recorded.push_back("is_int at " + num(x) + "," + num(y) + " match " + std::to_string(match) + " '" + label + "'");
    return 0;
}
void back() { recorded.push_back("plot_back_col"); }
void fillwin(int titled, int style)
{
    recorded.push_back("fillwin " + std::to_string(titled) + " " + std::to_string(style));
}
void subwin(float top, int style, float x, float y, float w, float h, std::string title, float* nx, float* ny)
{
    recorded.push_back("subwin " + num(top) + " " + std::to_string(style) + " " + num(x) + "," + num(y) + " " +
                       num(w) + "x" + num(h) + " '" + title + "'");
    *nx = *ny = 0;
}
int boolean(float x, float y, int* value, std::string label, int radio)
{
    recorded.push_back("bool at " + num(x) + "," + num(y) + " = " + std::to_string(*value) + " radio " +
                       std::to_string(radio) + " '" + label + "'");
    return 0;
}
int int_range(float x, float y, int* value, int digits, float lo, float hi, std::string label)
{
    recorded.push_back("int_range at " + num(x) + "," + num(y) + " = " + std::to_string(*value) + " digits " +
                       std::to_string(digits) + " " + num(lo) + ".." + num(hi) + " '" + label + "'");
    return 0;
}
int enterstring(float x, float y, std::string* text, int max_len, std::string label, float width, int focus)
{
    recorded.push_back("enterstring at " + num(x) + "," + num(y) + " '" + *text + "' max " + std::to_string(max_len) +
                       " '" + label + "' width " + num(width) + " focus " + std::to_string(focus));
    return 0;
}
int textlist(float x, float y, int* selection, std::string items, std::string label)
{
    recorded.push_back("textlist at " + num(x) + "," + num(y) + " = " + std::to_string(*selection) + " '" + items +
                       "' '" + label + "'");
    return 0;
}
void sbuff() { recorded.push_back("sbuff"); }

} // namespace

draw_recorder::draw_recorder()
{
    recorded.clear();
    previous = INS_set_draw_calls({quad, string, frame1, frame2, action, is_int, back, fillwin, subwin, boolean,
                                   int_range, enterstring, textlist, sbuff});
}

draw_recorder::~draw_recorder() { INS_set_draw_calls(previous); }

std::vector<std::string>& draw_recorder::lines() { return recorded; }

std::string draw_recorder::text()
{
    std::string all;
    for (const std::string& l : recorded) all += l + "\n";
    return all;
}
