// fallback_device.h -- one device layer over two: the hardware layer for as long as it can give
// a hardware 3-D device, and the software layer for everything made once it could not. The
// graphics start-up tears down what the hardware layer made and builds again; the objects of
// each layer keep going to the layer that made them.
#pragma once

#include "graphics/device/device.h"

// The layer to give the graphics start-up. Starts afresh with the hardware layer each call.
const GfxDevice *FallbackDevice_Start(const GfxDevice *hardware, const GfxDevice *software);
// The layer that new objects come from now: the hardware one until it failed.
const GfxDevice *FallbackDevice_Current();
