// The mixer's rate converter. Each output frame is a windowed-sinc sum over the
// source frames around its instant: the sinc's cutoff sits at the Nyquist frequency
// of the lower of the two rates, so going up it removes the mirror images above the
// source band, and going down it removes what would fold back into the output band.
// The Kaiser window gives a transition from 0.45 to 0.55 of the lower rate and about
// 77 dB of stop band with 48 taps. Coefficients are tabulated for RESAMPLE_PHASES
// instants per frame and interpolated linearly between two neighbouring phases.
#include "runtime/platform/common/audio_resample.h"

#include <math.h>
#include <stdlib.h>

namespace {

// Transition band as a share of the lower rate, centred on its Nyquist frequency.
const double kTransition = 0.1;

double BesselI0(double x) {
    double sum = 1, term = 1, q = x * x / 4;
    for (int k = 1; k < 64 && term > sum * 1e-17; k++) {
        term *= q / ((double)k * k);
        sum += term;
    }
    return sum;
}

} // namespace

double ResampleWeight(const ResampleKernel* k, double u) {
    double w = u / k->half;
    if (w <= -1 || w >= 1) return 0;
    double x = k->scale * u;
    double sinc = fabs(x) < 1e-12 ? 1 : sin(M_PI * x) / (M_PI * x);
    return k->scale * sinc * BesselI0(k->beta * sqrt(1 - w * w)) / BesselI0(k->beta);
}

int ResampleMakeKernel(ResampleKernel* k, int rate, int deviceRate) {
    k->rate = rate;
    k->deviceRate = deviceRate;
    k->users = 0;
    k->next = nullptr;
    k->scale = rate > deviceRate ? (double)deviceRate / rate : 1.0;
    // RESAMPLE_HALF_WIDTH taps a side at the lower rate, rounded up to whole blocks of 8.
    int taps = 2 * (int)ceil(RESAMPLE_HALF_WIDTH / k->scale);
    taps = (taps + 7) / 8 * 8;
    k->taps = taps;
    k->half = taps / 2;
    k->rows = k->deltas = nullptr;
    if (taps > 1024) return -1; // beyond the rates the mixer accepts
    // Kaiser's estimates: attenuation reached by this length and transition, and
    // the window shape that gives it.
    double attenuation = 14.357 * kTransition * taps * k->scale + 7.95;
    k->beta = 0.1102 * (attenuation - 8.7);
    k->rows = (float*)malloc(sizeof(float) * taps * (RESAMPLE_PHASES + 1));
    k->deltas = (float*)malloc(sizeof(float) * taps * RESAMPLE_PHASES);
    if (!k->rows || !k->deltas) {
        ResampleFreeKernel(k);
        return -1;
    }
    for (int p = 0; p <= RESAMPLE_PHASES; p++) {
        // Row p: the output instant p / RESAMPLE_PHASES after frame half - 1 of the taps.
        double weights[1024];
        double sum = 0;
        for (int j = 0; j < taps; j++) {
            weights[j] = ResampleWeight(k, (double)p / RESAMPLE_PHASES + k->half - 1 - j);
            sum += weights[j];
        }
        // Every row sums to one, so a constant signal stays exactly constant.
        for (int j = 0; j < taps; j++) k->rows[p * taps + j] = (float)(weights[j] / sum);
    }
    for (int p = 0; p < RESAMPLE_PHASES; p++)
        for (int j = 0; j < taps; j++) k->deltas[p * taps + j] = k->rows[(p + 1) * taps + j] - k->rows[p * taps + j];
    return 0;
}

void ResampleFreeKernel(ResampleKernel* k) {
    free(k->rows);
    free(k->deltas);
    k->rows = k->deltas = nullptr;
}

