// The SDL front end's input as the game sees it: the desktop's own keys held back, and game pads
// sending the keyboard's commands. Runs on SDL's dummy video driver, with events pushed into
// SDL's queue as the window system or a pad would send them.
#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "platform/sdl/sdl_frontend.h"

namespace {

struct Key {
    int type, key;
    bool operator==(const Key &o) const { return type == o.type && key == o.key; }
};

void PrintTo(const Key &k, std::ostream *out)
{
    *out << (k.type == EV_KEY_DOWN ? "down " : k.type == EV_KEY_UP ? "up " : "other ") << k.key;
}

class SdlInput : public testing::Test {
protected:
    const FrontEnd *frontEnd = SDL_FrontEnd();

    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(frontEnd->RegisterWindowClass("Zarkride"), 1);
    }
    void TearDown() override { frontEnd->Close(); }

    // Everything the game is given until the front end falls idle.
    std::vector<Key> Given()
    {
        std::vector<Key> keys;
        for (PlatformEvent e; frontEnd->PollEvent(&e), e.type != EV_IDLE;)
            keys.push_back({e.type, e.key});
        return keys;
    }

    static void KeyboardKey(Uint32 type, SDL_Keycode sym, Uint16 mod = 0)
    {
        SDL_Event e = {};
        e.type = type;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
    }
    static void Button(Uint32 type, int button)
    {
        SDL_Event e = {};
        e.type = type;
        e.cbutton.button = (Uint8)button;
        SDL_PushEvent(&e);
    }
    static void Axis(int axis, int value)
    {
        SDL_Event e = {};
        e.type = SDL_CONTROLLERAXISMOTION;
        e.caxis.axis = (Uint8)axis;
        e.caxis.value = (Sint16)value;
        SDL_PushEvent(&e);
    }
};

const int D = EV_KEY_DOWN, U = EV_KEY_UP;

}  // namespace

TEST_F(SdlInput, AltF10AndKeysHeldWithAltNeverReachTheGame)
{
    KeyboardKey(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT);
    KeyboardKey(SDL_KEYDOWN, SDLK_TAB, KMOD_LALT);
    KeyboardKey(SDL_KEYUP, SDLK_TAB, KMOD_LALT);
    KeyboardKey(SDL_KEYUP, SDLK_LALT);
    KeyboardKey(SDL_KEYDOWN, SDLK_F10);
    KeyboardKey(SDL_KEYDOWN, SDLK_z);
    KeyboardKey(SDL_KEYDOWN, SDLK_ESCAPE);
    EXPECT_EQ(Given(), (std::vector<Key>{{D, 'Z'}, {D, VK_ESCAPE}}));
}

TEST_F(SdlInput, PadControlsSendTheKeyboardsCommands)
{
    // X leaves the title into the demo; once a key has left it, X does nothing (D would quit).
    Button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_X);
    Button(SDL_CONTROLLERBUTTONUP, SDL_CONTROLLER_BUTTON_X);
    Button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_X);
    Button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_A);
    Button(SDL_CONTROLLERBUTTONUP, SDL_CONTROLLER_BUTTON_A);
    Button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_LEFTSHOULDER);
    Button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_BACK);
    Button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_GUIDE);
    // The stick swings from left to right and back to the middle; the triggers are pulled.
    Axis(SDL_CONTROLLER_AXIS_LEFTX, -20000);
    Axis(SDL_CONTROLLER_AXIS_LEFTX, -12000);   // not yet let go
    Axis(SDL_CONTROLLER_AXIS_LEFTX, 20000);
    Axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 30000);
    Axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
    Axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 30000);
    EXPECT_EQ(Given(), (std::vector<Key>{
                           {D, 'D'}, {U, 'D'},
                           {D, VK_UP}, {U, VK_UP},
                           {D, 'Z'}, {D, 'V'},
                           {D, VK_LEFT}, {U, VK_LEFT}, {D, VK_RIGHT}, {U, VK_RIGHT},
                           {D, VK_UP}, {U, VK_UP}, {D, VK_DOWN},
                       }));
}

TEST_F(SdlInput, StartLeavesTheTitleAndQuitsOnlyWhenHeldASecond)
{
    Button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_START);
    Button(SDL_CONTROLLERBUTTONUP, SDL_CONTROLLER_BUTTON_START);
    Button(SDL_CONTROLLERBUTTONDOWN, SDL_CONTROLLER_BUTTON_START);
    EXPECT_EQ(Given(), (std::vector<Key>{{D, VK_F8}, {U, VK_F8}, {D, VK_F8}}));
    SDL_Delay(1100);
    EXPECT_EQ(Given(), (std::vector<Key>{{D, VK_ESCAPE}, {U, VK_ESCAPE}}));
    EXPECT_EQ(Given(), std::vector<Key>{}) << "one quit per press";
}

