// fake_device.h -- a device layer for tests: does what the software device does, records every
// call, and fails the Nth call of a chosen operation. It can also pretend to be hardware.
#pragma once

#include <string>
#include <vector>

#include "graphics/device/device.h"

struct FakeDeviceOptions {
    std::string failOperation;      // e.g. "CreateSurface"; empty: nothing fails
    int failAt = 1;                 // which call of it fails, counting from 1
    bool failEveryCall = false;     // every call of it from failAt on fails
    bool hardware = false;          // a hardware device can be made
    GfxDeviceDesc hardwareCaps = {};
    bool secondaryDriver = false;   // a display driver with a GUID besides the primary one
    // Told of every call as it is recorded: the records of a process that crashes die with it.
    void (*watch)(const char *call) = nullptr;
};

const GfxDevice *FakeDevice_Start(const FakeDeviceOptions &options = FakeDeviceOptions());
// One line per call: the operation's name, then what tells the calls apart ("CreateDevice 1",
// "SetRenderState 9 2", "Release 12", "DrawPrimitive 6 3", "CreateSurface caps 0x2a18").
const std::vector<std::string> &FakeDevice_Calls();
int FakeDevice_Count(const std::string &call);

// Every primitive drawn since the start, with the device vertices it was given.
struct FakePrimitive {
    int type;
    std::vector<TLVertex> vertices;
    uint32_t texture;       // the texture handle in force
};
const std::vector<FakePrimitive> &FakeDevice_Primitives();
void FakeDevice_ClearPrimitives();
