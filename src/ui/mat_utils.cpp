// mat_utils.cpp - matrix utilities under the camera.
#include "ui/mat_utils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

const double gIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

namespace {

constexpr double rad_per_degree = 0.017453292519943295;
constexpr double pi = 3.14159265358979323846;

void normalise_if_long(double v[3])
{
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len == 0.0) return;
    v[0] /= len;
    v[1] /= len;
    v[2] /= len;
}

void cross(double out[3], const double a[3], const double b[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void widen(const double p[3], double min[3], double max[3])
{
    for (int i = 0; i < 3; ++i) {
        min[i] = std::min(min[i], p[i]);
        max[i] = std::max(max[i], p[i]);
    }
}

double between(double v, double e1, double e2) { return std::min(std::max(v, std::min(e1, e2)), std::max(e1, e2)); }

// The point of segment a-b at height h (a.y < b.y), x and z kept between the ends.
void crossing(double h, const double a[3], const double b[3], double out[3])
{
    const double f = (h - a[1]) / (b[1] - a[1]);
    out[0] = between(a[0] + f * (b[0] - a[0]), a[0], b[0]);
    out[1] = h;
    out[2] = between(a[2] + f * (b[2] - a[2]), a[2], b[2]);
}

// Rotation about a coordinate axis: only the four affected elements.
bool axis_rotation(double m[16], double s, double c, double x, double y, double z)
{
    if (x == 0 && y == 0 && z != 0) {
        const double sz = z > 0 ? s : -s;
        m[0] = m[5] = c;
        m[1] = sz;
        m[4] = -sz;
        return true;
    }
    if (x == 0 && z == 0 && y != 0) {
        const double sy = y > 0 ? s : -s;
        m[0] = m[10] = c;
        m[8] = sy;
        m[2] = -sy;
        return true;
    }
    if (y == 0 && z == 0 && x != 0) {
        const double sx = x > 0 ? s : -s;
        m[5] = m[10] = c;
        m[6] = sx;
        m[9] = -sx;
        return true;
    }
    return false;
}

} // namespace

void setIdentityMatrix(double m[16]) { std::memcpy(m, gIdentity, sizeof gIdentity); }
void copyMatrix(double dst[16], const double src[16]) { std::memmove(dst, src, 16 * sizeof(double)); }

void transposeMatrix(double dst[16], const double src[16])
{
    double t[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) t[4 * r + c] = src[4 * c + r];
    copyMatrix(dst, t);
}

void addMatrices(double out[16], const double a[16], const double b[16])
{
    for (int i = 0; i < 16; ++i) out[i] = a[i] + b[i];
}

void multMatrices(double out[16], const double a[16], const double b[16])
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[4 * k + r] * b[4 * c + k];
            out[4 * c + r] = sum;
        }
}

void buildOrthoMatrix(double m[16], double l, double r, double b, double t, double n, double f)
{
    std::memset(m, 0, 16 * sizeof(double));
    m[0] = 2 / (r - l);
    m[5] = 2 / (t - b);
    m[10] = -2 / (f - n);
    m[12] = (r + l) / (l - r);
    m[13] = (t + b) / (b - t);
    m[14] = (f + n) / (n - f);
    m[15] = 1;
}

void buildFrustumMatrix(double m[16], double l, double r, double b, double t, double n, double f)
{
    std::memset(m, 0, 16 * sizeof(double));
    m[0] = 2 * n / (r - l);
    m[5] = 2 * n / (t - b);
    m[8] = (r + l) / (r - l);
    m[9] = (t + b) / (t - b);
    m[10] = (n + f) / (n - f);
    m[11] = -1;
    m[14] = -2 * n * f / (f - n);
}

void buildPerspectiveMatrix(double m[16], double fovy, double aspect, double n, double f)
{
    const double t = n * std::tan(fovy * pi / 360.0);
    buildFrustumMatrix(m, -t * aspect, t * aspect, -t, t, n, f);
}

