// tman.h - the texture manager: every GL texture of the program, known by an
// integer reference (ref) that is also its GL texture name.
//
// Manual refs are fixed numbers chosen by their callers (the built-in pictures
// 388..391, the placeholder t_blank_gray 926); dynamic refs (from 1131 up) are
// handed out per file name and reference-counted. A ref that is not loaded
// always draws as the placeholder.
//
// Sections: constants and flags | load records | hooks into the layers above |
// the manager | size choice.
// Main thread (the thread whose GL context is current), but for the table
// lock, which lets an alert's own frame loop bind while a load holds it.
#pragma once

#include "graphics/tex_image.h"

#include <pthread.h>

#include <set>
#include <string>
#include <unordered_map>
#include <vector>

// ---- refs ----------------------------------------------------------------------
constexpr int t_blank_gray = 926;       // the placeholder drawn for anything not loaded
constexpr int first_dynamic_ref = 1131; // dynamic refs start here; 1131 may also be taken manually

// ---- fail modes: what a failed load reports (after the placeholder is in place) ----
enum tex_fail_mode : int {
    tex_fail_silent = 0,  // nothing reported, nothing logged
    tex_fail_scenery = 1, // scene_load_fail set, logged
    tex_fail_plane = 2,   // plane_load_fail set, logged
    tex_fail_instl = 3,   // instl_load_fail set, logged
    tex_fail_alert = 4,   // fatal alert "Trying to load a texture that you do not have!"
};

// ---- load times, also the state of an entry ----------------------------------
enum tex_load_time : int {
    tex_load_now = 100,      // loaded (a failed load also ends here, holding the placeholder)
    tex_load_scenery = 101,  // deferred scenery: binds the placeholder silently
    tex_load_unloaded = 102, // free or unloaded
};

// ---- load flags (valid 0..0x3fff) ----------------------------------------------
constexpr int tex_col_mask = 0x7;
constexpr int tex_col_rgb = 1;       // GL_RGB, 3 bytes a pixel
constexpr int tex_col_rgba = 2;      // GL_RGBA, 4 bytes
constexpr int tex_col_alpha = 3;     // GL_ALPHA, 1 byte
constexpr int tex_col_rgb_alt = 4;   // GL_RGB, but a PNG with alpha comes as GL_RGBA
constexpr int tex_col_rgba_alt = 5;  // GL_RGBA, but a PNG without alpha comes as GL_RGB
constexpr int tex_col_depth = 6;     // GL_DEPTH_COMPONENT, 1 byte; compared as a shadow map
constexpr int tex_mipmap = 0x8;      // build mipmaps
constexpr int tex_clamp_st = 0x10;   // clamp S and T
constexpr int tex_clamp_s = 0x20;    // clamp S only
constexpr int tex_res_double = 0x40; // twice the resolution setting's size
constexpr int tex_res_half = 0x80;   // half the resolution setting's size
constexpr int tex_res_full = 0x100;  // the file's own size whatever the setting
constexpr int tex_from_scratch = 0x200; // decode into scratch_array; upload from it
constexpr int tex_flag_unused = 0x400;  // tested nowhere; every caller sets it
constexpr int tex_half_float = 0x800;   // half-float internal formats
constexpr int tex_exact_8bit = 0x1000;  // RGB8 / RGBA8 internal formats, no hardware mipmaps
constexpr int tex_npot_ok = 0x2000;     // texture size = picture size, no power of two
constexpr int tex_flags_max = 0x3fff;

// Size of each staging buffer: 2048 x 2048 pixels of 4 bytes.
constexpr std::size_t tex_staging_bytes = std::size_t(2048) * 2048 * 4;

// ---- one load in flight ----------------------------------------------------------
// Filled by load_texture_int, completed by load_texture_io, read by the upload.
struct tex_load_vars {
    tex_fail_mode fail_mode = tex_fail_silent;
    int ref = 0;              // entry being loaded
    int flags = 0;            // load flags
    int format = 0;           // GL pixel format of `pixels`
    int has_mips = 0;         // non-zero: `pixels` carries its own mip chain down to 1 x 1
    signed char bpp = 0;      // bytes per pixel, 1..4
    int follow_alpha = 0;     // 1 for tex_col_rgb_alt and tex_col_rgba_alt
    int img_dx = 0, img_dy = 0; // picture size as loaded, pixels
    int tex_dx = 0, tex_dy = 0; // texture size, texels
    std::string name;         // file name, or a name beginning with "scratch_array"
    unsigned char* pixels = nullptr; // tex_dx x tex_dy texels in rows of tex_dx, bottom row first
};

