// gl_renderer.cpp -- the hardware device's OpenGL 3.3 core renderer: the context and program, the
// two pages as framebuffers on the card at the size the game is shown on screen (sharing one
// 16-bit depth buffer), polygons batched into the back page, a cache of what the card was last
// told, the page lock and read-back, and the flip that shows a page in the middle of the window.
// Polygons are drawn with the pixel centres, depth range and colour rules of the software device,
// so both show the same picture.
#include "graphics/device/gl/gl_renderer.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/device/gl/gl_device.h"
#include "graphics/device/letterbox.h"
#include "graphics/device/png_write.h"
#include "graphics/device/rgb565.h"

namespace {

// The vertex shader, after its version line and the screen's size (VertexShader).
const char *const VERTEX_SHADER = R"(
// Pixel centres sit on whole device pixels of the 640 x 480 screen, rows counting down from the
// top; the page's first row is the screen's top row. Depth goes from 0 to 1 as the game gives it,
// and w = 1 / rhw makes texture coordinates perspective-correct. Colour goes straight across the
// screen, as on the software device: interpolated times w and divided by w interpolated, which
// undoes the perspective correction (and survives clipping on every driver).
// A flat-shaded polygon is coloured all over by its first vertex, whose colour every vertex of
// it carries.
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 texCoord;
layout(location = 3) in vec4 firstColour;
out vec4 shadeTimesW;
out float w;
out vec2 uv;
flat out vec4 flatColour;
void main()
{
    w = position.w > 0.0 ? 1.0 / position.w : 1.0;
    vec2 ndc = (position.xy + 0.5) * vec2(2.0 / SCREEN_WIDTH, 2.0 / SCREEN_HEIGHT) - 1.0;
    gl_Position = vec4(ndc * w, (position.z * 2.0 - 1.0) * w, w);
    shadeTimesW = colour * w;
    uv = texCoord;
    flatColour = firstColour;
}
)";

const char *const FRAGMENT_SHADER = R"(#version 330 core
// The texel lights up by the colour; a texture with alpha brings its own, one without keeps the
// vertex's. With the colour key on, black texels are holes.
uniform sampler2D picture;
uniform int textured;
uniform int textureAlpha;
uniform int colourKey;
uniform int gouraud;
in vec4 shadeTimesW;
in float w;
in vec2 uv;
flat in vec4 flatColour;
out vec4 pixel;
void main()
{
    vec4 c = gouraud != 0 ? shadeTimesW / w : flatColour;
    if (textured != 0) {
        vec4 t = texture(picture, uv);
        if (colourKey != 0 && max(t.r, max(t.g, t.b)) < 0.5 / 31.0)
            discard;
        c.rgb *= t.rgb;
        if (textureAlpha != 0)
            c.a = t.a;
    }
    pixel = c;
}
)";

// A device vertex as the card is sent it, with the colour of its polygon's first vertex.
struct BatchVertex {
    TLVertex v;
    uint32_t firstColour;
};

// The most vertices sent in one draw.
enum { BATCH_VERTICES = 3 * 4096 };

// The context and everything drawn with it; there while a 3-D device lives.
struct Renderer {
    SDL_Window *window = nullptr;
    SDL_GLContext context = nullptr;
    GlFunctions gl = {};
    GLuint program = 0, vertexArray = 0, vertexBuffer = 0;
    GLint uniformTextured = -1, uniformTextureAlpha = -1, uniformColourKey = -1;
    GLint uniformGouraud = -1;
    // The two pages and their depth buffer, at pageWidth x pageHeight device pixels.
    GLuint pageTexture[2] = {}, pageFramebuffer[2] = {}, depthBuffer = 0;
    int back = 0;                       // which of the two is the back page
    // A page known to be all black (made, or filled black, and nothing drawn or put on it since)
    // locks without being read back: the title's lock would otherwise be the first frame's
    // longest step on a software driver, which builds its copying code on first use.
    bool black[2] = {};
    int pageWidth = 0, pageHeight = 0;
    // A 640 x 480 picture of the screen, through which the back buffer is locked: there only
    // from a lock to its unlock (the title's picture), so that its memory and the lock's copies
    // are given back before the title's first frame.
    GLuint screenTexture = 0, screenFramebuffer = 0;
    std::vector<uint16_t> locked, lockedAsRead;
    // What the card was last told, so that a draw sends only what changed. -1: not yet told.
    int boundFramebuffer = -1, blend = -1, blendSource = -1, blendDestination = -1;
    int depthTest = -1, depthFunction = -1, depthWrite = -1;
    int textured = -1, textureAlpha = -1, colourKey = -1, gouraud = -1;
    GLuint boundTexture = 0;
    // Polygons drawn since the last change of state, waiting to go to the card in one draw: a
    // call per polygon costs a software driver more than the pixels of most polygons. Anything
    // that changes what the card is told, reads or writes a page, or shows one draws them first.
    std::vector<BatchVertex> batch;
};

