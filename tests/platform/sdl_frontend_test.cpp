// The SDL front end's input as the game sees it: the desktop's own keys held back, and game pads
// sending the keyboard's commands. Runs on SDL's dummy video driver, with events pushed into
// SDL's queue as the window system or a pad would send them.
#include <gtest/gtest.h>

#include <SDL.h>

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