// Pixel sources, as load_texture_io returns them.
constexpr int tex_src_none = 0;    // nothing found: the load failed
constexpr int tex_src_scratch = 1; // a picture the caller put in scratch_array
constexpr int tex_src_file = 2;    // a file decoded into a staging buffer

// The owner of a pending asynchronous scenery job: force_finish must bring the
// job to its end (work and finalize) before it returns.
class tman_force_finish_obj {
public:
    virtual ~tman_force_finish_obj() = default;
    virtual void force_finish() = 0;
};

// ---- hooks into the layers above --------------------------------------------------
// The start-up status screen (the shell's MACIBM_show_init): a message and an
// optional progress fraction. Default: nothing is drawn.
using tex_status_fn = void (*)(const std::string& message, float* progress);
tex_status_fn TEX_set_status_hook(tex_status_fn fn); // returns the previous hook; nullptr: none

// The drawing layer's count of texture units with texturing on (its num_units).
// The upload switches GL_TEXTURE_2D on around its bind while the count is 0.
// Default: a private counter of 1. Returns the previous counter; nullptr: default.
int* TEX_set_units_counter(int* counter);

void TEX_show_status(const std::string& message, float* progress); // through the hook, if any
int& TEX_units_counter();                                           // the counter in use

// ---- the manager ------------------------------------------------------------------
class tman_class {
public:
    struct ref_dat_struct {
        std::string name = "un-inited"; // file or "scratch_array..." name; "un-inited" when free
        unsigned int tex = 0;     // GL name: the ref once uploaded; 926's after a failed load; 0 free
        float img_dx = 0, img_dy = 0; // picture as loaded, pixels
        float tex_dx = 0, tex_dy = 0; // texture, texels
        int vram = 0;             // estimated bytes of video memory; 0 when nothing is uploaded
        int format = 0;           // GL pixel format; 0 marks a free entry
        int load_time = tex_load_unloaded; // 100 loaded, 101 deferred scenery, 102 unloaded
        int flags = 0;            // load flags of the last successful upload (or of the taking)
        int fail_mode = tex_fail_alert; // fail mode given when the entry was taken
        int ref_count = -1;       // dynamic: references held; -1 for manual and free entries
    };

    tman_class();  // empty table, counters and flags 0, lock created
    ~tman_class(); // destroys the lock; GL textures are left to the context
    void reset();  // back to the constructed state, GL textures left alone; for tests

    // ---- counters (lock) ----
    int loaded_texes(); // entries holding an uploaded texture
    int total_texes();  // entries in use
    int tot_vram();     // frame-buffer estimate from mnw plus every entry's vram, bytes
    float scale_rat();  // the factor of mnw.tex_res: 5 -> 1.0 ... 0 -> 0.03125; other -> 1.0

    // ---- failure flags: 0 clear, 1 failed since the reset, 2 muted (no lock) ----
    bool has_scene_load_fail() const { return scene_load_fail == 1; }
    bool has_plane_load_fail() const { return plane_load_fail == 1; }
    bool has_instl_load_fail() const { return instl_load_fail == 1; }
    void mute_scene_load_fail() { scene_load_fail = 2; }
    void mute_plane_load_fail() { plane_load_fail = 2; }
    void mute_instl_load_fail() { instl_load_fail = 2; }
    void reset_scene_load_fail() { scene_load_fail = 0; }
    void reset_plane_load_fail() { plane_load_fail = 0; }
    void reset_instl_load_fail() { instl_load_fail = 0; }

    // ---- loading (lock) ----
    // Loads name under manual_ref, or under a dynamic ref when manual_ref is 0.
    // Returns the ref; 0 for an empty name or a failed manual load (a failed
    // dynamic load still returns its ref, bound as the placeholder). Load time
    // 100 shows "Loading bitmap <name>." first unless the name begins with
    // "scratch_array" or the ref is one of the interface's own. Such a name
    // takes scratch_dx x scratch_dy pixels from scratch_array, at full size, in
    // rows of the texture's width (TEX_stage_builtin lays them so); any other
    // name is looked for as .dds, .png, .bmp (see tex_load.cpp). Fatal alerts:
    // load time outside 100..102, manual_ref outside 0..1131, flags outside
    // 0..0x3fff, colour value 0, sizes outside 1..2048 of a scratch_array picture.
    int load_texture(tex_fail_mode fail_mode, int manual_ref, int flags, tex_load_time load_time,
                     const std::string& name);
    void load_all_scenery_texes(); // loads every deferred entry from async_index on
    void force_load_tex(int ref);  // loads the entry now unless it is loaded; a ref outside the table is ignored

