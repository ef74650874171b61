// gl_recorder.h - a fake GL behind the call table, for tests without a window.
//
// While a gl_recorder lives, every call through `gl` is appended to calls()
// as its name and numeric arguments (pointer arguments record as 0), and the
// fake answers the way GL would from a little state of its own:
//   - glEnable/glDisable switch caps that glIsEnabled reports; GL_TEXTURE_2D
//     is kept per texture unit, following glActiveTextureARB;
//   - glGetString answers from strings (null when not set);
//   - glGetIntegerv/glGetFloatv/glGetDoublev answer from values (untouched
//     output when not set); glGetDoublev(GL_MODELVIEW_MATRIX) also gives the
//     last matrix loaded in model-view mode;
//   - the entry-point lookup asks proc_lookup (null when not set).
// Header-only, so that any test program linking the graphics library can use it.
#pragma once

#include "graphics/gl_calls.h"

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

struct gl_call {
    std::string name;         // "glEnable"
    std::vector<double> args; // numbers as passed; pointers as 0
    bool operator==(const gl_call& o) const { return name == o.name && args == o.args; }
};

inline void PrintTo(const gl_call& c, std::ostream* os)
{
    *os << c.name << "(";
    for (size_t i = 0; i < c.args.size(); ++i) {
        char buf[32];
        const double v = c.args[i];
        // GL enums read best in hex, other numbers as they are.
        if (v >= 0x100 && v == static_cast<double>(static_cast<long long>(v)))
            std::snprintf(buf, sizeof buf, "0x%llx", static_cast<long long>(v));
        else
            std::snprintf(buf, sizeof buf, "%g", v);
        *os << (i ? ", " : "") << buf;
    }
    *os << ")";
}

// gl_call_of("glEnable", GL_BLEND): an expected call, spelled as the code spells it.
template <class... A>
gl_call gl_call_of(const char* name, A... args)
{
    return {name, {static_cast<double>(args)...}};
}

class gl_recorder {
public:
    std::vector<gl_call> calls;
    std::map<GLenum, const char*> strings;          // glGetString answers
    std::map<GLenum, std::vector<double>> values;   // glGet*v answers
    std::function<gl_proc(const char*)> proc_lookup; // entry points by name
    std::set<unsigned long> enabled;                 // caps on (see cap_key)
    GLenum active_unit = GL_TEXTURE0_ARB;
    GLenum matrix_mode = GL_MODELVIEW;
    std::vector<double> modelview = std::vector<double>(16, 0.0);

    gl_recorder() : saved(gl)
    {
        current() = this;
        fill_recording_table();
    }
    ~gl_recorder()
    {
        gl = saved;
        current() = nullptr;
    }
    gl_recorder(const gl_recorder&) = delete;
    gl_recorder& operator=(const gl_recorder&) = delete;

    // The recorded calls with one of the given names, in order.
    std::vector<gl_call> named(std::initializer_list<const char*> names) const
    {
        std::vector<gl_call> out;
        for (const gl_call& c : calls)
            for (const char* n : names)
                if (c.name == n) out.push_back(c);
        return out;
    }
    int count(const char* name) const { return static_cast<int>(named({name}).size()); }
    bool is_on(GLenum cap) const { return enabled.count(cap_key(cap)) != 0; }
    bool is_on_unit(GLenum cap, int unit) const { return enabled.count(cap_key_unit(cap, unit)) != 0; }

    static gl_recorder*& current()
    {
        static gl_recorder* rec = nullptr;
        return rec;
    }

private:
    gl_call_table saved;

    unsigned long cap_key_unit(GLenum cap, int unit) const
    {
        return cap == GL_TEXTURE_2D ? cap + 0x100000UL * static_cast<unsigned long>(unit) : cap;
    }
    unsigned long cap_key(GLenum cap) const
    {
        return cap_key_unit(cap, static_cast<int>(active_unit - GL_TEXTURE0_ARB));
    }

