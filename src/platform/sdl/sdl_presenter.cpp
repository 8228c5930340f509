// sdl_presenter.cpp -- the software device's pages shown in the game window's own pixels: a page
// costs one pass of table look-ups.
#include "platform/sdl/sdl_presenter.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "graphics/device/letterbox.h"
#include "graphics/device/rgb565.h"
#include "platform/prefault.h"
#include "platform/sdl/sdl_x11.h"

namespace {

struct PageShower {
    SDL_Surface *target = nullptr;      // the window surface the geometry below was made for
    int targetWidth = 0, targetHeight = 0, pageWidth = 0, pageHeight = 0;
    SDL_Rect shown = {};                // where the page lands in the window
    std::vector<int> pageColumn;        // for each column of `shown`, the page column shown there
    Uint32 tableFormat = SDL_PIXELFORMAT_UNKNOWN;
    std::vector<Uint32> colourOf;       // every 5-6-5 value as a pixel of the window's format
    bool showing = false;               // a page is in the window surface
    bool lostTold = false;              // the window's pixels went and standard error was told
};
PageShower shower;

// Every 5-6-5 colour as the window's pixel, widened as the screenshots are.
void MakeColourTable(const SDL_PixelFormat *format)
{
    shower.colourOf.resize(65536);
    for (int p = 0; p < 65536; p++)
        shower.colourOf[p] = SDL_MapRGB(format, Red8((uint16_t)p), Green8((uint16_t)p),
                                        Blue8((uint16_t)p));
    shower.tableFormat = format->format;
}

// Copies a page into a window surface of 32-bit pixels. A page row shown on several window rows
// is worked out once and copied.
void ScalePage(SDL_Surface *surface, const uint16_t *pixels, int pitchBytes)
{
    const SDL_Rect &to = shower.shown;
    const Uint32 *colourOf = shower.colourOf.data();
    const int *column = shower.pageColumn.data();
    Uint8 *rows = static_cast<Uint8 *>(surface->pixels) + (size_t)to.x * 4;
    int madeRow = -1;
    for (int y = 0; y < to.h; y++) {
        Uint32 *out = reinterpret_cast<Uint32 *>(rows + (size_t)(to.y + y) * surface->pitch);
        int pageRow = (int)((long)y * shower.pageHeight / to.h);
        if (pageRow == madeRow) {
            memcpy(out, reinterpret_cast<Uint8 *>(out) - surface->pitch, (size_t)to.w * 4);
            continue;
        }
        const uint16_t *in = reinterpret_cast<const uint16_t *>(
            reinterpret_cast<const Uint8 *>(pixels) + (size_t)pageRow * pitchBytes);
        for (int x = 0; x < to.w; x++)
            out[x] = colourOf[in[column[x]]];
        madeRow = pageRow;
    }
}

// Any other window format: SDL's own converting, scaling copy, slower but the same picture.
void BlitPage(SDL_Surface *surface, const uint16_t *pixels, int pitchBytes, int width, int height)
{
    SDL_Surface *page = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint16_t *>(pixels), width, height, 16, pitchBytes, SDL_PIXELFORMAT_RGB565);
    if (!page)
        return;
    SDL_Rect to = shower.shown;
    SDL_BlitScaled(page, nullptr, surface, &to);
    SDL_FreeSurface(page);
}

}  // namespace

bool Presenter_CanShow(SDL_Window *window)
{
    if (SDL_GetWindowSurface(window))
        return true;
    const int depth = SDLX11_ScreenDepth(window);
    if (depth > 0 && depth < 15)
        fprintf(stderr, "zarkride: the screen cannot show the game: it has %d bits a pixel, and the "
                        "game needs 16 or more (%s)\n", depth, SDL_GetError());
    else
        fprintf(stderr, "zarkride: the screen cannot show the game: %s\n", SDL_GetError());
    return false;
}

void Presenter_Show(SDL_Window *window, const uint16_t *pixels, int pitchBytes, int width,
                    int height)
{
    SDL_Surface *surface = SDL_GetWindowSurface(window);
    if (!surface) {
        // The start-up found the window's pixels, so this is rare (no memory for a resized
        // window's): the player is told once rather than left with a still picture and no word.
        if (!shower.lostTold)
            fprintf(stderr, "zarkride: cannot show the picture: %s\n", SDL_GetError());
        shower.lostTold = true;
        return;
    }
    if (width < 1 || height < 1)
        return;
    if (surface != shower.target || surface->w != shower.targetWidth ||
        surface->h != shower.targetHeight || width != shower.pageWidth ||
        height != shower.pageHeight) {
        // A new or resized window surface: work out the geometry again, and black bars.
        shower.target = surface;
        Platform_Prefault(surface->pixels, (size_t)surface->pitch * surface->h);
        shower.targetWidth = surface->w, shower.targetHeight = surface->h;
        shower.pageWidth = width, shower.pageHeight = height;
        const ScreenArea area = Letterbox(surface->w, surface->h, width, height);
        shower.shown = {area.x, area.y, area.width, area.height};
        shower.pageColumn.resize(shower.shown.w);
        for (int x = 0; x < shower.shown.w; x++)
            shower.pageColumn[x] = (int)((long)x * width / shower.shown.w);
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    }
    if (surface->format->BytesPerPixel == 4) {
        if (shower.tableFormat != surface->format->format)
            MakeColourTable(surface->format);
        ScalePage(surface, pixels, pitchBytes);
    } else {
        BlitPage(surface, pixels, pitchBytes, width, height);
    }
    shower.showing = true;
    SDL_UpdateWindowSurface(window);
}

bool Presenter_Showing()
{
    return shower.showing;
}

bool Presenter_Repaint(SDL_Window *window)
{
    if (!shower.showing)
        return false;
    if (SDL_GetWindowSurface(window) == shower.target)
        SDL_UpdateWindowSurface(window);
    // A surface made anew for a new size is black until the next page, 25 ms away at most.
    return true;
}

void Presenter_Forget()
{
    shower = PageShower();
}