    // ---- asynchronous deferred scenery (no lock; register and finalize on the GL thread) ----
    int load_scenery_async_register(tman_force_finish_obj* finisher); // 1 job registered, 0 nothing left
    void load_scenery_async_work();     // decodes the job's picture; no GL call
    void load_scenery_async_finalize(); // uploads it and clears the job
    int num_remaining_async_texes();    // deferred entries from async_index on (lock)

    // ---- binding (lock) ----
    // Binds the ref's texture on unit (0..7) with the environment mode (0 =
    // GL_MODULATE). A ref outside the table, or one neither loaded nor deferred,
    // binds t_blank_gray; its alert "missing non-scenery texture - how?" is shown
    // once per ref and only logged after that. A deferred ref binds it silently.
    void bind_ref(int ref, int unit, int mode);
    void reset_bind();                          // forgets the bind cache (after a new context); no lock
    void set_blend_level(int unit, float level); // GL_TEXTURE_ENV_COLOR on a unit; no lock

    // ---- giving textures back (lock) ----
    void release_texture(int ref);   // dynamic refs: one reference less; fatal when misused
    void unload_texture(int ref);    // manual refs: unloads now; fatal for a dynamic ref
    void purge_unused_texes();       // unloads every dynamic ref whose count is 0
    void unload_texture_internal(int ref, int unused); // caller holds the lock

    // ---- the pipeline (caller holds the lock) ----
    int load_texture_int(tex_fail_mode fail_mode, int ref, int flags, const std::string& name); // ref or 0
    int load_texture_io(tex_load_vars* vars);                // the pixel source, tex_src_*
    int load_texture_ogl(tex_load_vars* vars, int source);  // the ref, or 0 after a failed load

    // ---- data (read by tests and the drawing layer; written only by the operations above) ----
    int async_index = 0;  // where the deferred-scenery operations go on from
    int num_loaded = 0;   // entries holding an uploaded texture
    int num_total = 0;    // entries in use
    std::vector<ref_dat_struct> ref_dat; // indexed by ref; grows, never shrinks
    int scene_load_fail = 0, plane_load_fail = 0, instl_load_fail = 0; // fail modes 1, 2, 3
    tex_load_vars* async_job = nullptr;  // the pending deferred job (always &async_vars) or null
    int async_result = 0;                // its pixel source
    tman_force_finish_obj* async_finisher = nullptr; // registered with the pending job
    pthread_mutex_t lock;                // recursive; see the operations

    // The ref a name was first loaded under; 0 when it is not known.
    int ref_of_name(const std::string& name) const;

private:
    void grow_to(std::size_t size);
    void place_placeholder(ref_dat_struct& entry);
    void report_failed_load(const tex_load_vars& vars);
    void report_missing_bind(int ref, const std::string& name);

    std::unordered_map<std::string, int> tex_hash; // name -> first ref loaded under it
    std::set<int> missing_alerted;                 // refs whose missing-texture alert was shown
    tex_load_vars async_vars;                      // the one deferred job's record
};

extern tman_class tman;

// Holds a manager's lock for a scope, also when a test's fatal alert throws.
class tman_hold {
public:
    explicit tman_hold(tman_class& t);
    ~tman_hold();
    tman_hold(const tman_hold&) = delete;
    tman_hold& operator=(const tman_hold&) = delete;
    void release(); // lets go early (around a status screen)
    void take();    // takes it again
private:
    tman_class& owner;
    bool held;
};

// ---- size choice and check ----------------------------------------------------------
// Chooses the loaded size (img) and the texture size (tex) of a width x height
// source: the resolution setting and the flags scale files (never above their
// own size); source 1 (scratch_array pictures) always loads at full size; no
// side drops below 1 pixel; sides are halved together until both fit the GL
// maximum. Every size is checked with check_dxy. Returns the scale applied.
float TEX_get_scale(std::string name, int ref, int flags, int width, int height, int* img_dx, int* img_dy,
                    int* tex_dx, int* tex_dy, int source);

// The factor of a texture-resolution level: 5 -> 1.0, 4 -> 0.5 ... 0 -> 0.03125; other -> 1.0.
float TEX_res_scale(int tex_res);

// A value outside 1..2048 is a fatal alert naming the file.
void check_dxy(int value, std::string name);

// 1 for the refs drawn with GL_NEAREST: 388, 415, 421, 422 and 423..438.
int TEX_is_nearest_ref(int ref);
