// builtin_images.h - the four pictures compiled into the program: the
// interface atlas, the installer picture and the two backgrounds. They let the
// installer show its interface with no image file on disc; start-up hands them
// to the texture manager through scratch_array (foundation/hl_types.h).
//
// Layout of every array: width x height pixels of 4 bytes (R, G, B, A), rows
// of exactly `width` pixels with no padding, the BOTTOM row of the picture
// first: the first row in memory is the first row handed to GL (t = 0), so
// texel (s, t) of a picture is the pixel at byte 4 * (width * t + s). The
// atlas and the installer picture carry real alpha; the backgrounds are opaque.
// The pixels come from art/*.png, drawn by tools/make_interface_art.py and
// turned into these arrays at build time (tools/png_to_rgba.cpp).
#pragma once

// ---- texture references ------------------------------------------------------
constexpr int t_interface = 388;  // the interface atlas
constexpr int t_installer = 389;  // the installer picture, drawn piecewise
constexpr int t_ins_back_1 = 390; // the background of the installer screens
constexpr int t_ins_back_2 = 391; // a second background, loaded and drawn nowhere

// ---- sizes in pixels -----------------------------------------------------------
constexpr int t_interface_dx = 512, t_interface_dy = 512;
constexpr int t_installer_dx = 1010, t_installer_dy = 764;
constexpr int t_ins_back_dx = 1024, t_ins_back_dy = 768; // both backgrounds

// ---- the pixel arrays (read-only, 16-byte aligned) --------------------------
extern "C" {
extern const unsigned char t_interface_dat[t_interface_dx * t_interface_dy * 4]; // 1,048,576 bytes
extern const unsigned char t_installer_dat[t_installer_dx * t_installer_dy * 4]; // 3,086,560 bytes
extern const unsigned char t_ins_back_1_dat[t_ins_back_dx * t_ins_back_dy * 4];  // 3,145,728 bytes
extern const unsigned char t_ins_back_2_dat[t_ins_back_dx * t_ins_back_dy * 4];  // 3,145,728 bytes
}

// ---- the pictures as a table ---------------------------------------------------
struct builtin_image_struct {
    const char* name;             // the array's name, for messages
    int ref;                      // texture reference the picture is loaded under
    int dx, dy;                   // size in pixels
    const unsigned char* pixels;  // dx * dy RGBA pixels, bottom row first
};

// The four pictures in the order start-up loads them: installer picture,
// background 1, background 2, and the atlas last, so that scratch_array still
// holds the atlas afterwards for the interface colours read from it.
constexpr int builtin_image_count = 4;
extern const builtin_image_struct builtin_images[builtin_image_count];

// Lays a picture into scratch_array the way the texture upload reads it: rows
// of the next power-of-two width, the picture's rows first, everything beyond
// the picture up to the next power-of-two height zero; sets scratch_dx and
// scratch_dy to the picture's own size. The one place where the 1010-pixel
// installer picture becomes 1024-texel rows, so that no upload shears it.
// Main thread only; scratch_array must be set (start-up, HL_fill_tables).
void TEX_stage_builtin(const builtin_image_struct& img);
