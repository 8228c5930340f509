// sdl_gamepad.cpp -- the pad mapping. Left and right (d-pad or left stick) turn; A or the right
// trigger speeds up and B or the left trigger slows down while held; the shoulder buttons look
// left and right and Y looks back while held; Back changes the view; Start leaves the title (X
// leaves it into the demo); Start held for a second quits. Nothing else quits: Start alone sends
// F8, the key that does nothing in play.
#include "platform/sdl/sdl_gamepad.h"

#include <map>

namespace {

// How far a stick or trigger must go to count as pressed, and how far back to count as let go.
const int PRESS = 16000, RELEASE = 8000;
const Uint32 QUIT_HOLD_MS = 1000;

std::map<SDL_JoystickID, SDL_GameController *> pads;

// The keys the sticks and triggers hold down: 0 for none.
int stickKey = 0;
bool triggerHeld[2] = {};   // left (slow down), right (speed up)
int buttonKey[SDL_CONTROLLER_BUTTON_MAX] = {};   // the key each button held down sent
bool startHeld = false;
Uint32 startDownAt = 0;     // when Start went down, while it is held
bool startQuit = false;     // the quit for this press of Start has been sent

void Send(std::vector<PlatformEvent> *out, int type, int key)
{
    out->push_back({type, key});
}

int ButtonKey(int button, bool titleLeft)
{
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:     return VK_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:    return VK_RIGHT;
    case SDL_CONTROLLER_BUTTON_A:             return VK_UP;
    case SDL_CONTROLLER_BUTTON_B:             return VK_DOWN;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:  return 'Z';
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return 'X';
    case SDL_CONTROLLER_BUTTON_Y:             return 'C';
    case SDL_CONTROLLER_BUTTON_BACK:          return 'V';
    case SDL_CONTROLLER_BUTTON_START:         return VK_F8;
    case SDL_CONTROLLER_BUTTON_X:             return titleLeft ? 0 : 'D';
    }
    return 0;
}

void Stick(int value, std::vector<PlatformEvent> *out)
{
    int want = stickKey;
    if (value <= -PRESS)
        want = VK_LEFT;
    else if (value >= PRESS)
        want = VK_RIGHT;
    else if (value > -RELEASE && value < RELEASE)
        want = 0;
    if (want == stickKey)
        return;
    if (stickKey)
        Send(out, EV_KEY_UP, stickKey);
    if (want)
        Send(out, EV_KEY_DOWN, want);
    stickKey = want;
}

void Trigger(int side, int value, std::vector<PlatformEvent> *out)
{
    bool held = triggerHeld[side] ? value >= RELEASE : value >= PRESS;
    if (held == triggerHeld[side])
        return;
    triggerHeld[side] = held;
    Send(out, held ? EV_KEY_DOWN : EV_KEY_UP, side == 0 ? VK_DOWN : VK_UP);
}

}  // namespace

void Pad_Translate(const SDL_Event &e, bool titleLeft, std::vector<PlatformEvent> *out)
{
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
        if (SDL_GameController *pad = SDL_GameControllerOpen(e.cdevice.which))
            pads[SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad))] = pad;
        break;
    case SDL_CONTROLLERDEVICEREMOVED: {
        auto found = pads.find(e.cdevice.which);
        if (found != pads.end()) {
            SDL_GameControllerClose(found->second);
            pads.erase(found);
        }
        break;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
        if (e.cbutton.button == SDL_CONTROLLER_BUTTON_START) {
            startHeld = down;
            startDownAt = SDL_GetTicks();
            startQuit = false;
        }
        if (e.cbutton.button >= SDL_CONTROLLER_BUTTON_MAX)
            break;
        // A release lets go of whatever its press sent, though the title has gone meanwhile.
        int &held = buttonKey[e.cbutton.button];
        if (down && !held && (held = ButtonKey(e.cbutton.button, titleLeft)))
            Send(out, EV_KEY_DOWN, held);
        else if (!down && held) {
            Send(out, EV_KEY_UP, held);
            held = 0;
        }
        break;
    }
    case SDL_CONTROLLERAXISMOTION:
        if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX)
            Stick(e.caxis.value, out);
        else if (e.caxis.axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT)
            Trigger(0, e.caxis.value, out);
        else if (e.caxis.axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT)
            Trigger(1, e.caxis.value, out);
        break;
    }
}

void Pad_CheckHeld(Uint32 nowMs, std::vector<PlatformEvent> *out)
{
    if (!startHeld || startQuit || nowMs - startDownAt < QUIT_HOLD_MS)
        return;
    startQuit = true;
    Send(out, EV_KEY_DOWN, VK_ESCAPE);
    Send(out, EV_KEY_UP, VK_ESCAPE);
}

void Pad_CloseAll()
{
    for (auto &pad : pads)
        SDL_GameControllerClose(pad.second);
    pads.clear();
    stickKey = 0;
    for (int &key : buttonKey)
        key = 0;
    triggerHeld[0] = triggerHeld[1] = false;
    startHeld = false;
    startQuit = false;
}
