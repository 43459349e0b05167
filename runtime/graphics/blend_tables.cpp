// Builds the product tables once; later screen set-ups find them ready.
#include "runtime/graphics/blend_tables.h"

BlendTables g_blendTables;

void BuildBlendTables(void) {
    if (g_blendTables.built) return;
    for (int i = 0; i < 256; i++) {
        for (int j = 0; j < 256; j++) g_blendTables.product[i][j] = (uint8_t)(i * j / 255);
        for (int j = -255; j <= 255; j++) g_blendTables.signedProduct[i][j + 255] = (int16_t)(i * j / 255);
    }
    for (int a = 0; a < 64; a++)
        for (int s = 0; s < 64; s++)
            for (int d = 0; d < 64; d++) g_blendTables.alphaMix64[a][s][d] = (uint8_t)((a * s + (63 - a) * d) / 63);
    g_blendTables.built = 1;
}