Renderer *renderer = nullptr;
unsigned generation = 0;                // counts contexts, so textures know theirs
bool displayLost = false;               // the window system's connection is dead

// The vertex shader's source, given the screen's size as the game has it.
std::string VertexShader()
{
    return "#version 330 core\n#define SCREEN_WIDTH " + std::to_string(SCREEN_WIDTH) +
           ".0\n#define SCREEN_HEIGHT " + std::to_string(SCREEN_HEIGHT) + ".0\n" + VERTEX_SHADER;
}

GLuint CompileShader(const GlFunctions &gl, GLenum kind, const char *source)
{
    GLuint shader = gl.CreateShader(kind);
    gl.ShaderSource(shader, 1, &source, nullptr);
    gl.CompileShader(shader);
    GLint ok = 0;
    gl.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        gl.DeleteShader(shader);
        return 0;
    }
    return shader;
}

bool MakeProgram(Renderer &r)
{
    const GlFunctions &gl = r.gl;
    GLuint vertex = CompileShader(gl, GL_VERTEX_SHADER, VertexShader().c_str());
    GLuint fragment = CompileShader(gl, GL_FRAGMENT_SHADER, FRAGMENT_SHADER);
    if (vertex && fragment) {
        r.program = gl.CreateProgram();
        gl.AttachShader(r.program, vertex);
        gl.AttachShader(r.program, fragment);
        gl.LinkProgram(r.program);
    }
    if (vertex)
        gl.DeleteShader(vertex);
    if (fragment)
        gl.DeleteShader(fragment);
    GLint linked = 0;
    if (r.program)
        gl.GetProgramiv(r.program, GL_LINK_STATUS, &linked);
    if (!linked)
        return false;
    gl.UseProgram(r.program);
    gl.Uniform1i(gl.GetUniformLocation(r.program, "picture"), 0);
    r.uniformTextured = gl.GetUniformLocation(r.program, "textured");
    r.uniformTextureAlpha = gl.GetUniformLocation(r.program, "textureAlpha");
    r.uniformColourKey = gl.GetUniformLocation(r.program, "colourKey");
    r.uniformGouraud = gl.GetUniformLocation(r.program, "gouraud");

    // One vertex buffer, refilled by every draw with the device vertices as they are.
    gl.GenVertexArrays(1, &r.vertexArray);
    gl.BindVertexArray(r.vertexArray);
    gl.GenBuffers(1, &r.vertexBuffer);
    gl.BindBuffer(GL_ARRAY_BUFFER, r.vertexBuffer);
    const GLsizei stride = sizeof(BatchVertex);
    gl.VertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, (void *)offsetof(TLVertex, sx));
    gl.VertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                           (void *)offsetof(TLVertex, color));
    gl.VertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, (void *)offsetof(TLVertex, tu));
    gl.VertexAttribPointer(3, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                           (void *)offsetof(BatchVertex, firstColour));
    r.batch.reserve(BATCH_VERTICES);
    for (GLuint i = 0; i < 4; i++)
        gl.EnableVertexAttribArray(i);
    return gl.GetError() == GL_NO_ERROR;
}

