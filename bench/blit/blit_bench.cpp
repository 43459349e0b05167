// Blitter throughput in pixels per second on a 320 x 240 screen, each path
// beside pixman doing the nearest comparable operation on the same sizes; the
// public draw calls beside SDL2 and pixman are in sdl_cases.cpp.
#include <benchmark/benchmark.h>
#include <math.h>
#include <pixman.h>
#include <string.h>

#include <stdio.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "runtime/graphics/blit.h"
#include "runtime/graphics/blit_simd.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/shapes.h"
#include "runtime/graphics/transform.h"
#include "sdl_cases.h"

namespace {

const int W = 320, H = 240;
const int kWhole[4] = {0, 0, W, H};

struct Img {
    MEMIMG m;
    Img(int w, int h, int kind, int alpha = 0, uint32_t key = 0) {
        memset(&m, 0, sizeof(m));
        SetupMemImg(&m, w, h, -1, key, kind, 0, alpha);
        std::mt19937 rng(w * 31 + h + kind);
        for (int i = 0; i < m.Pitch * h; i++) m.Pixels[i] = (uint8_t)rng();
    }
    ~Img() { ReleaseMemImg(&m); }
};

// A 565 sprite sheet with a quarter of its pixels the colour key.
void Keyed(Img& img, uint32_t key) {
    std::mt19937 rng(1);
    for (int y = 0; y < img.m.Height; y++)
        for (int x = 0; x < img.m.Width; x++)
            if (rng() % 4 == 0) ((uint16_t*)(img.m.Pixels + y * img.m.Pitch))[x] = (uint16_t)key;
}

pixman_image_t* Wrap(MEMIMG& m, pixman_format_code_t format) {
    return pixman_image_create_bits(format, m.Width, m.Height, (uint32_t*)m.Pixels, m.Pitch);
}

void Finish(benchmark::State& state, int64_t pixelsPerIteration) {
    state.counters["Mpix/s"] =
        benchmark::Counter((double)pixelsPerIteration * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// ---- 565 colour-key copy --------------------------------------------------------

void BM_Key565_Full(benchmark::State& state) {
    Img src(W, H, Rgb565, 0, 0x07E0), dst(W, H, Rgb565);
    Keyed(src, 0x07E0);
    for (auto _ : state) {
        BlitMemImgWith(&dst.m, &src.m, 0, 0, 1, kWhole, 0, 0, 0xFFFFFF);
        benchmark::ClobberMemory();
    }
    Finish(state, W * H);
}
BENCHMARK(BM_Key565_Full);

// The same copy without the colour key: whole rows at a time.
void BM_Copy565_Full(benchmark::State& state) {
    Img src(W, H, Rgb565), dst(W, H, Rgb565);
    for (auto _ : state) {
        BlitMemImgWith(&dst.m, &src.m, 0, 0, 0, kWhole, 0, 0, 0xFFFFFF);
        benchmark::ClobberMemory();
    }
    Finish(state, W * H);
}
BENCHMARK(BM_Copy565_Full);

void BM_Pixman_Src565_Full(benchmark::State& state) {
    Img src(W, H, Rgb565), dst(W, H, Rgb565);
    pixman_image_t *s = Wrap(src.m, PIXMAN_r5g6b5), *d = Wrap(dst.m, PIXMAN_r5g6b5);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    Finish(state, W * H);
}
BENCHMARK(BM_Pixman_Src565_Full);

void BM_Key565_Tiles16(benchmark::State& state) {
    Img sheet(16, 16, Rgb565, 0, 0x07E0), dst(W, H, Rgb565);
    Keyed(sheet, 0x07E0);
    for (auto _ : state) {
        for (int y = 0; y < H; y += 16)
            for (int x = 0; x < W; x += 16) BlitMemImgWith(&dst.m, &sheet.m, x, y, 1, kWhole, 0, 0, 0xFFFFFF);
        benchmark::ClobberMemory();
    }
    Finish(state, W * H);
}
BENCHMARK(BM_Key565_Tiles16);

void BM_Pixman_Src565_Tiles16(benchmark::State& state) {
    Img sheet(16, 16, Rgb565), dst(W, H, Rgb565);
    pixman_image_t *s = Wrap(sheet.m, PIXMAN_r5g6b5), *d = Wrap(dst.m, PIXMAN_r5g6b5);
    for (auto _ : state) {
        for (int y = 0; y < H; y += 16)
            for (int x = 0; x < W; x += 16)
                pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, x, y, 16, 16);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    Finish(state, W * H);
}
BENCHMARK(BM_Pixman_Src565_Tiles16);

// ---- Translucent copies -------------------------------------------------------------

void BM_Mode1_565(benchmark::State& state) {
    Img src(W, H, Rgb565, 0, 0x07E0), dst(W, H, Rgb565);
    Keyed(src, 0x07E0);
    int param = (int)state.range(0);
    for (auto _ : state) {
        BlitMemImgWith(&dst.m, &src.m, 0, 0, 1, kWhole, 1, param, 0xFFFFFF);
        benchmark::ClobberMemory();
    }
    Finish(state, W * H);
}
BENCHMARK(BM_Mode1_565)->Arg(128)->Arg(200);

void BM_Pixman_OverConstMask565(benchmark::State& state) {
    Img src(W, H, Rgb565), dst(W, H, Rgb565);
    pixman_image_t *s = Wrap(src.m, PIXMAN_r5g6b5), *d = Wrap(dst.m, PIXMAN_r5g6b5);
    uint16_t a = (uint16_t)(state.range(0) * 257);
    pixman_color_t maskColor = {0, 0, 0, a};
    pixman_image_t* mask = pixman_image_create_solid_fill(&maskColor);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, s, mask, d, 0, 0, 0, 0, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    pixman_image_unref(s);
    pixman_image_unref(d);
    Finish(state, W * H);
}
BENCHMARK(BM_Pixman_OverConstMask565)->Arg(128)->Arg(200);

void BM_Alpha565_Over565(benchmark::State& state) {
    Img src(W, H, Rgb565, 1), dst(W, H, Rgb565);
    for (auto _ : state) {
        BlitMemImgWith(&dst.m, &src.m, 0, 0, 1, kWhole, 0, 0, 0xFFFFFF);
        benchmark::ClobberMemory();
    }
    Finish(state, W * H);
}
BENCHMARK(BM_Alpha565_Over565);

void BM_Pixman_Over8888_565(benchmark::State& state) {
    Img src(W, H, Xrgb8888, 1), dst(W, H, Rgb565);
    pixman_image_t *s = Wrap(src.m, PIXMAN_a8r8g8b8), *d = Wrap(dst.m, PIXMAN_r5g6b5);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    Finish(state, W * H);
}
BENCHMARK(BM_Pixman_Over8888_565);

void BM_AddSub565(benchmark::State& state) {
    Img src(W, H, Rgb565, 0, 0x07E0), dst(W, H, Rgb565);
    int mode = (int)state.range(0), param = (int)state.range(1);
    for (auto _ : state) {
        BlitMemImgWith(&dst.m, &src.m, 0, 0, 0, kWhole, mode, param, 0xFFFFFF);
        benchmark::ClobberMemory();
    }
    Finish(state, W * H);
}
BENCHMARK(BM_AddSub565)->Args({2, 255})->Args({2, 128})->Args({3, 255})->Args({3, 128});

void BM_Pixman_Add565(benchmark::State& state) {
    Img src(W, H, Rgb565), dst(W, H, Rgb565);
    pixman_image_t *s = Wrap(src.m, PIXMAN_r5g6b5), *d = Wrap(dst.m, PIXMAN_r5g6b5);
    pixman_color_t maskColor = {0, 0, 0, (uint16_t)(state.range(0) * 257)};
    pixman_image_t* mask = state.range(0) < 255 ? pixman_image_create_solid_fill(&maskColor) : nullptr;
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_ADD, s, mask, d, 0, 0, 0, 0, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    if (mask) pixman_image_unref(mask);
    pixman_image_unref(s);
    pixman_image_unref(d);
    Finish(state, W * H);
}
BENCHMARK(BM_Pixman_Add565)->Arg(255)->Arg(128);

void BM_Mode1_8888(benchmark::State& state) {
    Img src(W, H, Xrgb8888), dst(W, H, Xrgb8888);
    for (auto _ : state) {
        BlitMemImgWith(&dst.m, &src.m, 0, 0, 0, kWhole, 1, (int)state.range(0), 0xFFFFFF);
        benchmark::ClobberMemory();
    }
    Finish(state, W * H);
}
BENCHMARK(BM_Mode1_8888)->Arg(200);

void BM_Pixman_OverConstMask8888(benchmark::State& state) {
    Img src(W, H, Xrgb8888), dst(W, H, Xrgb8888);
    pixman_image_t *s = Wrap(src.m, PIXMAN_x8r8g8b8), *d = Wrap(dst.m, PIXMAN_x8r8g8b8);
    pixman_color_t maskColor = {0, 0, 0, (uint16_t)(state.range(0) * 257)};
    pixman_image_t* mask = pixman_image_create_solid_fill(&maskColor);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, s, mask, d, 0, 0, 0, 0, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    pixman_image_unref(s);
    pixman_image_unref(d);
    Finish(state, W * H);
}
BENCHMARK(BM_Pixman_OverConstMask8888)->Arg(200);

// ---- Rotation --------------------------------------------------------------------------

void BM_Rotate16(benchmark::State& state) {
    Img src(16, 16, Rgb565, 0, 0x07E0), dst(W, H, Rgb565);
    Keyed(src, 0x07E0);
    g_draw.area[0] = 0;
    g_draw.area[1] = 0;
    g_draw.area[2] = W;
    g_draw.area[3] = H;
    g_draw.blendMode = 0;
    g_draw.bright = 0xFFFFFF;
    double angle = 0.3;
    for (auto _ : state) {
        RotateBlitMemImg(&dst.m, &src.m, 100, 100, angle, 1.0, 1, 0);
        benchmark::ClobberMemory();
    }
    Finish(state, 256);
}
BENCHMARK(BM_Rotate16);

void BM_Pixman_Rotate16(benchmark::State& state) {
    Img src(16, 16, Xrgb8888, 1), dst(W, H, Rgb565);
    pixman_image_t *s = Wrap(src.m, PIXMAN_a8r8g8b8), *d = Wrap(dst.m, PIXMAN_r5g6b5);
    pixman_transform_t t;
    // Destination (x, y) samples the source rotated about the sprite's centre.
    double angle = 0.3;
    pixman_transform_init_identity(&t);
    pixman_transform_translate(&t, nullptr, pixman_double_to_fixed(-12), pixman_double_to_fixed(-12));
    pixman_transform_rotate(&t, nullptr, pixman_double_to_fixed(cos(angle)), pixman_double_to_fixed(sin(angle)));
    pixman_transform_translate(&t, nullptr, pixman_double_to_fixed(8), pixman_double_to_fixed(8));
    pixman_image_set_transform(s, &t);
    pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 88, 88, 24, 24);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    Finish(state, 256);
}
BENCHMARK(BM_Pixman_Rotate16);

// ---- Blended rectangle -------------------------------------------------------------------

void BM_FillBlend565(benchmark::State& state) {
    Img dst(W, H, Rgb565);
    for (auto _ : state) {
        FillRectMemImgWith(&dst.m, nullptr, 0x0000, kWhole, 1, 128, 0xFFFFFF);
        benchmark::ClobberMemory();
    }
    Finish(state, W * H);
}
BENCHMARK(BM_FillBlend565);

void BM_Pixman_FillOver565(benchmark::State& state) {
    Img dst(W, H, Rgb565);
    pixman_image_t* d = Wrap(dst.m, PIXMAN_r5g6b5);
    pixman_color_t color = {0, 0, 0, 0x8080};
    pixman_rectangle16_t rect = {0, 0, W, H};
    for (auto _ : state) {
        pixman_image_fill_rectangles(PIXMAN_OP_OVER, d, &color, 1, &rect);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(d);
    Finish(state, W * H);
}
BENCHMARK(BM_Pixman_FillOver565);

// Keeps each benchmark's pixel rate (the median when repeated) for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rates; // benchmark name -> Mpixel/s
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median) continue;
            auto it = run.counters.find("Mpix/s");
            if (it != run.counters.end()) rates[run.run_name.str()] = it->second.value;
        }
    }
};

