// gl_renderer.h -- what the hardware device's objects ask of the OpenGL renderer under them: its
// context, the two pages (drawn, locked, filled, shown), the polygons drawn into the back page and
// the card's copies of textures. One renderer at most, there while a 3-D device lives.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "graphics/device/device.h"
#include "graphics/device/gl/gl_functions.h"
#include "graphics/gfx.h"

// Which page of the flip chain a surface is, if any.
enum PageRole { NOT_A_PAGE, FRONT_PAGE, BACK_PAGE };

// The card's copy of a texture chain, made when it is loaded, and the sampling it was last
// given; valid while the context that made it lives, and let go of with the texture.
struct GlTexture {
    GLuint name = 0;
    unsigned madeIn = 0;                // the context's generation
    GLint minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0;
    GlTexture() = default;
    GlTexture(const GlTexture &) = delete;
    GlTexture &operator=(const GlTexture &) = delete;
    ~GlTexture();
};

// One level of a texture chain as it is sent to the card.
struct GlTextureLevel {
    int width, height;
    const uint16_t *texels;
};

// The context, the program and the pages in the window, or nothing at all (false).
bool GlRenderer_Create(SDL_Window *window);
void GlRenderer_Destroy();
bool GlRenderer_Running();

// Sends a texture chain to the card, its texels as the format says (one of the two offered).
bool GlRenderer_Upload(GlTexture *texture, const GfxPixelFormat &format, const GlTextureLevel *levels,
                       int count);
// Draws a triangle fan or a line strip into the back page under the device's render states, with
// the texture they name (null when none; alpha: it brings its own, keyed: its colour key is set).
void GlRenderer_Draw(const uint32_t *states, GlTexture *texture, bool alpha, bool keyed, int type,
                     const TLVertex *vertices, int count);
// Clears the depth of the back page within each rectangle, given in screen pixels.
void GlRenderer_ClearDepth(int count, const GfxRect *rects);

// A page locks as a 640 x 480 picture of 5-6-5 pixels, read back from the card; unlocking it puts
// back what was written. 0 when the card failed (or, on unlock, the page was not locked).
int GlRenderer_Lock(PageRole page, void **bits, int *pitchBytes);
int GlRenderer_Unlock(PageRole page);
// Fills a page with a 5-6-5 colour.
void GlRenderer_Fill(PageRole page, uint32_t colour);
// Shows the back page; the pages swap roles.
int GlRenderer_Flip();