// A colour picture for a framebuffer: 8 bits a channel, laid out as the window's own pixels
// (blue, green, red, alpha), so that a driver drawing in memory shows a page with a straight copy
// instead of a drawing pass. Alpha is set to 1 when a page is made and never written after (see
// ColorMask), so that the blend modes see an opaque screen as the 16-bit one was.
GLuint MakeColourTexture(const GlFunctions &gl, int width, int height)
{
    GLuint texture;
    gl.GenTextures(1, &texture);
    gl.BindTexture(GL_TEXTURE_2D, texture);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    return texture;
}

bool AttachColour(const GlFunctions &gl, GLuint framebuffer, GLuint texture, GLuint depth)
{
    gl.BindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    if (depth)
        gl.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    return gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// Fills the bound framebuffer's colour with an opaque colour. All four channels are written, as
// alpha is 1 wherever it is kept: a clear that leaves a channel alone is drawn as a polygon by a
// software driver, which builds drawing code for it on first use and pays for every pixel after.
void ClearColour(const GlFunctions &gl, float red, float green, float blue)
{
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl.ClearColor(red, green, blue, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
}

// Gives back the screen picture and the lock's copies of it.
void DropScreenPicture(Renderer &r)
{
    r.gl.DeleteFramebuffers(1, &r.screenFramebuffer);
    r.gl.DeleteTextures(1, &r.screenTexture);
    if (r.boundTexture == r.screenTexture)
        r.boundTexture = 0;
    r.screenFramebuffer = r.screenTexture = 0;
    r.boundFramebuffer = -1;
    std::vector<uint16_t>().swap(r.locked);
    std::vector<uint16_t>().swap(r.lockedAsRead);
}

// Makes the screen picture if it is not there; false when the driver cannot.
bool MakeScreenPicture(Renderer &r)
{
    if (r.screenFramebuffer)
        return true;
    const GlFunctions &gl = r.gl;
    r.screenTexture = MakeColourTexture(gl, SCREEN_WIDTH, SCREEN_HEIGHT);
    r.boundTexture = r.screenTexture;
    gl.GenFramebuffers(1, &r.screenFramebuffer);
    r.boundFramebuffer = -1;
    if (!AttachColour(gl, r.screenFramebuffer, r.screenTexture, 0)) {
        DropScreenPicture(r);
        return false;
    }
    return true;
}

void DeletePages(Renderer &r)
{
    const GlFunctions &gl = r.gl;
    gl.DeleteFramebuffers(2, r.pageFramebuffer);
    gl.DeleteTextures(2, r.pageTexture);
    gl.DeleteRenderbuffers(1, &r.depthBuffer);
    memset(r.pageFramebuffer, 0, sizeof r.pageFramebuffer);
    memset(r.pageTexture, 0, sizeof r.pageTexture);
    r.depthBuffer = 0;
    r.boundFramebuffer = -1;
}

// Makes the two pages at width x height; what the old pages showed is carried over, scaled.
bool MakePages(Renderer &r, int width, int height)
{
    const GlFunctions &gl = r.gl;
    GLuint texture[2], framebuffer[2], depth;
    gl.GenRenderbuffers(1, &depth);
    gl.BindRenderbuffer(GL_RENDERBUFFER, depth);
    gl.RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    gl.GenFramebuffers(2, framebuffer);
    bool complete = true;
    for (int i = 0; i < 2; i++) {
        texture[i] = MakeColourTexture(gl, width, height);
        complete = AttachColour(gl, framebuffer[i], texture[i], depth) && complete;
        gl.Disable(GL_SCISSOR_TEST);
        gl.DepthMask(GL_TRUE);
        gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        gl.ClearColor(0, 0, 0, 1);
        gl.ClearDepth(1.0);
        gl.Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
        if (r.pageFramebuffer[i]) {
            gl.BindFramebuffer(GL_READ_FRAMEBUFFER, r.pageFramebuffer[i]);
            gl.BlitFramebuffer(0, 0, r.pageWidth, r.pageHeight, 0, 0, width, height,
                               GL_COLOR_BUFFER_BIT, GL_LINEAR);
        }
    }
    r.depthWrite = -1;
    for (int i = 0; i < 2; i++)
        r.black[i] = !r.pageFramebuffer[i] || r.black[i];   // a page made anew keeps its picture
    DeletePages(r);
    memcpy(r.pageTexture, texture, sizeof texture);
    memcpy(r.pageFramebuffer, framebuffer, sizeof framebuffer);
    r.depthBuffer = depth;
    r.pageWidth = width;
    r.pageHeight = height;
    return complete && gl.GetError() == GL_NO_ERROR;
}


// Draws the waiting vertices, in the order they came: triangles, or one line strip.
void DrawBatch(Renderer &r, GLenum mode = GL_TRIANGLES)
{
    if (r.batch.empty())
        return;
    r.gl.BufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(r.batch.size() * sizeof(BatchVertex)),
                    r.batch.data(), GL_STREAM_DRAW);
    r.gl.DrawArrays(mode, 0, (GLsizei)r.batch.size());
    r.batch.clear();
}

void BindFramebuffer(Renderer &r, int page)
{
    if (r.boundFramebuffer != page) {
        r.gl.BindFramebuffer(GL_FRAMEBUFFER, r.pageFramebuffer[page]);
        r.gl.Viewport(0, 0, r.pageWidth, r.pageHeight);
        r.boundFramebuffer = page;
    }
}

int PageIndex(const Renderer &r, PageRole role)
{
    return role == BACK_PAGE ? r.back : 1 - r.back;
}

// Follows the window: when its drawable has changed size, the pages are made again to fit.
void FitPages(Renderer &r, int *drawableWidth, int *drawableHeight, int *x, int *y)
{
    SDL_GL_GetDrawableSize(r.window, drawableWidth, drawableHeight);
    const ScreenArea area =
        Letterbox(*drawableWidth, *drawableHeight, SCREEN_WIDTH, SCREEN_HEIGHT);
    *x = area.x, *y = area.y;
    if (area.width != r.pageWidth || area.height != r.pageHeight)
        MakePages(r, area.width, area.height);
}

// Shows a page in the middle of the window, black around it.
void Present(Renderer &r, int page)
{
    const GlFunctions &gl = r.gl;
    DrawBatch(r);
    int drawableWidth, drawableHeight, x, y;
    FitPages(r, &drawableWidth, &drawableHeight, &x, &y);
    gl.Disable(GL_SCISSOR_TEST);
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    gl.Viewport(0, 0, drawableWidth, drawableHeight);
    if (r.pageWidth < drawableWidth || r.pageHeight < drawableHeight)
        ClearColour(gl, 0, 0, 0);
    // The page's first row is the screen's top row; the window's first row is its bottom one.
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, r.pageFramebuffer[page]);
    gl.BlitFramebuffer(0, 0, r.pageWidth, r.pageHeight, x, y + r.pageHeight, x + r.pageWidth, y,
                       GL_COLOR_BUFFER_BIT, GL_NEAREST);
    r.boundFramebuffer = -1;
    SDL_GL_SwapWindow(r.window);
}