void PrintRatios(const std::map<std::string, double>& rates) {
    static const char* const pairs[][2] = {
        {"BM_Key565_Full", "BM_Pixman_Src565_Full"},
        {"BM_Copy565_Full", "BM_Pixman_Src565_Full"},
        {"BM_Key565_Tiles16", "BM_Pixman_Src565_Tiles16"},
        {"BM_Mode1_565/128", "BM_Pixman_OverConstMask565/128"},
        {"BM_Mode1_565/200", "BM_Pixman_OverConstMask565/200"},
        {"BM_Alpha565_Over565", "BM_Pixman_Over8888_565"},
        {"BM_AddSub565/2/255", "BM_Pixman_Add565/255"},
        {"BM_AddSub565/2/128", "BM_Pixman_Add565/128"},
        {"BM_AddSub565/3/255", "BM_Pixman_Add565/255"},
        {"BM_AddSub565/3/128", "BM_Pixman_Add565/128"},
        {"BM_Mode1_8888/200", "BM_Pixman_OverConstMask8888/200"},
        {"BM_Rotate16", "BM_Pixman_Rotate16"},
        {"BM_FillBlend565", "BM_Pixman_FillOver565"},
    };
    printf("\n%-22s %12s  %-32s %12s  %s\n", "path", "Mpixel/s", "pixman counterpart", "Mpixel/s", "ratio");
    for (auto& p : pairs) {
        auto a = rates.find(p[0]), b = rates.find(p[1]);
        if (a == rates.end() || b == rates.end() || b->second <= 0) continue;
        printf("%-22s %12.1f  %-32s %12.1f  %.2f\n", p[0] + 3, a->second, p[1] + 3, b->second, a->second / b->second);
    }
}

