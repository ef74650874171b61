// number_texts.cpp - number and size texts.
#include "installer/number_texts.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int max_field = 10; // digits of a 32-bit integer

// |n| in decimal, zero-filled on the left to `width` digits (1..10).
std::string digits_of(std::int64_t n, int width)
{
    if (n < 0) n = -n;
    if (width < 1) width = 1;
    if (width > max_field) width = max_field;
    std::string s;
    do {
        s.insert(s.begin(), static_cast<char>('0' + n % 10));
        n /= 10;
    } while (n > 0);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
    return s;
}

std::int64_t power_of_ten(int n)
{
    std::int64_t p = 1;
    for (int i = 0; i < n && i < max_field; ++i) p *= 10;
    return p;
}

} // namespace

void flt_to_str(float value, std::string* out, int total_digits, int decimals, int sign_column)
{
    static std::string lft_str;
    static std::string rgt_str;
    if (decimals < 0) return;

    std::int64_t whole = static_cast<std::int32_t>(value); // toward zero
    const float frac = value - static_cast<float>(whole);
    const float scaled = frac * static_cast<float>(power_of_ten(decimals));
    std::int64_t r = static_cast<std::int64_t>(std::llround(scaled));
    if (r < 0) r = -r;
    if (decimals >= 1 && r >= power_of_ten(decimals)) { // 2.97 with one decimal: 3.0
        whole += value < 0 ? -1 : 1;
        r = 0;
    }

    lft_str = digits_of(whole, total_digits - decimals);
    for (size_t i = 0; i + 1 < lft_str.size() && lft_str[i] == '0'; ++i) lft_str[i] = ' ';
    rgt_str = digits_of(r, decimals);

    std::string text;
    if (value < 0) text = "-";
    else if (sign_column) text = " ";
    text += lft_str;
    if (decimals > 0) text += "." + rgt_str;
    *out = text;
}

void set_size_str(float kilobytes, std::string* out)
{
    const double megabytes = static_cast<double>(kilobytes) * 0.001;
    if (megabytes < 1000.0) {
        flt_to_str(static_cast<float>(megabytes), out, 2, 1, 0);
        *out += " Meg";
    } else {
        flt_to_str(static_cast<float>(megabytes * 0.001), out, 2, 1, 0);
        *out += " Gig";
    }
}

int str_to_int(const std::string& text)
{
    if (text.empty()) return -1;
    for (char c : text)
        if (!(c >= '0' && c <= '9') && c != '+' && c != '-') return -1;
    size_t start = 0;
    int sign = 1;
    if (text[0] == '+' || text[0] == '-') {
        sign = text[0] == '-' ? -1 : 1;
        start = 1;
    }
    const size_t count = text.size() - start;
    if (count < 1 || count > 9) return -1;
    int value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] == '+' || text[i] == '-') return -1; // a sign only leads
        value = value * 10 + (text[i] - '0');
    }
    return sign * value;
}