GLenum BlendFactor(uint32_t d3dBlend)
{
    static const GLenum FACTORS[] = {
        GL_ONE, GL_ZERO, GL_ONE, GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR, GL_SRC_ALPHA,
        GL_ONE_MINUS_SRC_ALPHA, GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA, GL_DST_COLOR,
        GL_ONE_MINUS_DST_COLOR, GL_SRC_ALPHA_SATURATE,
    };
    return d3dBlend < sizeof FACTORS / sizeof FACTORS[0] ? FACTORS[d3dBlend] : GL_ONE;
}

// Texture filters by their device codes: nearest, linear, then the mip-mapped ones (nearest or
// linear within a level, nearest or blended between levels).
GLint MinFilter(uint32_t filter)
{
    switch (filter) {
    case 1: return GL_NEAREST;
    case 3: return GL_NEAREST_MIPMAP_NEAREST;
    case 4: return GL_LINEAR_MIPMAP_NEAREST;
    case 5: return GL_NEAREST_MIPMAP_LINEAR;
    case 6: return GL_LINEAR_MIPMAP_LINEAR;
    }
    return GL_LINEAR;
}

GLint MagFilter(uint32_t filter)
{
    return filter == 1 || filter == 3 || filter == 5 ? GL_NEAREST : GL_LINEAR;
}