// The side-by-side table: times per covered screen, SDL2's and pixman's over ours,
// and each 32-bit time over its 16-bit one.
void PrintSideTable(const std::map<std::string, double>& rates) {
    auto micros = [&](int c, int depth, int side) {
        auto it = rates.find("BM_Side/" + std::to_string(c) + "/" + std::to_string(depth) + "/" + std::to_string(side));
        return it == rates.end() || it->second <= 0 ? -1.0 : 320.0 * 240.0 / it->second;
    };
    bool any = false;
    for (int c = 0; c < kSideCaseCount; c++)
        for (int depth : {16, 32}) {
            double ours = micros(c, depth, SideOurs), sdl = micros(c, depth, SideSdl),
                   pix = micros(c, depth, SidePixman);
            if (ours <= 0) continue;
            if (!any) {
                printf(
                    "\n| case | bits | ours (us) | SDL2 (us) | SDL2 / ours | pixman (us) | pixman / ours | 32 / 16 "
                    "bits |\n"
                    "|---|---|---|---|---|---|---|---|\n");
                any = true;
            }
            double other = micros(c, 16, SideOurs);
            printf("| %s | %d | %.1f | %.1f | %.2f | %.1f | %.2f |", kSideCaseNames[c], depth, ours, sdl, sdl / ours,
                   pix, pix / ours);
            if (depth == 32 && other > 0) printf(" %.2f |\n", ours / other);
            else printf(" |\n");
        }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter.rates);
    PrintSideTable(reporter.rates);
    benchmark::Shutdown();
    return 0;
}
