// xcam.h - the framework's camera: a projection and a model-view matrix in
// double precision, the frustum's side planes, and the geometric questions of
// a 3D view. One global instance, xcam; the viewport code builds its
// projection and loads both matrices into GL. Main thread only; the view-axis
// queries and mtr_to_pix read GL state and need the context current.
#pragma once

class xcam_class {
public:
    xcam_class();                          // identity matrices, orthographic, model-view stale
    xcam_class(const xcam_class&) = default;
    explicit xcam_class(const xcam_class* other); // copies only when other is not null
    xcam_class& operator=(const xcam_class&) = default;

    // ---- model-view (each rewrites mv) ----
    void Identity();
    void Rotate(double angle, double x, double y, double z); // mv = mv x glRotate
    void Translate(double x, double y, double z);            // mv = mv x glTranslate
    void LookAtPtFromPt(double eye_x, double eye_y, double eye_z, double centre_x, double centre_y,
                        double centre_z, double up_x, double up_y, double up_z); // gluLookAt
    // Looks at (x, y, z) from dist away along heading and pitch (degrees), up +y.
    void LookAtPtFromDir(double x, double y, double z, double heading, double pitch, double dist);

    // ---- projection (each rewrites proj) ----
    void SetupOrtho(double l, double r, double b, double t, double n, double f);
    void SetupFrustum(double l, double r, double b, double t, double n, double f); // edges at the near distance
    void SetupPerspective(double fovy, double aspect, double n, double f);       // gluPerspective
    void SetFakeFarClippingPlane(double d); // far limit moves in to d, never beyond the real far plane
    void ResetFakeFarClippingPlane();

    // ---- queries ----
    bool GetFOVHalfCosines(float* h, float* v); // false for an orthographic camera, nothing written
    void CalcUp(double out[3]);        // the eye's +y axis in world space
    void CalcDirection(double out[3]); // the viewing direction in world space
    void CalcRight(double out[3]);     // direction x up
    void CalcBillboardGround(float right[3], float up[3]); // upright on the ground, facing the viewer
    void CalcBillboardCamera(float right[3], float up[3]); // parallel to the screen
    // The point in interface units of the current sub-window, through GL's viewport.
    void mtr_to_pix(const double p[3], double out[2]);
    // World box of the view volume nearer than d between heights y_lo and y_hi;
    // false when no part of it lies in that band.
    bool GetFrustumBounds(double d, double y_lo, double y_hi, double min[3], double max[3]);
    // Makes this an orthographic view along dir, dist back, that holds the
    // other camera's view volume; near_out and far_out get its depth range.
    void LookAtCamera(xcam_class* other, const double dir[3], double dist, double& near_out, double& far_out);

    bool is_ortho;          // the projection is orthographic
    double near_z;          // eye-space z of the near plane (minus the near distance)
    double far_z;           // eye-space z of the far plane
    double fake_far_z;      // a nearer far limit for bounds queries; far_z after every set-up
    double plane_top[3];    // unit normals of the frustum's side planes, pointing inwards
    double plane_left[3];
    double plane_right[3];
    double plane_bottom[3];
    double ortho_top, ortho_left, ortho_right, ortho_bottom; // orthographic edges
    bool mv_stale;          // GL's model-view may differ: read it back before the axis queries
    double proj[16];        // projection, column-major
    double mv[16];          // model-view, column-major

private:
    void fresh_modelview(); // reads GL's model-view when stale
    void clip_corners_to_world(double corners[8][3]) const;
};

extern xcam_class xcam;