    template <class T>
    static double as_number(T v)
    {
        if constexpr (std::is_pointer_v<T>)
            return 0.0;
        else
            return static_cast<double>(v);
    }

    template <int I, class F>
    struct recorder_of;
    template <int I, class R, class... A>
    struct recorder_of<I, R(A...)> {
        static R GLAPIENTRY call(A... a)
        {
            current()->calls.push_back({names()[I], {as_number(a)...}});
            if constexpr (!std::is_void_v<R>) return R();
        }
    };

    enum call_id {
#define SKY_GL_ID(result, name, params, args) id_##name,
        SKY_GL_CALLS(SKY_GL_ID)
#undef SKY_GL_ID
    };
    static const char* const* names()
    {
#define SKY_GL_NAME(result, name, params, args) "gl" #name,
        static const char* const list[] = {SKY_GL_CALLS(SKY_GL_NAME)};
#undef SKY_GL_NAME
        return list;
    }

    static void log(const char* name, std::vector<double> args) { current()->calls.push_back({name, std::move(args)}); }

    template <class T>
    static void answer(GLenum pname, T* out)
    {
        gl_recorder& r = *current();
        if (pname == GL_MODELVIEW_MATRIX && !r.values.count(pname))
            for (int i = 0; i < 16; ++i) out[i] = static_cast<T>(r.modelview[i]);
        const auto it = r.values.find(pname);
        if (it == r.values.end()) return;
        for (size_t i = 0; i < it->second.size(); ++i) out[i] = static_cast<T>(it->second[i]);
    }

    void fill_recording_table()
    {
#define SKY_GL_RECORD(result, name, params, args) \
    gl.name = &recorder_of<id_##name, std::remove_pointer_t<decltype(gl.name)>>::call;
        SKY_GL_CALLS(SKY_GL_RECORD)
#undef SKY_GL_RECORD
        gl.Enable = [](GLenum cap) {
            log("glEnable", {double(cap)});
            current()->enabled.insert(current()->cap_key(cap));
        };
        gl.Disable = [](GLenum cap) {
            log("glDisable", {double(cap)});
            current()->enabled.erase(current()->cap_key(cap));
        };
        gl.IsEnabled = [](GLenum cap) -> GLboolean {
            log("glIsEnabled", {double(cap)});
            return current()->is_on(cap) ? GL_TRUE : GL_FALSE;
        };
        gl.ActiveTextureARB = [](GLenum unit) {
            log("glActiveTextureARB", {double(unit)});
            current()->active_unit = unit;
        };
        gl.MatrixMode = [](GLenum mode) {
            log("glMatrixMode", {double(mode)});
            current()->matrix_mode = mode;
        };
        gl.LoadMatrixd = [](const GLdouble* m) {
            log("glLoadMatrixd", {0.0});
            if (current()->matrix_mode == GL_MODELVIEW) current()->modelview.assign(m, m + 16);
        };
        gl.GetString = [](GLenum name) -> const GLubyte* {
            log("glGetString", {double(name)});
            const auto it = current()->strings.find(name);
            return reinterpret_cast<const GLubyte*>(it == current()->strings.end() ? nullptr : it->second);
        };
        gl.GetIntegerv = [](GLenum pname, GLint* out) {
            log("glGetIntegerv", {double(pname), 0.0});
            answer(pname, out);
        };
        gl.GetFloatv = [](GLenum pname, GLfloat* out) {
            log("glGetFloatv", {double(pname), 0.0});
            answer(pname, out);
        };
        gl.GetDoublev = [](GLenum pname, GLdouble* out) {
            log("glGetDoublev", {double(pname), 0.0});
            answer(pname, out);
        };
        gl.GetProcAddress = [](const char* name) -> gl_proc {
            return current()->proc_lookup ? current()->proc_lookup(name) : nullptr;
        };
    }
};
