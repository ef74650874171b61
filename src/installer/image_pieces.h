// image_pieces.h - pieces of the installer picture (texture t_installer, 389)
// drawn at their own size, and the same pieces as push buttons. Conventions of
// the widget set: drawn every frame they are to be seen, 1 on the frame the
// mouse button goes down on them. Main thread only.
#pragma once

// A piece of the picture: s, t its lower-left texel (the normal look), w x h texels.
struct picture_piece {
    float s, t, w, h;
};
// The pieces the installer draws; the three-look buttons keep their hover
// look h + 1 texels below the normal one and their pressed look 2 (h + 1) below.
constexpr picture_piece piece_destination{513, 166, 126, 22};
constexpr picture_piece piece_install{640, 166, 83, 22};
constexpr picture_piece piece_exit{780, 166, 51, 22};
constexpr picture_piece piece_buy_online{822, 235, 116, 22};
constexpr picture_piece piece_disagree{832, 166, 85, 22};
constexpr picture_piece piece_agree{918, 166, 59, 22};
constexpr picture_piece piece_disc_panel{644, 33, 128, 86};

// Tints of colour col_picture_tint: 1 green, 2 red, anything else white.
enum { tint_white = 0, tint_green = 1, tint_red = 2 };

// Draws the piece whose normal look starts at texel (s, t) with its lower-left
// corner at (x, y) of the current window, w x h units; highlight shows the
// hover look under the pointer and the pressed look while a button is held.
// 1 when a mouse button went down inside the rectangle (edges included) in
// this frame, whatever highlight and tint are.
int interface_rect(float x, float y, float s, float t, float width, float height, int highlight, int tint);
// The same for a picture_piece.
int interface_piece(float x, float y, const picture_piece& p, int highlight, int tint);
// Cell `icon` of the 64 x 64 icon grid (8 to a row from texel row 66), no hover look, white.
int interface_icon(float x, float y, int icon);
