// The mixer's rate converter: a polyphase Kaiser-windowed sinc. One kernel per
// source rate; the mixer gathers each voice's source frames as planar floats and
// runs the kernel over them.
#pragma once

#include <stdint.h>

// Phases stored per source frame (coefficients between two phases are interpolated).
#define RESAMPLE_PHASE_BITS 7
#define RESAMPLE_PHASES (1 << RESAMPLE_PHASE_BITS)

// Taps on each side of the output instant, counted at the lower of the two rates.
#define RESAMPLE_HALF_WIDTH 24

struct ResampleKernel {
    int rate;             // source rate it converts from
    int deviceRate;       // rate it converts to
    int users;            // sample sets using it (the mixer's cache count)
    int taps;             // coefficients per phase, a multiple of 8
    int half;             // taps / 2: taps reach half - 1 frames back, half ahead
    double scale;         // cutoff as a share of the source's Nyquist band (<= 1)
    double beta;          // Kaiser window shape
    float* rows;          // RESAMPLE_PHASES + 1 rows of taps coefficients
    float* deltas;        // RESAMPLE_PHASES rows: the next row minus this one
    ResampleKernel* next; // the mixer's cache list
};

// Designs the kernel converting rate to deviceRate. 0, or -1 when out of memory.
int ResampleMakeKernel(ResampleKernel* kernel, int rate, int deviceRate);
void ResampleFreeKernel(ResampleKernel* kernel);

// The exact (untabulated, unnormalised) weight of a source frame u source frames
// before the output instant (negative u: after it). The tests' reference.
double ResampleWeight(const ResampleKernel* kernel, double u);

// Adds n output frames to acc (interleaved stereo). left/right hold planar source
// frames and position is the first output instant in 32.32 frames of them; an
// output at integer part i reads frames i - half + 1 .. i + half, which must exist.
// right null: a mono source, sent to both sides.
void ResampleRun(const ResampleKernel* kernel, const float* left, const float* right, uint64_t position, uint64_t step,
                 int n, int32_t* acc);

// 1: ResampleRun uses the portable loop even where the AVX2 one could run (tests
// check both against the same reference); 0: the fastest the processor has.
void ResampleUsePlainLoop(int plain);