// On the title the tick thread sleeps; the first key is met by a tick at once and the ticks go on
// from there. Stopping the timer while it sleeps must not hang.
std::atomic<int> ticks{0};
void CountTick()
{
    ticks.fetch_add(1);
}

TEST_F(SdlInput, TheTimerSleepsOnTheTitleAndTicksFromTheFirstKey)
{
    ticks = 0;
    ASSERT_NE(frontEnd->StartTimer(5, CountTick), 0);
    SDL_Delay(60);
    EXPECT_EQ(ticks.load(), 0) << "no ticks before a key";
    KeyboardKey(SDL_KEYDOWN, SDLK_d);
    EXPECT_EQ(Given(), (std::vector<Key>{{D, 'D'}}));
    for (int waited = 0; ticks.load() == 0 && waited < 1000; waited++)
        SDL_Delay(1);
    EXPECT_GE(ticks.load(), 1) << "a tick meets the first key";
    SDL_Delay(100);
    EXPECT_GE(ticks.load(), 5) << "and the ticks go on";
    frontEnd->StopTimer(1);

    SDLFE_Shutdown();   // back to the title: no key given yet
    ASSERT_EQ(frontEnd->RegisterWindowClass("Zarkride"), 1);
    ticks = 0;
    ASSERT_NE(frontEnd->StartTimer(5, CountTick), 0);
    SDL_Delay(20);
    frontEnd->StopTimer(1);
    EXPECT_EQ(ticks.load(), 0);
}

// The software device's pages as the player sees them: scaled to the window by whole pixels, in
// the middle, black bars beside or above, every colour widened from 5-6-5 as the screenshots are.
TEST_F(SdlInput, APageFillsTheWindowKeepingItsShapeOnBlack)
{
    SDLFE_SetWindowed(1);   // a window of the sizes below, not the whole (dummy) screen
    SDL_Window *window =
        static_cast<SDL_Window *>(frontEnd->CreateGameWindow("Zarkride", "Zarkride", 640, 480));
    ASSERT_NE(window, nullptr);
    std::vector<uint16_t> page(640 * 480);
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            page[y * 640 + x] = (uint16_t)((x * 31 / 639) << 11 | (y * 63 / 479) << 5 | ((x ^ y) & 31));
    auto widen = [](int v, int bits) { return v << (8 - bits) | v >> (2 * bits - 8); };

    // Wider than 4:3, then taller: bars at the sides, then above and below.
    struct Case { int width, height; SDL_Rect shown; };
    for (const Case &c : {Case{1000, 600, {100, 0, 800, 600}}, Case{640, 700, {0, 110, 640, 480}},
                          Case{1024, 768, {0, 0, 1024, 768}}}) {
        SDL_SetWindowSize(window, c.width, c.height);
        SDLFE_PresentPage(window, page.data(), 640 * 2, 640, 480);
        SDL_Surface *surface = SDL_GetWindowSurface(window);
        ASSERT_NE(surface, nullptr);
        ASSERT_EQ(surface->w, c.width);
        ASSERT_EQ(surface->h, c.height);
        int wrong = 0;
        for (int y = 0; y < c.height; y++) {
            const Uint32 *row = reinterpret_cast<const Uint32 *>(
                static_cast<const Uint8 *>(surface->pixels) + y * surface->pitch);
            for (int x = 0; x < c.width; x++) {
                Uint8 r, g, b;
                SDL_GetRGB(row[x], surface->format, &r, &g, &b);
                int wantR = 0, wantG = 0, wantB = 0;
                const SDL_Point at = {x, y};
                if (SDL_PointInRect(&at, &c.shown)) {
                    int p = page[(y - c.shown.y) * 480 / c.shown.h * 640 + (x - c.shown.x) * 640 / c.shown.w];
                    wantR = widen(p >> 11, 5), wantG = widen(p >> 5 & 63, 6), wantB = widen(p & 31, 5);
                }
                wrong += r != wantR || g != wantG || b != wantB;
            }
        }
        EXPECT_EQ(wrong, 0) << "in a " << c.width << " x " << c.height << " window";
    }
    SDLFE_SetWindowed(0);
}
