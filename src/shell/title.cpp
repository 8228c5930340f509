// title.cpp -- the title screen: the picture "zark.jpg" decoded straight into the back buffer,
// two lines of text over it, one flip. It stays on screen until the first key.
#include "shell/shell.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "graphics/gfx.h"
#include "platform/files.h"

namespace {

struct TitleDecodeError {
    jpeg_error_mgr manager;     // first, so the library's pointer to it is a pointer to this
    jmp_buf jumpBack;
};

}  // namespace

void App_JpegErrorExit(j_common_ptr decoder)
{
    TitleDecodeError *error = reinterpret_cast<TitleDecodeError *>(decoder->err);
    (*decoder->err->output_message)(decoder);
    longjmp(error->jumpBack, 1);
}

// The 5-6-5 pixel the title screen writes: bit 5 stays clear, as the picture was always made.
static uint16_t TitlePixel(int r, int g, int b)
{
    return (uint16_t)((r >> 3) << 11 | (g >> 3) << 6 | (b >> 3));
}

int App_LoadTitlePicture(const char *path)
{
    FILE *file = Platform_OpenFile(path, "rb");
    if (!file) {
        if (g_frontEnd)
            g_frontEnd->DebugOutput("Could not open JPEG\n");
        return 0;
    }
    jpeg_decompress_struct decoder;
    TitleDecodeError error;
    uint16_t *volatile picture = nullptr;
    decoder.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = App_JpegErrorExit;
    if (setjmp(error.jumpBack)) {
        free(picture);
        jpeg_destroy_decompress(&decoder);
        fclose(file);
        return 0;
    }
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    // Only a 640 x 480 picture of red, green and blue fills the screen as it should.
    if (decoder.image_width != SCREEN_WIDTH || decoder.image_height != SCREEN_HEIGHT ||
        decoder.num_components != 3) {
        jpeg_destroy_decompress(&decoder);
        fclose(file);
        return 0;
    }
    jpeg_start_decompress(&decoder);
    int rowLength = decoder.output_width * decoder.output_components;
    JSAMPARRAY row = (*decoder.mem->alloc_sarray)((j_common_ptr)&decoder, JPOOL_IMAGE, rowLength, 1);
    picture = (uint16_t *)malloc((size_t)SCREEN_WIDTH * SCREEN_HEIGHT * 2);
    if (!picture) {
        jpeg_destroy_decompress(&decoder);
        fclose(file);
        return 0;
    }
    while (decoder.output_scanline < decoder.output_height) {
        int y = decoder.output_scanline;
        jpeg_read_scanlines(&decoder, row, 1);
        for (int i = 0; i + 2 < rowLength && i / 3 < SCREEN_WIDTH; i += 3)
            picture[y * SCREEN_WIDTH + i / 3] = TitlePixel(row[0][i], row[0][i + 1], row[0][i + 2]);
    }
    GFX_WritePixels(1, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, picture);
    free(picture);
    picture = nullptr;      // finishing can still fail and jump back, which frees it
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    fclose(file);
    return 1;
}

void App_ShowTitle()
{
    App_LoadTitlePicture("zark.jpg");
    GFX_PreDraw_Step(0);    // keep the picture: only the depth is cleared
    GFX_DrawText(550.0f, 10.0f, "V1.2");
    GFX_DrawText(0.0f, 10.0f, "PRESS A KEY TO BEGIN (D FOR DEMO)");
    GFX_PostDraw_Step();
}