void buildRotation(double m[16], double angle, double x, double y, double z)
{
    const double s = std::sin(angle * rad_per_degree);
    const double c = std::cos(angle * rad_per_degree);
    setIdentityMatrix(m);
    if (axis_rotation(m, s, c, x, y, z)) return;
    const double len = std::sqrt(x * x + y * y + z * z);
    if (len <= 0.0001) return;
    x /= len;
    y /= len;
    z /= len;
    const double one_c = 1 - c;
    m[0] = x * x * one_c + c;
    m[4] = x * y * one_c - z * s;
    m[8] = z * x * one_c + y * s;
    m[1] = x * y * one_c + z * s;
    m[5] = y * y * one_c + c;
    m[9] = y * z * one_c - x * s;
    m[2] = z * x * one_c - y * s;
    m[6] = y * z * one_c + x * s;
    m[10] = z * z * one_c + c;
}

void buildLookAtMatrix(double m[16], double eye_x, double eye_y, double eye_z, double centre_x, double centre_y,
                       double centre_z, double up_x, double up_y, double up_z)
{
    const double eye[3] = {eye_x, eye_y, eye_z};
    const double up[3] = {up_x, up_y, up_z};
    double z[3] = {eye_x - centre_x, eye_y - centre_y, eye_z - centre_z};
    normalise_if_long(z);
    double x[3], y[3];
    cross(x, up, z);
    cross(y, z, x);
    normalise_if_long(x);
    normalise_if_long(y);
    for (int i = 0; i < 3; ++i) {
        m[4 * i] = x[i];
        m[4 * i + 1] = y[i];
        m[4 * i + 2] = z[i];
    }
    m[12] = -dot(x, eye);
    m[13] = -dot(y, eye);
    m[14] = -dot(z, eye);
    m[3] = m[7] = m[11] = 0;
    m[15] = 1;
}

void applyTranslation(double m[16], double x, double y, double z)
{
    for (int r = 0; r < 4; ++r) m[12 + r] += x * m[r] + y * m[4 + r] + z * m[8 + r];
}

void applyRotation(double m[16], double angle, double x, double y, double z)
{
    double rot[16], product[16];
    buildRotation(rot, angle, x, y, z);
    multMatrices(product, m, rot);
    copyMatrix(m, product);
}

int invertMatrix(double out[16], const double in[16])
{
    double rows[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            rows[r][c] = in[4 * c + r];
            rows[r][4 + c] = r == c ? 1.0 : 0.0;
        }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(rows[r][col]) > std::fabs(rows[pivot][col])) pivot = r;
        if (rows[pivot][col] == 0.0) return 0;
        if (pivot != col) std::swap(rows[pivot], rows[col]);
        const double scale = 1.0 / rows[col][col];
        for (double& v : rows[col]) v *= scale;
        for (int r = col + 1; r < 4; ++r) {
            const double f = rows[r][col];
            for (int c = 0; c < 8; ++c) rows[r][c] -= f * rows[col][c];
        }
    }
    for (int col = 3; col > 0; --col)
        for (int r = 0; r < col; ++r) {
            const double f = rows[r][col];
            for (int c = 0; c < 8; ++c) rows[r][c] -= f * rows[col][c];
        }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out[4 * c + r] = rows[r][4 + c];
    return 1;
}

void vec3_assign(double v[3], double x, double y, double z)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

void printMatrix(const char* title, const double m[16])
{
    std::puts(title);
    for (int r = 0; r < 4; ++r)
        std::printf(r < 3 ? " [ %f %f %f %f ]\n" : " [ %f %f %f %f ]\n\n", m[r], m[4 + r], m[8 + r], m[12 + r]);
}

void accum_segment(double y_lo, double y_hi, const double a_in[3], const double b_in[3], double min[3],
                   double max[3])
{
    const double* a = a_in;
    const double* b = b_in;
    if (b[1] < a[1]) std::swap(a, b);
    double p[3];
    if (a[1] == b[1]) {
        if (a[1] < y_lo || a[1] > y_hi) return;
        widen(a, min, max);
        widen(b, min, max);
        return;
    }
    if (y_lo == y_hi) {
        const double level = static_cast<float>(y_lo);
        if (a[1] > level || level > b[1]) return;
        crossing(level, a, b, p);
        widen(p, min, max);
        return;
    }
    if (a[1] >= y_lo && a[1] <= y_hi) widen(a, min, max);
    if (b[1] >= y_lo && b[1] <= y_hi) widen(b, min, max);
    if (a[1] < y_lo && y_lo < b[1]) {
        crossing(static_cast<float>(y_lo), a, b, p);
        widen(p, min, max);
    }
    if (a[1] < y_hi && y_hi < b[1]) {
        crossing(static_cast<float>(y_hi), a, b, p);
        widen(p, min, max);
    }
}
