// builtin_textures.h - the built-in pictures become textures.
#pragma once

// Stages each built-in picture in scratch_array (rows of its texture's width)
// and loads it under its ref with fail mode 4, flags 0x502 and the name
// "scratch_array:hardwired textures": the installer picture (389), background
// 1 (390), background 2 (391) and the atlas (388) last, so that scratch_array
// still holds the atlas at 512 x 512 afterwards for the interface colours.
// Main thread, once at start-up: after the GL context, the capabilities and
// scratch_array are set up.
void recall_ins_texes();
