// mat_utils.h - 4 x 4 matrices of doubles in GL's column-major order (element
// (row r, column c) at 4c + r, as glLoadMatrixd takes it) and 3-vectors. No
// state but the constant identity. Angles in degrees.
#pragma once

extern const double gIdentity[16];

void setIdentityMatrix(double m[16]);                                       // m = identity
void copyMatrix(double dst[16], const double src[16]);                      // dst = src
void transposeMatrix(double dst[16], const double src[16]);                 // dst = src transposed
void addMatrices(double out[16], const double a[16], const double b[16]);   // element by element
// out = a x b; out must be a different array from a and b.
void multMatrices(double out[16], const double a[16], const double b[16]);

// ---- projections and transforms (the GL and GLU forms) ----
void buildOrthoMatrix(double m[16], double l, double r, double b, double t, double n, double f);
void buildFrustumMatrix(double m[16], double l, double r, double b, double t, double n, double f);
void buildPerspectiveMatrix(double m[16], double fovy, double aspect, double n, double f);
void buildRotation(double m[16], double angle, double x, double y, double z); // glRotate
void buildLookAtMatrix(double m[16], double eye_x, double eye_y, double eye_z, double centre_x,
                       double centre_y, double centre_z, double up_x, double up_y, double up_z); // gluLookAt
void applyTranslation(double m[16], double x, double y, double z);          // m = m x translation, in place
void applyRotation(double m[16], double angle, double x, double y, double z); // m = m x rotation, in place

// 1 and out = in inverted; 0 when in is singular (an exactly zero pivot), out untouched.
int invertMatrix(double out[16], const double in[16]);

void vec3_assign(double v[3], double x, double y, double z);
void printMatrix(const char* title, const double m[16]); // to standard output, rows as printed by GL tools

// Widens the box (min, max) by the part of segment a-b whose height y lies
// within y_lo .. y_hi (a single level when they are equal).
void accum_segment(double y_lo, double y_hi, const double a[3], const double b[3], double min[3], double max[3]);
