// camera.cpp -- the player's four views and the demo director, placed once a frame.
#include "game/game.h"

#include <cmath>

#include "scene/math3d.h"
#include "sound/sound.h"

constexpr float QUARTER_TURN = 1.570795f;
constexpr float HALF_TURN = 3.14159f;
enum { SHOT_KINDS = 6, SHOT_FRAMES = 200, CLOSE_IN_FRAMES = 60 };

void Game_PlayerCamera()
{
    const Cycle &p = cycles[playerSlot];
    float eye[3], target[3];
    switch (viewMode) {
    case 0: {
        // The cockpit. Looking aside swings halfway to the wanted angle every frame.
        float wanted = HEADINGS[p.heading].camAngle;
        if (lookDir == 0)
            wanted += QUARTER_TURN;
        else if (lookDir == 1)
            wanted -= QUARTER_TURN;
        else if (lookDir == 2)
            wanted += HALF_TURN;
        camAngle = (wanted - camAngle) * 0.5f + camAngle;
        eye[0] = p.x + 50.0f * p.dirX, eye[1] = p.y + 30.0f, eye[2] = p.z + 50.0f * p.dirZ;
        target[0] = p.x + 20000.0f * cosf(camAngle);
        target[1] = p.y + 30.0f;
        target[2] = p.z + 20000.0f * sinf(camAngle);
        break;
    }
    // The other views do not turn with the cycle: they always look along +z.
    case 1:
        eye[0] = p.x, eye[1] = p.y + 100.0f, eye[2] = p.z - 250.0f;
        target[0] = p.x, target[1] = p.y + 40.0f, target[2] = p.z;
        break;
    case 2:
        eye[0] = p.x + 200.0f, eye[1] = p.y + 125.0f, eye[2] = p.z - 250.0f;
        target[0] = p.x, target[1] = p.y + 40.0f, target[2] = p.z;
        break;
    default:
        eye[0] = p.x, eye[1] = p.y + 2000.0f, eye[2] = p.z - 1024.0f;
        target[0] = p.x, target[1] = p.y, target[2] = p.z + 1024.0f;
        break;
    }
    Math_LookAt(eye, target);
}

static void SetEye(float x, float y, float z)
{
    shotEye[0] = x, shotEye[1] = y, shotEye[2] = z;
}

void Game_PickShot()
{
    shotKind = Game_Random() % SHOT_KINDS;
    shotTarget = Game_Random() % cycleCount;
    shotFrames = 0;
    const Cycle &t = cycles[shotTarget];
    switch (shotKind) {
    case 0:
    case 3:
        shotDistance = 800.0f;
        break;
    case 1:     // a fixed point 1200 ahead of the cycle
        SetEye(t.x + 1200.0f * t.dirX, t.y + 250.0f, t.z + 1200.0f * t.dirZ);
        break;
    case 2:     // 800 ahead and 200 to the side
        SetEye(t.x + 800.0f * t.dirX, t.y + 150.0f, t.z + 800.0f * t.dirZ);
        if (t.dirX == 0.0f)
            shotEye[0] += 200.0f;
        else
            shotEye[2] += 200.0f;
        break;
    case 4:
        shotAngle = 0.0;
        break;
    case 5:     // high above the arena's -z edge
        shotAngle = 1.0471966666666666;
        SetEye(0.0f, 2000.0f, -10000.0f);
        break;
    }
}

void Game_DemoCamera()
{
    const Cycle &t = cycles[shotTarget];
    float aim[3] = {t.x, t.y + 30.0f, t.z};
    switch (shotKind) {
    case 0:     // from the side, closing in from 800 to nothing over the shot
        SetEye(t.x + shotDistance * t.dirZ, t.y + 30.0f, t.z + shotDistance * t.dirX);
        Math_LookAt(shotEye, aim);
        shotDistance -= 4.0f;
        break;
    case 1:
    case 2:
        Math_LookAt(shotEye, aim);
        break;
    case 3:     // from the side, closing in to 200 over 60 frames, then holding
        if (shotFrames < CLOSE_IN_FRAMES) {
            SetEye(t.x + shotDistance * t.dirZ, t.y + 50.0f, t.z + shotDistance * t.dirX);
            shotDistance -= 10.0f;
        }
        Math_LookAt(shotEye, aim);
        break;
    case 4:     // orbiting the cycle at 300 units, 300 high
        SetEye((float)(t.x + 300.0 * cos(shotAngle)), t.y + 300.0f,
               (float)(t.z + 300.0 * sin(shotAngle)));
        Math_LookAt(shotEye, aim);
        shotAngle += 0.03;
        break;
    case 5: {   // a slow pan around the arena; the target cycle plays no part
        float centre[3] = {(float)(5000.0 * cos(shotAngle)), 0.0f,
                           (float)(5000.0 * sin(shotAngle))};
        Math_LookAt(shotEye, centre);
        shotAngle += 0.003;
        break;
    }
    }
    if (++shotFrames == SHOT_FRAMES)
        Game_PickShot();
}

void Game_DemoSounds()
{
    for (int slot = 0; slot < cycleCount; slot++) {
        const Cycle &c = cycles[slot];
        SND_SetPosition(slot, (c.x - shotEye[0]) * ENGINE_SOUND_SCALE,
                        (c.z - shotEye[2]) * ENGINE_SOUND_SCALE, 0.0f, c.dirX, c.dirZ, 0.0f);
    }
}
