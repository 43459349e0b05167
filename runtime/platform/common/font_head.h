// The part of a font record that every system's rasteriser fills the same way at
// creation. Each system's PlatformFont starts with it, so the getters that only
// read it are written once (font_head.cpp).
#pragma once

#include <stddef.h>

#include <type_traits>

#include "runtime/platform/platform.h"

struct FontHead {
    char family[128];            // family name of the chosen face, UTF-8
    PlatformFontMetrics metrics; // computed once at creation
};

// Put after each system's PlatformFont: the getters read the head through the font's address.
#define FONT_HEAD_FIRST(Font) \
    static_assert(std::is_standard_layout_v<Font> && offsetof(Font, head) == 0, "FontHead must open " #Font)