namespace {

inline int32_t Round(float v) {
    return (int32_t)(v + copysignf(0.5f, v));
}

// Taps go four at a time in SSE registers, or eight in AVX registers in the AVX2
// form below (the taps are a multiple of 8).
typedef float Lanes4 __attribute__((vector_size(16)));
typedef float Lanes8 __attribute__((vector_size(32)));

// Loads of V from any float address.
template <typename V>
struct Unaligned {
    typedef float Type __attribute__((vector_size(sizeof(V)), aligned(4), may_alias));
};
#define LOAD_LANES(p) (*(const typename Unaligned<V>::Type*)(p))

inline __attribute__((always_inline)) float SumLanes(const Lanes4& v) {
    Lanes4 pairs = v + __builtin_shufflevector(v, v, 2, 3, 0, 1);
    return pairs[0] + pairs[1];
}

inline __attribute__((always_inline)) float SumLanes(const Lanes8& v) {
    return SumLanes(__builtin_shufflevector(v, v, 0, 1, 2, 3) + __builtin_shufflevector(v, v, 4, 5, 6, 7));
}

// Taps: the kernel's length when known at compile time (every kernel going up has
// 2 x RESAMPLE_HALF_WIDTH), so the tap loop unrolls; 0 reads it from the kernel.
template <typename V, bool Stereo, int Taps>
inline __attribute__((always_inline)) void Run(const ResampleKernel* k, const float* left, const float* right,
                                               uint64_t pos, uint64_t step, int n, int32_t* acc) {
    const int lanes = (int)(sizeof(V) / sizeof(float));
    const int taps = Taps ? Taps : k->taps;
    const int back = k->half - 1;
    const int fracShift = 32 - RESAMPLE_PHASE_BITS;
    const uint32_t fracMask = (1u << fracShift) - 1;
    const float fracScale = 1.0f / (float)(1u << fracShift);
    const bool upward = k->scale == 1.0;
    for (int f = 0; f < n; f++, pos += step) {
        const int i = (int)(pos >> 32);
        const uint32_t frac = (uint32_t)pos;
        float yl, yr;
        if (frac == 0 && upward) {
            // On a source frame the sinc is zero at every other frame: the frame itself.
            yl = left[i];
            yr = Stereo ? right[i] : yl;
        } else {
            const int phase = (int)(frac >> fracShift);
            const float* c = k->rows + phase * taps;
            const float* d = k->deltas + phase * taps;
            const float* xl = left + i - back;
            const float* xr = Stereo ? right + i - back : nullptr;
            V sl = {}, sr = {};
            if ((frac & fracMask) == 0) {
                // Exactly on a tabulated phase (2x and 4x rates always are).
#pragma GCC unroll 8
                for (int j = 0; j < taps; j += lanes) {
                    V w = LOAD_LANES(c + j);
                    sl += w * LOAD_LANES(xl + j);
                    if (Stereo) sr += w * LOAD_LANES(xr + j);
                }
            } else {
                const float a = (float)(frac & fracMask) * fracScale;
#pragma GCC unroll 8
                for (int j = 0; j < taps; j += lanes) {
                    V w = LOAD_LANES(c + j) + a * LOAD_LANES(d + j);
                    sl += w * LOAD_LANES(xl + j);
                    if (Stereo) sr += w * LOAD_LANES(xr + j);
                }
            }
            yl = SumLanes(sl);
            yr = Stereo ? SumLanes(sr) : yl;
        }
        acc[f * 2] += Round(yl);
        acc[f * 2 + 1] += Round(yr);
    }
}

void RunPlain(const ResampleKernel* k, const float* left, const float* right, uint64_t pos, uint64_t step, int n,
              int32_t* acc) {
    if (k->taps == 2 * RESAMPLE_HALF_WIDTH) {
        if (right) Run<Lanes4, true, 2 * RESAMPLE_HALF_WIDTH>(k, left, right, pos, step, n, acc);
        else Run<Lanes4, false, 2 * RESAMPLE_HALF_WIDTH>(k, left, nullptr, pos, step, n, acc);
    } else if (right) {
        Run<Lanes4, true, 0>(k, left, right, pos, step, n, acc);
    } else {
        Run<Lanes4, false, 0>(k, left, nullptr, pos, step, n, acc);
    }
}

#if defined(__x86_64__) || defined(__i386__)
// The same loop compiled for AVX2 and FMA, chosen at run time when the processor
// has them: one register a block of eight taps, a fused multiply-add a tap.
__attribute__((target("avx2,fma"))) void RunAvx2(const ResampleKernel* k, const float* left, const float* right,
                                                 uint64_t pos, uint64_t step, int n, int32_t* acc) {
    if (k->taps == 2 * RESAMPLE_HALF_WIDTH) {
        if (right) Run<Lanes8, true, 2 * RESAMPLE_HALF_WIDTH>(k, left, right, pos, step, n, acc);
        else Run<Lanes8, false, 2 * RESAMPLE_HALF_WIDTH>(k, left, nullptr, pos, step, n, acc);
    } else if (right) {
        Run<Lanes8, true, 0>(k, left, right, pos, step, n, acc);
    } else {
        Run<Lanes8, false, 0>(k, left, nullptr, pos, step, n, acc);
    }
}

typedef void (*RunFunction)(const ResampleKernel*, const float*, const float*, uint64_t, uint64_t, int, int32_t*);

RunFunction PickRun() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? RunAvx2 : RunPlain;
}
#endif

int g_plainOnly; // tests force the portable loop

} // namespace

void ResampleUsePlainLoop(int plain) {
    g_plainOnly = plain;
}

void ResampleRun(const ResampleKernel* k, const float* left, const float* right, uint64_t pos, uint64_t step, int n,
                 int32_t* acc) {
#if defined(__x86_64__) || defined(__i386__)
    static const RunFunction run = PickRun();
    (g_plainOnly ? RunPlain : run)(k, left, right, pos, step, n, acc);
#else
    RunPlain(k, left, right, pos, step, n, acc);
#endif
}
