// The runtime's public draw calls beside SDL2's software blitter (SDL_BlitSurface)
// and pixman on the same pixels: each case covers the 320 x 240 back buffer with
// one picture or with 300 keyed 16 x 16 tiles, at 16 and at 32 bits.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>
#include <string.h>

#include <random>

#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/runtime.h"
#include "sdl_cases.h"

namespace {

const int W = 320, H = 240;

struct CaseInfo {
    int trans, mode, param, tiles;
};
const CaseInfo kCases[kSideCaseCount] = {
    {0, 0, 0, 0},   // copy
    {1, 0, 0, 0},   // colour key
    {0, 1, 128, 0}, // constant alpha 128
    {1, 1, 128, 0}, // the same with the key
    {0, 1, 200, 0}, // constant alpha 200
    {1, 1, 200, 0}, // the same with the key
    {0, 2, 255, 0}, // add
    {0, 2, 128, 0}, // add at half strength
    {1, 0, 0, 1},   // 300 keyed tiles
};

// A runtime on the headless backend with one random graph, a quarter of it the key.
struct Stage {
    GraphHandle graph = -1;
    MEMIMG* screen = nullptr;
    const MEMIMG* image = nullptr;
    MEMIMG view = {};
};

bool OpenStage(Stage* st, int depth, int size) {
    SetLogOutputEnabled(0);
    SetFlipVBlankWait(0);
    SetScreenMode(W, H, depth, 60);
    ChangeWindowMode(1);
    if (RuntimeInit() != 0) return false;
    SetDrawTarget(-2);
    SetTransparentColor(0, 255, 0);
    st->graph = CreateBlankGraph(size == 16 ? 16 : W, size == 16 ? 16 : H, 0, 0);
    st->image = GetGraphImageForDrawing(st->graph, &st->view);
    st->screen = CurrentTargetImage();
    if (!st->image || !st->screen) return false;
    std::mt19937 rng((unsigned)(depth * 7 + size));
    const int bytes = st->image->Format->PixelByte;
    for (int y = 0; y < st->image->Height; y++) {
        uint8_t* row = st->image->Pixels + (intptr_t)y * st->image->Pitch;
        for (int x = 0; x < st->image->Width; x++) {
            uint32_t v = rng() % 4 == 0 ? st->image->TransColor : (uint32_t)rng();
            if (bytes == 2) ((uint16_t*)row)[x] = (uint16_t)v;
            else ((uint32_t*)row)[x] = v & 0xFFFFFF;
        }
    }
    for (int y = 0; y < H; y++)
        for (int x = 0; x < st->screen->Pitch; x++)
            st->screen->Pixels[(intptr_t)y * st->screen->Pitch + x] = (uint8_t)rng();
    return true;
}

SDL_Surface* SdlWrap(const MEMIMG* m) {
    Uint32 format = m->Format->PixelByte == 2 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    return SDL_CreateRGBSurfaceWithFormatFrom(m->Pixels, m->Width, m->Height, m->Format->PixelByte * 8, m->Pitch,
                                              format);
}

pixman_image_t* PixmanWrap(const MEMIMG* m) {
    return pixman_image_create_bits(m->Format->PixelByte == 2 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8, m->Width, m->Height,
                                    (uint32_t*)m->Pixels, m->Pitch);
}

void BM_Side(benchmark::State& state) {
    const int c = (int)state.range(0), depth = (int)state.range(1), side = (int)state.range(2);
    const CaseInfo& k = kCases[c];
    Stage st;
    if (!OpenStage(&st, depth, k.tiles ? 16 : W)) {
        state.SkipWithError("runtime start failed");
        RuntimeEnd();
        return;
    }
    const int step = k.tiles ? 16 : W;
    if (side == SideOurs) {
        SetBlendMode(k.mode, k.param);
        for (auto _ : state) {
            for (int y = 0; y < H; y += (k.tiles ? 16 : H))
                for (int x = 0; x < W; x += step) DrawGraphAt(x, y, st.graph, k.trans);
            benchmark::ClobberMemory();
        }
        SetBlendMode(0, 0);
    } else if (side == SideSdl) {
        SDL_Surface *src = SdlWrap(st.image), *dst = SdlWrap(st.screen);
        if (k.trans) SDL_SetColorKey(src, SDL_TRUE, st.image->TransColor);
        SDL_SetSurfaceBlendMode(
            src, k.mode == 0 ? SDL_BLENDMODE_NONE : (k.mode == 1 ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_ADD));
        if (k.mode != 0) SDL_SetSurfaceAlphaMod(src, (Uint8)k.param);
        for (auto _ : state) {
            for (int y = 0; y < H; y += (k.tiles ? 16 : H))
                for (int x = 0; x < W; x += step) {
                    SDL_Rect at = {x, y, 0, 0};
                    SDL_BlitSurface(src, nullptr, dst, &at);
                }
            benchmark::ClobberMemory();
        }
        SDL_FreeSurface(src);
        SDL_FreeSurface(dst);
    } else {
        // pixman has no colour key: its nearest operation ignores the key.
        pixman_image_t *src = PixmanWrap(st.image), *dst = PixmanWrap(st.screen), *mask = nullptr;
        pixman_color_t maskColor = {0, 0, 0, (uint16_t)(k.param * 257)};
        if (k.mode != 0 && k.param < 255) mask = pixman_image_create_solid_fill(&maskColor);
        pixman_op_t op = k.mode == 0 ? PIXMAN_OP_SRC : (k.mode == 1 ? PIXMAN_OP_OVER : PIXMAN_OP_ADD);
        for (auto _ : state) {
            for (int y = 0; y < H; y += (k.tiles ? 16 : H))
                for (int x = 0; x < W; x += step)
                    pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, x, y, st.image->Width, st.image->Height);
            benchmark::ClobberMemory();
        }
        if (mask) pixman_image_unref(mask);
        pixman_image_unref(src);
        pixman_image_unref(dst);
    }
    RuntimeEnd();
    state.counters["Mpix/s"] =
        benchmark::Counter((double)W * H * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Side)->ArgsProduct({benchmark::CreateDenseRange(0, kSideCaseCount - 1, 1), {16, 32}, {0, 1, 2}});

} // namespace

const char* const kSideCaseNames[kSideCaseCount] = {"copy",           "colour key",      "alpha 128", "alpha 128 + key",
                                                    "alpha 200",      "alpha 200 + key", "add 255",   "add 128",
                                                    "300 keyed tiles"};
