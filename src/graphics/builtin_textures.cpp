// builtin_textures.cpp - loading the four built-in pictures at start-up.
#include "graphics/builtin_textures.h"

#include "graphics/builtin_images.h"
#include "graphics/tman.h"

void recall_ins_texes()
{
    for (const builtin_image_struct& img : builtin_images) {
        TEX_stage_builtin(img);
        tman.load_texture(tex_fail_alert, img.ref, tex_col_rgba | tex_res_full | tex_flag_unused, tex_load_now,
                          "scratch_array:hardwired textures");
    }
}