GLint Wrap(uint32_t address)
{
    return address == 2 ? GL_MIRRORED_REPEAT : address == 3 ? GL_CLAMP_TO_EDGE : GL_REPEAT;
}

// Tells the card a new value of one of its states, drawing first what waits under the old one.
template <typename T, typename Send> void Update(Renderer &r, T *told, T value, Send send)
{
    if (*told != value) {
        DrawBatch(r);
        *told = value;
        send(value);
    }
}

void ApplyStates(Renderer &r, const uint32_t *s, GlTexture *texture, bool alpha, bool keyed)
{
    const GlFunctions &gl = r.gl;
    Update(r, &r.blend, s[D3DRS_ALPHABLENDENABLE] ? 1 : 0,
           [&](int on) { on ? gl.Enable(GL_BLEND) : gl.Disable(GL_BLEND); });
    if (r.blend) {
        int source = (int)BlendFactor(s[D3DRS_SRCBLEND]), destination = (int)BlendFactor(s[D3DRS_DESTBLEND]);
        if (source != r.blendSource || destination != r.blendDestination) {
            DrawBatch(r);
            gl.BlendFunc(source, destination);
            r.blendSource = source;
            r.blendDestination = destination;
        }
    }
    Update(r, &r.depthTest, s[D3DRS_ZENABLE] ? 1 : 0,
           [&](int on) { on ? gl.Enable(GL_DEPTH_TEST) : gl.Disable(GL_DEPTH_TEST); });
    uint32_t zfunc = s[D3DRS_ZFUNC] >= 1 && s[D3DRS_ZFUNC] <= 8 ? s[D3DRS_ZFUNC] : (uint32_t)D3DCMP_LESSEQUAL;
    Update(r, &r.depthFunction, (int)(GL_NEVER + zfunc - 1), [&](int f) { gl.DepthFunc(f); });
    Update(r, &r.depthWrite, s[D3DRS_ZWRITEENABLE] ? 1 : 0, [&](int on) { gl.DepthMask(on ? GL_TRUE : GL_FALSE); });

    if (texture && (!texture->name || texture->madeIn != generation))
        texture = nullptr;
    Update(r, &r.textured, texture ? 1 : 0, [&](int on) { gl.Uniform1i(r.uniformTextured, on); });
    if (texture) {
        if (r.boundTexture != texture->name) {
            DrawBatch(r);
            gl.BindTexture(GL_TEXTURE_2D, texture->name);
            r.boundTexture = texture->name;
        }
        Update(r, &texture->minFilter, MinFilter(s[D3DRS_TEXTUREMIN]),
               [&](GLint f) { gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, f); });
        Update(r, &texture->magFilter, MagFilter(s[D3DRS_TEXTUREMAG]),
               [&](GLint f) { gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, f); });
        Update(r, &texture->wrapS, Wrap(s[D3DRS_TEXTUREADDRESSU]),
               [&](GLint w) { gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, w); });
        Update(r, &texture->wrapT, Wrap(s[D3DRS_TEXTUREADDRESSV]),
               [&](GLint w) { gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, w); });
        Update(r, &r.textureAlpha, alpha ? 1 : 0,
               [&](int on) { gl.Uniform1i(r.uniformTextureAlpha, on); });
        Update(r, &r.colourKey, s[D3DRS_COLORKEYENABLE] && keyed ? 1 : 0,
               [&](int on) { gl.Uniform1i(r.uniformColourKey, on); });
    }
    // Flat shading gives the whole primitive its first vertex's colour.
    Update(r, &r.gouraud, s[D3DRS_SHADEMODE] == D3DSHADE_GOURAUD ? 1 : 0,
           [&](int on) { gl.Uniform1i(r.uniformGouraud, on); });
}

}  // namespace

