// gl_calls.h - the one door to OpenGL: every GL call of the drawing layers goes
// through the table `gl`, so that a test can swap in a recorder and check the
// exact calls a routine makes. In production the table holds Mesa's own entry
// points, filled at constant initialisation; a call through it costs one
// indirect jump, as GL's own dispatch already does.
//
// Calls read as GL does with the prefix moved: gl.Enable(GL_BLEND).
// Main thread only (the thread whose GL context is current).
#pragma once

#include <GL/gl.h>

using gl_proc = void (*)(); // an entry point as the platform's proc lookup returns it

// X(result, name, parameter list, argument list): every GL 1.x call the
// program may make, grouped by kind.
#define SKY_GL_CALLS(X) \
    /* state */ \
    X(void, Enable, (GLenum cap), (cap)) \
    X(void, Disable, (GLenum cap), (cap)) \
    X(GLboolean, IsEnabled, (GLenum cap), (cap)) \
    X(void, BlendFunc, (GLenum s, GLenum d), (s, d)) \
    X(void, AlphaFunc, (GLenum func, GLclampf ref), (func, ref)) \
    X(void, DepthFunc, (GLenum func), (func)) \
    X(void, DepthMask, (GLboolean flag), (flag)) \
    X(void, ColorMask, (GLboolean r, GLboolean g, GLboolean b, GLboolean a), (r, g, b, a)) \
    X(void, Fogi, (GLenum pname, GLint v), (pname, v)) \
    X(void, Fogf, (GLenum pname, GLfloat v), (pname, v)) \
    X(void, Fogfv, (GLenum pname, const GLfloat* v), (pname, v)) \
    X(void, Hint, (GLenum target, GLenum mode), (target, mode)) \
    X(void, FrontFace, (GLenum mode), (mode)) \
    X(void, CullFace, (GLenum mode), (mode)) \
    X(void, ShadeModel, (GLenum mode), (mode)) \
    X(void, PolygonMode, (GLenum face, GLenum mode), (face, mode)) \
    X(void, PolygonOffset, (GLfloat factor, GLfloat units), (factor, units)) \
    X(void, PixelStorei, (GLenum pname, GLint v), (pname, v)) \
    X(void, PointSize, (GLfloat size), (size)) \
    X(void, LineWidth, (GLfloat width), (width)) \
    X(void, LineStipple, (GLint factor, GLushort pattern), (factor, pattern)) \
    X(void, StencilFunc, (GLenum func, GLint ref, GLuint mask), (func, ref, mask)) \
    X(void, StencilOp, (GLenum fail, GLenum zfail, GLenum zpass), (fail, zfail, zpass)) \
    X(void, PushAttrib, (GLbitfield mask), (mask)) \
    X(void, PopAttrib, (), ()) \
    /* lighting and materials */ \
    X(void, LightModelfv, (GLenum pname, const GLfloat* v), (pname, v)) \
    X(void, Lightfv, (GLenum light, GLenum pname, const GLfloat* v), (light, pname, v)) \
    X(void, Materialfv, (GLenum face, GLenum pname, const GLfloat* v), (face, pname, v)) \
    X(void, Materiali, (GLenum face, GLenum pname, GLint v), (face, pname, v)) \
    X(void, ColorMaterial, (GLenum face, GLenum mode), (face, mode)) \
    X(void, Lightf, (GLenum light, GLenum pname, GLfloat v), (light, pname, v)) \
    X(void, LightModeli, (GLenum pname, GLint v), (pname, v)) \
    X(void, Materialf, (GLenum face, GLenum pname, GLfloat v), (face, pname, v)) \
    /* queries */ \
    X(const GLubyte*, GetString, (GLenum name), (name)) \
    X(void, GetIntegerv, (GLenum pname, GLint* v), (pname, v)) \
    X(void, GetFloatv, (GLenum pname, GLfloat* v), (pname, v)) \
    X(void, GetDoublev, (GLenum pname, GLdouble* v), (pname, v)) \
    X(void, GetBooleanv, (GLenum pname, GLboolean* v), (pname, v)) \
    X(GLenum, GetError, (), ()) \
    /* matrices, viewport and scissor */ \
    X(void, MatrixMode, (GLenum mode), (mode)) \
    X(void, LoadIdentity, (), ()) \
    X(void, LoadMatrixd, (const GLdouble* m), (m)) \
    X(void, LoadMatrixf, (const GLfloat* m), (m)) \
    X(void, MultMatrixd, (const GLdouble* m), (m)) \
    X(void, PushMatrix, (), ()) \
    X(void, PopMatrix, (), ()) \
    X(void, Ortho, (GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f), (l, r, b, t, n, f)) \
    X(void, Translatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z)) \
    X(void, Rotatef, (GLfloat a, GLfloat x, GLfloat y, GLfloat z), (a, x, y, z)) \
    X(void, Scalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z)) \
    X(void, Viewport, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h)) \
    X(void, Scissor, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h)) \
    /* immediate mode */ \
    X(void, Begin, (GLenum mode), (mode)) \
    X(void, End, (), ()) \
    X(void, EndList, (), ()) \
    X(void, Vertex2f, (GLfloat x, GLfloat y), (x, y)) \
    X(void, Vertex2d, (GLdouble x, GLdouble y), (x, y)) \
    X(void, Vertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z)) \
    X(void, Vertex3d, (GLdouble x, GLdouble y, GLdouble z), (x, y, z)) \
    X(void, TexCoord2f, (GLfloat s, GLfloat t), (s, t)) \
    X(void, MultiTexCoord2fARB, (GLenum unit, GLfloat s, GLfloat t), (unit, s, t)) \
    X(void, Normal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z)) \
    X(void, Color3f, (GLfloat r, GLfloat g, GLfloat b), (r, g, b)) \
    X(void, Color4f, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a)) \
    X(void, Color4ub, (GLubyte r, GLubyte g, GLubyte b, GLubyte a), (r, g, b, a)) \
    X(void, Color3fv, (const GLfloat* v), (v)) \
    X(void, Color4fv, (const GLfloat* v), (v)) \
    X(void, RasterPos2f, (GLfloat x, GLfloat y), (x, y)) \
    X(void, PixelZoom, (GLfloat x, GLfloat y), (x, y)) \
    /* vertex arrays */ \
    X(void, EnableClientState, (GLenum array), (array)) \
    X(void, DisableClientState, (GLenum array), (array)) \
    X(void, ClientActiveTextureARB, (GLenum unit), (unit)) \
    X(void, VertexPointer, (GLint size, GLenum type, GLsizei stride, const void* p), (size, type, stride, p)) \
    X(void, TexCoordPointer, (GLint size, GLenum type, GLsizei stride, const void* p), (size, type, stride, p)) \
    X(void, ColorPointer, (GLint size, GLenum type, GLsizei stride, const void* p), (size, type, stride, p)) \
    X(void, NormalPointer, (GLenum type, GLsizei stride, const void* p), (type, stride, p)) \
    X(void, DrawArrays, (GLenum mode, GLint first, GLsizei count), (mode, first, count)) \
    X(void, DrawElements, (GLenum mode, GLsizei count, GLenum type, const void* indices), \
      (mode, count, type, indices)) \
    /* textures */ \
    X(void, ActiveTextureARB, (GLenum unit), (unit)) \
    X(void, GenTextures, (GLsizei n, GLuint* names), (n, names)) \
    X(void, DeleteTextures, (GLsizei n, const GLuint* names), (n, names)) \
    X(void, BindTexture, (GLenum target, GLuint name), (target, name)) \
    X(GLboolean, IsTexture, (GLuint name), (name)) \
    X(void, TexImage2D, (GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border, \
                         GLenum format, GLenum type, const void* pixels), \
      (target, level, internal, w, h, border, format, type, pixels)) \
    X(void, TexSubImage2D, (GLenum target, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, \
                            GLenum format, GLenum type, const void* pixels), \
      (target, level, x, y, w, h, format, type, pixels)) \
    X(void, CopyTexSubImage2D, (GLenum target, GLint level, GLint xo, GLint yo, GLint x, GLint y, GLsizei w, \
                                GLsizei h), (target, level, xo, yo, x, y, w, h)) \
    X(void, CopyTexImage2D, (GLenum target, GLint level, GLenum internal, GLint x, GLint y, GLsizei w, GLsizei h, \
                             GLint border), (target, level, internal, x, y, w, h, border)) \
    X(void, GetTexImage, (GLenum target, GLint level, GLenum format, GLenum type, void* pixels), \
      (target, level, format, type, pixels)) \
    X(void, TexParameteri, (GLenum target, GLenum pname, GLint v), (target, pname, v)) \
    X(void, GetTexParameteriv, (GLenum target, GLenum pname, GLint* v), (target, pname, v)) \
    X(void, TexGeni, (GLenum coord, GLenum pname, GLint v), (coord, pname, v)) \
    X(void, TexGenfv, (GLenum coord, GLenum pname, const GLfloat* v), (coord, pname, v)) \
    X(void, TexParameterf, (GLenum target, GLenum pname, GLfloat v), (target, pname, v)) \
    X(void, TexParameterfv, (GLenum target, GLenum pname, const GLfloat* v), (target, pname, v)) \
    X(void, TexEnvi, (GLenum target, GLenum pname, GLint v), (target, pname, v)) \
    X(void, TexEnvf, (GLenum target, GLenum pname, GLfloat v), (target, pname, v)) \
    X(void, TexEnvfv, (GLenum target, GLenum pname, const GLfloat* v), (target, pname, v)) \
    X(void, GetTexLevelParameteriv, (GLenum target, GLint level, GLenum pname, GLint* v), \
      (target, level, pname, v)) \
    /* frame buffer */ \
    X(void, Clear, (GLbitfield mask), (mask)) \
    X(void, ClearColor, (GLclampf r, GLclampf g, GLclampf b, GLclampf a), (r, g, b, a)) \
    X(void, ClearDepth, (GLclampd d), (d)) \
    X(void, ClearStencil, (GLint s), (s)) \
    X(void, ReadBuffer, (GLenum mode), (mode)) \
    X(void, DrawBuffer, (GLenum mode), (mode)) \
    X(void, ReadPixels, (GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void* pixels), \
      (x, y, w, h, format, type, pixels)) \
    X(void, DrawPixels, (GLsizei w, GLsizei h, GLenum format, GLenum type, const void* pixels), \
      (w, h, format, type, pixels)) \
    X(void, Flush, (), ()) \
    X(void, Finish, (), ())

struct gl_call_table {
#define SKY_GL_FIELD(result, name, params, args) result(GLAPIENTRY* name) params;
    SKY_GL_CALLS(SKY_GL_FIELD)
#undef SKY_GL_FIELD
    // Extension entry points by name (glXGetProcAddressARB); null when missing.
    gl_proc (*GetProcAddress)(const char* name);
};

extern gl_call_table gl;             // the table every GL call goes through
extern const gl_call_table gl_mesa;  // the real entry points, to put back after a test

// The platform's entry-point lookup (X11/GLX file); null when the library has none.
gl_proc LIN_get_proc_address(const char* name);
