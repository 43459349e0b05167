// The other subsystems' entry points that the lifecycle, the message pump and
// the window procedure call.
#pragma once

#include "runtime/file/archive.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/screen.h"
#include "runtime/input/input.h"
#include "runtime/runtime.h"
#include "runtime/sound/sound_device.h"
#include "runtime/text/text.h"