void GlRenderer_Destroy()
{
    if (!renderer)
        return;
    Renderer &r = *renderer;
    if (r.context && !displayLost) {
        SDL_GL_MakeCurrent(r.window, r.context);
        if (r.gl.DeleteProgram) {
            DeletePages(r);
            DropScreenPicture(r);
            r.gl.DeleteBuffers(1, &r.vertexBuffer);
            r.gl.DeleteVertexArrays(1, &r.vertexArray);
            r.gl.DeleteProgram(r.program);
        }
        SDL_GL_MakeCurrent(r.window, nullptr);
        SDL_GL_DeleteContext(r.context);
    }
    delete renderer;
    renderer = nullptr;
}

// The context, the program and the pages, or nothing at all.
bool GlRenderer_Create(SDL_Window *window)
{
    if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL))
        return false;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    renderer = new Renderer;
    renderer->window = window;
    renderer->context = SDL_GL_CreateContext(window);
    SDL_GL_ResetAttributes();   // a renderer made later on this window wants the defaults
    generation++;
    Renderer &r = *renderer;
    if (!r.context || SDL_GL_MakeCurrent(window, r.context) != 0 || !GlFunctions_Load(&r.gl) ||
        !MakeProgram(r)) {
        GlRenderer_Destroy();
        return false;
    }
    const GlFunctions &gl = r.gl;
    int drawableWidth, drawableHeight;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    const ScreenArea area = Letterbox(drawableWidth, drawableHeight, SCREEN_WIDTH, SCREEN_HEIGHT);
    const int width = area.width, height = area.height;
    if (!MakePages(r, width, height)) {
        GlRenderer_Destroy();
        return false;
    }
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 2);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.Enable(GL_DEPTH_CLAMP);  // depth is held at the near and far ends, never cut
    // Lines one screen pixel thick at any size the picture is shown.
    gl.LineWidth((float)std::max(1, (height + SCREEN_HEIGHT / 2) / SCREEN_HEIGHT));
    SDL_GL_SetSwapInterval(1);  // a flip waits for the vertical blank
    return true;
}

bool GlRenderer_Running()
{
    return renderer != nullptr;
}

GlTexture::~GlTexture()
{
    if (name && renderer && madeIn == generation && !displayLost)
        renderer->gl.DeleteTextures(1, &name);
}

bool GlRenderer_Upload(GlTexture *texture, const GfxPixelFormat &format, const GlTextureLevel *levels,
                       int count)
{
    Renderer &r = *renderer;
    const GlFunctions &gl = r.gl;
    DrawBatch(r);
    const bool alpha = format.alphaMask == 0x8000;
    if (!alpha && format.greenMask != 0x07E0)
        return false;   // only the two formats offered
    if (!texture->name || texture->madeIn != generation) {
        gl.GenTextures(1, &texture->name);
        texture->madeIn = generation;
        texture->minFilter = texture->magFilter = texture->wrapS = texture->wrapT = 0;
    }
    gl.BindTexture(GL_TEXTURE_2D, texture->name);
    r.boundTexture = texture->name;
    for (int level = 0; level < count; level++) {
        const GlTextureLevel &l = levels[level];
        if (alpha)
            gl.TexImage2D(GL_TEXTURE_2D, level, GL_RGB5_A1, l.width, l.height, 0, GL_BGRA,
                          GL_UNSIGNED_SHORT_1_5_5_5_REV, l.texels);
        else
            gl.TexImage2D(GL_TEXTURE_2D, level, GL_RGB8, l.width, l.height, 0, GL_RGB,
                          GL_UNSIGNED_SHORT_5_6_5, l.texels);
    }
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, count - 1);
    return gl.GetError() == GL_NO_ERROR;
}

