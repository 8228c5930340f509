// letterbox.h -- where the game's picture lands in a window of any shape: as large as fits with
// its shape kept, in the middle, black bars filling the rest.
#pragma once

struct ScreenArea {
    int x, y, width, height;
};

// The area a width x height picture takes in a windowWidth x windowHeight window; never smaller
// than one pixel either way.
inline ScreenArea Letterbox(int windowWidth, int windowHeight, int width, int height)
{
    ScreenArea a;
    if ((long)windowWidth * height > (long)windowHeight * width) {
        a.height = windowHeight;
        a.width = (int)((long)windowHeight * width / height);
    } else {
        a.width = windowWidth;
        a.height = (int)((long)windowWidth * height / width);
    }
    a.width = a.width < 1 ? 1 : a.width;
    a.height = a.height < 1 ? 1 : a.height;
    a.x = (windowWidth - a.width) / 2;
    a.y = (windowHeight - a.height) / 2;
    return a;
}
