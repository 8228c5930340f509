// gl_functions.h -- the OpenGL 3.3 core entry points the hardware device uses, loaded by name
// from the driver when its context is made, so that the game links against no GL library.
#pragma once

#include <SDL_opengl.h>

// Each entry: result type, name without its "gl" prefix, parameter list.
#define GL_DEVICE_FUNCTIONS(X)                                                                   \
    X(GLenum, GetError, (void))                                                                \
    X(void, GetIntegerv, (GLenum, GLint *))                                                    \
    X(void, Enable, (GLenum))                                                                  \
    X(void, Disable, (GLenum))                                                                 \
    X(void, Viewport, (GLint, GLint, GLsizei, GLsizei))                                        \
    X(void, Scissor, (GLint, GLint, GLsizei, GLsizei))                                         \
    X(void, ClearColor, (GLfloat, GLfloat, GLfloat, GLfloat))                                  \
    X(void, ClearDepth, (GLdouble))                                                            \
    X(void, Clear, (GLbitfield))                                                               \
    X(void, DepthFunc, (GLenum))                                                               \
    X(void, DepthMask, (GLboolean))                                                            \
    X(void, ColorMask, (GLboolean, GLboolean, GLboolean, GLboolean))                           \
    X(void, BlendFunc, (GLenum, GLenum))                                                       \
    X(void, LineWidth, (GLfloat))                                                              \
    X(void, PixelStorei, (GLenum, GLint))                                                      \
    X(void, ReadPixels, (GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void *))              \
    X(void, Finish, (void))                                                                    \
    X(void, GenTextures, (GLsizei, GLuint *))                                                  \
    X(void, DeleteTextures, (GLsizei, const GLuint *))                                         \
    X(void, BindTexture, (GLenum, GLuint))                                                     \
    X(void, TexImage2D, (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,        \
                         const void *))                                                        \
    X(void, TexSubImage2D, (GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum,     \
                            const void *))                                                     \
    X(void, TexParameteri, (GLenum, GLenum, GLint))                                            \
    X(void, GenFramebuffers, (GLsizei, GLuint *))                                              \
    X(void, DeleteFramebuffers, (GLsizei, const GLuint *))                                     \
    X(void, BindFramebuffer, (GLenum, GLuint))                                                 \
    X(void, FramebufferTexture2D, (GLenum, GLenum, GLenum, GLuint, GLint))                     \
    X(void, FramebufferRenderbuffer, (GLenum, GLenum, GLenum, GLuint))                         \
    X(GLenum, CheckFramebufferStatus, (GLenum))                                                \
    X(void, BlitFramebuffer, (GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint,          \
                              GLbitfield, GLenum))                                             \
    X(void, GenRenderbuffers, (GLsizei, GLuint *))                                             \
    X(void, DeleteRenderbuffers, (GLsizei, const GLuint *))                                    \
    X(void, BindRenderbuffer, (GLenum, GLuint))                                                \
    X(void, RenderbufferStorage, (GLenum, GLenum, GLsizei, GLsizei))                           \
    X(void, GenVertexArrays, (GLsizei, GLuint *))                                              \
    X(void, DeleteVertexArrays, (GLsizei, const GLuint *))                                     \
    X(void, BindVertexArray, (GLuint))                                                         \
    X(void, GenBuffers, (GLsizei, GLuint *))                                                   \
    X(void, DeleteBuffers, (GLsizei, const GLuint *))                                          \
    X(void, BindBuffer, (GLenum, GLuint))                                                      \
    X(void, BufferData, (GLenum, GLsizeiptr, const void *, GLenum))                            \
    X(void, VertexAttribPointer, (GLuint, GLint, GLenum, GLboolean, GLsizei, const void *))    \
    X(void, EnableVertexAttribArray, (GLuint))                                                 \
    X(GLuint, CreateShader, (GLenum))                                                          \
    X(void, ShaderSource, (GLuint, GLsizei, const GLchar *const *, const GLint *))             \
    X(void, CompileShader, (GLuint))                                                           \
    X(void, GetShaderiv, (GLuint, GLenum, GLint *))                                            \
    X(void, DeleteShader, (GLuint))                                                            \
    X(GLuint, CreateProgram, (void))                                                           \
    X(void, AttachShader, (GLuint, GLuint))                                                    \
    X(void, LinkProgram, (GLuint))                                                             \
    X(void, GetProgramiv, (GLuint, GLenum, GLint *))                                           \
    X(void, UseProgram, (GLuint))                                                              \
    X(void, DeleteProgram, (GLuint))                                                           \
    X(GLint, GetUniformLocation, (GLuint, const GLchar *))                                     \
    X(void, Uniform1i, (GLint, GLint))                                                         \
    X(void, Uniform4f, (GLint, GLfloat, GLfloat, GLfloat, GLfloat))                            \
    X(void, DrawArrays, (GLenum, GLint, GLsizei))

struct GlFunctions {
#define GL_DEVICE_POINTER(result, name, params) result(APIENTRY *name) params;
    GL_DEVICE_FUNCTIONS(GL_DEVICE_POINTER)
#undef GL_DEVICE_POINTER
};

// Fills every entry from the current context; 0 when the driver lacks one of them.
int GlFunctions_Load(GlFunctions *gl);