void GlRenderer_Draw(const uint32_t *states, GlTexture *texture, bool alpha, bool keyed, int type,
                     const TLVertex *vertices, int count)
{
    Renderer &r = *renderer;
    BindFramebuffer(r, r.back);
    r.black[r.back] = false;
    ApplyStates(r, states, texture, alpha, keyed);
    const uint32_t first = vertices[0].color;
    if (type == D3DPT_LINESTRIP) {
        // Lines are few: drawn at once, after the polygons before them.
        DrawBatch(r);
        for (int i = 0; i < count; i++)
            r.batch.push_back({vertices[i], first});
        DrawBatch(r, GL_LINE_STRIP);
        return;
    }
    // A fan as its triangles, each from the first vertex: the pixels the fan itself would give.
    if ((int)r.batch.size() + 3 * (count - 2) > BATCH_VERTICES)
        DrawBatch(r);
    for (int i = 1; i + 1 < count; i++) {
        r.batch.push_back({vertices[0], first});
        r.batch.push_back({vertices[i], first});
        r.batch.push_back({vertices[i + 1], first});
    }
}

void GlRenderer_ClearDepth(int count, const GfxRect *rects)
{
    Renderer &r = *renderer;
    const GlFunctions &gl = r.gl;
    DrawBatch(r);
    BindFramebuffer(r, r.back);
    gl.DepthMask(GL_TRUE);
    r.depthWrite = 1;
    gl.ClearDepth(1.0);
    gl.Enable(GL_SCISSOR_TEST);
    const double sx = (double)r.pageWidth / SCREEN_WIDTH, sy = (double)r.pageHeight / SCREEN_HEIGHT;
    for (int i = 0; i < count; i++) {
        int x1 = (int)(std::max(rects[i].x1, 0) * sx + 0.5);
        int x2 = (int)(std::min(rects[i].x2, (int)SCREEN_WIDTH) * sx + 0.5);
        int y1 = (int)(std::max(rects[i].y1, 0) * sy + 0.5);
        int y2 = (int)(std::min(rects[i].y2, (int)SCREEN_HEIGHT) * sy + 0.5);
        if (x2 > x1 && y2 > y1) {
            gl.Scissor(x1, y1, x2 - x1, y2 - y1);
            gl.Clear(GL_DEPTH_BUFFER_BIT);
        }
    }
    gl.Disable(GL_SCISSOR_TEST);
}

int GlRenderer_Lock(PageRole page, void **bits, int *pitchBytes)
{
    Renderer &r = *renderer;
    const GlFunctions &gl = r.gl;
    DrawBatch(r);
    r.locked.resize((size_t)SCREEN_WIDTH * SCREEN_HEIGHT);
    *bits = r.locked.data();
    *pitchBytes = SCREEN_WIDTH * 2;
    if (r.black[PageIndex(r, page)]) {
        std::fill(r.locked.begin(), r.locked.end(), (uint16_t)0);
        r.lockedAsRead = r.locked;
        return 1;
    }
    if (!MakeScreenPicture(r))
        return 0;
    gl.Disable(GL_SCISSOR_TEST);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, r.pageFramebuffer[PageIndex(r, page)]);
    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, r.screenFramebuffer);
    gl.BlitFramebuffer(0, 0, r.pageWidth, r.pageHeight, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT,
                       GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, r.screenFramebuffer);
    gl.ReadPixels(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, r.locked.data());
    r.lockedAsRead = r.locked;
    r.boundFramebuffer = -1;
    return gl.GetError() == GL_NO_ERROR;
}

