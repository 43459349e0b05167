// Product tables behind every blend: all divisions by 255 and 63 come from here.
#pragma once

#include <stdint.h>

struct BlendTables {
    int built;                       // filled once, on the first screen set-up
    uint8_t product[256][256];       // i * j / 255
    int16_t signedProduct[256][511]; // trunc(i * j / 255), j from -255 at index 0
    uint8_t alphaMix64[64][64][64];  // (a * s + (63 - a) * d) / 63
};

extern BlendTables g_blendTables;

void BuildBlendTables(void);

// Row of the signed table for parameter p, indexable by -255..255.
inline const int16_t* SignedProductRow(int p) {
    return &g_blendTables.signedProduct[p][255];
}
