// builtin_images.cpp - the table of the built-in pictures and their staging
// into scratch_array. The pixel arrays themselves are generated at build time
// (builtin_images_data.cpp.in, filled from art/*.png).
#include "graphics/builtin_images.h"

#include "foundation/hl_types.h"
#include "foundation/hooks.h"

#include <cstddef>
#include <cstring>

const builtin_image_struct builtin_images[builtin_image_count] = {
    {"t_installer_dat", t_installer, t_installer_dx, t_installer_dy, t_installer_dat},
    {"t_ins_back_1_dat", t_ins_back_1, t_ins_back_dx, t_ins_back_dy, t_ins_back_1_dat},
    {"t_ins_back_2_dat", t_ins_back_2, t_ins_back_dx, t_ins_back_dy, t_ins_back_2_dat},
    {"t_interface_dat", t_interface, t_interface_dx, t_interface_dy, t_interface_dat},
};

namespace {

int pow2_at_or_above(int n)
{
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

} // namespace

void TEX_stage_builtin(const builtin_image_struct& img)
{
    if (!scratch_array) {
        MACIBM_alert(0, "TEX_stage_builtin before scratch_array is set!", img.name, "", "", t_exit);
        return;
    }
    const int tex_dx = pow2_at_or_above(img.dx);
    const int tex_dy = pow2_at_or_above(img.dy);
    if (tex_dx > scratch_dim || tex_dy > scratch_dim) {
        MACIBM_alert(0, "Built-in picture larger than scratch_array!", img.name, "", "", t_exit);
        return;
    }
    const std::size_t src_row = std::size_t(img.dx) * 4;
    const std::size_t dst_row = std::size_t(tex_dx) * 4;
    for (int y = 0; y < img.dy; ++y) {
        unsigned char* dst = scratch_array + std::size_t(y) * dst_row;
        std::memcpy(dst, img.pixels + std::size_t(y) * src_row, src_row);
        std::memset(dst + src_row, 0, dst_row - src_row);
    }
    std::memset(scratch_array + std::size_t(img.dy) * dst_row, 0, std::size_t(tex_dy - img.dy) * dst_row);
    scratch_dx = img.dx;
    scratch_dy = img.dy;
}
