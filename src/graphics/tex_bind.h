// tex_bind.h - binding GL textures to texture units, through a per-unit cache
// so that binding what a unit already holds costs no GL call, with the
// numbered texture-environment set-ups built on GL_COMBINE.
//
// Main thread (GL context current). The cache describes one GL context: after
// a new context, or any bind made behind these calls, call TEX_reset_bind.
#pragma once

class UTL_stat;

// ---- environment modes --------------------------------------------------------
// 0 is GL_MODULATE; 1, 2 and 10..23 are the combiner set-ups of tex_bind.cpp;
// 24 binds only, leaving the environment alone; any other value is a GL
// environment mode (GL_REPLACE, GL_DECAL, ...) passed through.
constexpr int tex_env_modulate = 0;
constexpr int tex_env_bind_only = 24;
constexpr int tex_bind_units = 8; // units 0..7 are cached

// Binds GL texture `tex` on `unit` with environment `mode`. While the switch
// "perf/kill_tex" is non-zero every texture but the atlas (388) becomes the
// placeholder 926. Leaves unit 0 active. A unit outside 0..7 is logged and
// nothing is bound.
void TEX_bind_ref(int tex, int unit, int mode);

// Forgets every unit's cached texture and mode; no GL call.
void TEX_reset_bind();

// GL_TEXTURE_ENV_COLOR = (level, level, level, level) on a unit below
// ren.tex_units (the constant colour of set-up 21); leaves unit 0 active. The
// cache is not touched.
void TEX_set_blend_level(int unit, float level);

// The switch "perf/kill_tex" (statistic type 4, starts at 0).
extern UTL_stat gKillTex;
