/* gl_floor.c -- the least a program can do to show a picture through OpenGL: SDL's video, a
 * window over the whole display, an OpenGL 3.3 core context (what the hardware device asks for),
 * one clear to white and one swap. bench/game-bench.sh measures it as the game is measured, so
 * the game's OpenGL figures stand beside what the machine's OpenGL costs before a game does
 * anything at all.
 *
 *   gl_floor PEAK_FILE
 *       Shows the white window until SIGTERM, then writes its peak resident memory (the VmHWM
 *       line of /proc/self/status) to PEAK_FILE and exits 0; exits 1 when it cannot show it.
 */
#include <SDL.h>

#include <signal.h>
#include <stdio.h>
#include <string.h>

static volatile sig_atomic_t stopping;

static void Stop(int signalNumber)
{
    (void)signalNumber;
    stopping = 1;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: gl_floor PEAK_FILE\n");
        return 2;
    }
    signal(SIGTERM, Stop);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "gl_floor: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Rect screen = {0, 0, 640, 480};
    SDL_GetDisplayBounds(0, &screen);
    SDL_Window *window = SDL_CreateWindow("gl_floor", screen.x, screen.y, screen.w, screen.h,
                                          SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : NULL;
    typedef void (*ClearColor)(float, float, float, float);
    typedef void (*Clear)(unsigned);
    ClearColor clearColor = context ? (ClearColor)SDL_GL_GetProcAddress("glClearColor") : NULL;
    Clear clear = context ? (Clear)SDL_GL_GetProcAddress("glClear") : NULL;
    if (!clearColor || !clear) {
        fprintf(stderr, "gl_floor: no OpenGL 3.3 window: %s\n", SDL_GetError());
        return 1;
    }
    clearColor(1.0f, 1.0f, 1.0f, 1.0f);
    clear(0x00004000); /* GL_COLOR_BUFFER_BIT */
    SDL_GL_SwapWindow(window);
    while (!stopping)
        SDL_Delay(20);

    FILE *status = fopen("/proc/self/status", "r");
    FILE *out = fopen(argv[1], "w");
    char line[256];
    while (status && out && fgets(line, sizeof line, status))
        if (strncmp(line, "VmHWM:", 6) == 0)
            fputs(line, out);
    if (status)
        fclose(status);
    if (!out || fclose(out) != 0) {
        fprintf(stderr, "gl_floor: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
