// gfx_fixture.h -- the graphics layer over the fake device, in an empty working directory.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "graphics/device/fake/fake_device.h"
#include "graphics/device/soft/soft_device.h"
#include "graphics/gfx.h"
#include "support/workdir.h"

class GfxTest : public WorkDirTest {
protected:
    void SetUp() override
    {
        WorkDirTest::SetUp();
        Use(FakeDeviceOptions());
    }
    void TearDown() override
    {
        GFX_Shutdown();
        GFX_SetDeviceLayer(&g_softDevice);
        g_gfxDeviceKind = GFX_DEVICE_HAL;
        WorkDirTest::TearDown();
    }
    // A fresh start: the given fake device, the hardware kind first, no drawing state.
    static void Use(const FakeDeviceOptions &options)
    {
        GFX_Shutdown();
        GFX_SetDeviceLayer(FakeDevice_Start(options));
        g_gfxDeviceKind = GFX_DEVICE_HAL;
        g_currentTexture = nullptr;
        g_flatColourMode = 0;
        g_flatColour = 0xFFFFFFFF;
    }
    // Frees a texture a test loaded itself.
    static void Discard(GfxTexture *texture)
    {
        if (texture) {
            GFX_FreeTexture(texture);
            free(texture);
        }
    }
    static std::vector<std::string> LogLines()
    {
        std::vector<std::string> lines;
        std::istringstream in(ReadFile("error.txt"));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // The calls made since mark, the index of a call in FakeDevice_Calls().
    static std::vector<std::string> CallsSince(size_t mark)
    {
        const std::vector<std::string> &calls = FakeDevice_Calls();
        return std::vector<std::string>(calls.begin() + mark, calls.end());
    }
};