// What was written goes back as the rectangle of changed pixels, scaled to the page's size, so
// that what was left alone keeps its full sharpness.
int GlRenderer_Unlock(PageRole page)
{
    Renderer &r = *renderer;
    if (r.locked.empty() || r.locked.size() != r.lockedAsRead.size())
        return 0;   // not locked
    int top = SCREEN_HEIGHT, bottom = 0, left = SCREEN_WIDTH, right = 0;
    for (int y = 0; y < SCREEN_HEIGHT; y++) {
        const uint16_t *now = &r.locked[(size_t)y * SCREEN_WIDTH];
        const uint16_t *was = &r.lockedAsRead[(size_t)y * SCREEN_WIDTH];
        if (memcmp(now, was, SCREEN_WIDTH * 2) == 0)
            continue;
        top = std::min(top, y), bottom = y + 1;
        int x0 = 0, x1 = SCREEN_WIDTH;
        while (now[x0] == was[x0])
            x0++;
        while (now[x1 - 1] == was[x1 - 1])
            x1--;
        left = std::min(left, x0), right = std::max(right, x1);
    }
    const GlFunctions &gl = r.gl;
    DrawBatch(r);
    bool ok = true;
    if (top < bottom && (ok = MakeScreenPicture(r))) {
        gl.BindTexture(GL_TEXTURE_2D, r.screenTexture);
        gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, GL_RGB,
                         GL_UNSIGNED_SHORT_5_6_5, r.locked.data());
        r.boundTexture = r.screenTexture;
        const double sx = (double)r.pageWidth / SCREEN_WIDTH, sy = (double)r.pageHeight / SCREEN_HEIGHT;
        gl.Disable(GL_SCISSOR_TEST);
        gl.BindFramebuffer(GL_READ_FRAMEBUFFER, r.screenFramebuffer);
        gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, r.pageFramebuffer[PageIndex(r, page)]);
        gl.BlitFramebuffer(left, top, right, bottom, (int)(left * sx + 0.5), (int)(top * sy + 0.5),
                           (int)(right * sx + 0.5), (int)(bottom * sy + 0.5), GL_COLOR_BUFFER_BIT,
                           r.pageWidth == SCREEN_WIDTH ? GL_NEAREST : GL_LINEAR);
        r.boundFramebuffer = -1;
        r.black[PageIndex(r, page)] = false;
    }
    DropScreenPicture(r);
    return gl.GetError() == GL_NO_ERROR && ok;
}

void GlRenderer_Fill(PageRole page, uint32_t colour)
{
    Renderer &r = *renderer;
    DrawBatch(r);
    BindFramebuffer(r, PageIndex(r, page));
    r.gl.Disable(GL_SCISSOR_TEST);
    ClearColour(r.gl, Red8((uint16_t)colour) / 255.0f, Green8((uint16_t)colour) / 255.0f,
                Blue8((uint16_t)colour) / 255.0f);
    r.black[PageIndex(r, page)] = (colour & 0xFFFF) == 0;
}

int GlRenderer_Flip()
{
    Renderer &r = *renderer;
    Present(r, r.back);
    r.back = 1 - r.back;
    return r.gl.GetError() == GL_NO_ERROR;
}

int GlFunctions_Load(GlFunctions *gl)
{
#define GL_DEVICE_LOAD(result, name, params)                                                    \
    gl->name = reinterpret_cast<result(APIENTRY *) params>(SDL_GL_GetProcAddress("gl" #name)); \
    if (!gl->name)                                                                             \
        return 0;
    GL_DEVICE_FUNCTIONS(GL_DEVICE_LOAD)
#undef GL_DEVICE_LOAD
    return 1;
}

void GlDevice_DisplayLost()
{
    displayLost = true;
}

void GlDevice_Repaint()
{
    if (renderer && !displayLost)
        Present(*renderer, 1 - renderer->back);
}

int GlDevice_PageSize(int *width, int *height)
{
    if (!renderer)
        return 0;
    *width = renderer->pageWidth;
    *height = renderer->pageHeight;
    return 1;
}

int GlDevice_SavePng(const char *path)
{
    if (!renderer)
        return 0;
    Renderer &r = *renderer;
    DrawBatch(r);
    std::vector<uint8_t> rgb((size_t)r.pageWidth * r.pageHeight * 3);
    r.gl.BindFramebuffer(GL_READ_FRAMEBUFFER, r.pageFramebuffer[1 - r.back]);
    r.gl.ReadPixels(0, 0, r.pageWidth, r.pageHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    r.boundFramebuffer = -1;
    return Device_WritePng(path, rgb.data(), r.pageWidth, r.pageHeight);
}
