// Sound costs: decoding a 60-second stereo Ogg Vorbis and MP3 file (as times
// realtime), LoadSoundFile of the Ogg file against oggdec decoding the same file
// in the same run (ratio), and the mixer's time per 512-frame period with 8 and
// 16 voices (with the share of one core that a second of output costs).
// Reports medians of the repetitions.
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "runtime/core/memory.h"
#include "runtime/file/file_ops.h"
#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"
#include "runtime/runtime.h"
#include "runtime/sound/sound_decoder.h"

namespace {

const double kSeconds = 60.0;

struct Files {
    std::string dir, wav, ogg, mp3;
    std::vector<uint8_t> oggBytes, mp3Bytes;
    bool ok = false;
};

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) out.insert(out.end(), buf, buf + n);
    fclose(f);
    return out;
}

// Music-like material: two tones over quiet noise, 60 s, 44100 Hz stereo.
Files& TestFiles() {
    static Files f;
    if (!f.dir.empty()) return f;
    char tmpl[] = "/tmp/bkt_sound_bench_XXXXXX";
    f.dir = mkdtemp(tmpl) ? tmpl : "/tmp";
    f.wav = f.dir + "/music.wav";
    f.ogg = f.dir + "/music.ogg";
    f.mp3 = f.dir + "/music.mp3";
    std::string make = "/usr/bin/sox -n -r 44100 -c 2 -b 16 " + f.wav +
                       " synth 60 sine 220 sine 330 pinknoise remix 1,3 2,3 gain -9 >/dev/null 2>&1"
                       " && /usr/bin/oggenc -Q -o " +
                       f.ogg + " " + f.wav + " >/dev/null 2>&1 && /usr/bin/lame --quiet -b 160 " + f.wav + " " + f.mp3 +
                       " >/dev/null 2>&1";
    f.ok = system(make.c_str()) == 0;
    f.oggBytes = ReadAll(f.ogg);
    f.mp3Bytes = ReadAll(f.mp3);
    f.ok = f.ok && !f.oggBytes.empty() && !f.mp3Bytes.empty();
    return f;
}

struct Runtime {
    Runtime() {
        SetLogOutputEnabled(0);
        SetScreenMode(320, 240, 16, 60);
        RuntimeInit();
    }
    ~Runtime() { RuntimeEnd(); }
};

Runtime& Started() {
    static Runtime runtime;
    return runtime;
}

int DecodeWhole(const std::vector<uint8_t>& bytes) {
    MemoryStream* m = OpenMemoryStream(bytes.data(), (int)bytes.size());
    SoundDecoder d;
    int length = -1;
    if (SetupSoundDecoder(&g_memoryStream, (intptr_t)m, &d) == 0) {
        PcmImage image;
        if (DecodeSoundToPcm(&d, &image) == 0) {
            length = image.length;
            if (image.bytes) RT_FREE(image.bytes);
        }
        TerminateSoundDecoder(&d);
    }
    g_memoryStream.close((intptr_t)m);
    return length;
}

void DecodeBench(benchmark::State& state, const std::vector<uint8_t>& bytes) {
    if (!TestFiles().ok) {
        state.SkipWithError("sox, oggenc or lame missing");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(DecodeWhole(bytes));
    state.counters["x_realtime"] = benchmark::Counter(kSeconds * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_DecodeOggVorbis60s(benchmark::State& state) {
    DecodeBench(state, TestFiles().oggBytes);
}
BENCHMARK(BM_DecodeOggVorbis60s)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_DecodeMp360s(benchmark::State& state) {
    DecodeBench(state, TestFiles().mp3Bytes);
}
BENCHMARK(BM_DecodeMp360s)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// One iteration: LoadSoundFile (read, decode, buffers filled) and, right after,
// oggdec decoding the same file to /dev/null; the ratio is of the two times.
void BM_LoadSoundFileVsOggdec(benchmark::State& state) {
    Files& f = TestFiles();
    if (!f.ok || access("/usr/bin/oggdec", X_OK) != 0) {
        state.SkipWithError("tools missing");
        return;
    }
    Started();
    std::string oggdec = "/usr/bin/oggdec -Q -o /dev/null " + f.ogg;
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        SoundHandle h = LoadSoundFile(f.ogg.c_str(), 3);
        auto t1 = std::chrono::steady_clock::now();
        state.PauseTiming();
        DeleteSoundHandle(h);
        auto t2 = std::chrono::steady_clock::now();
        int rc = system(oggdec.c_str());
        auto t3 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(rc);
        state.ResumeTiming();
        ours += std::chrono::duration<double>(t1 - t0).count();
        theirs += std::chrono::duration<double>(t3 - t2).count();
    }
    state.counters["load_ms"] = ours * 1000 / state.iterations();
    state.counters["oggdec_ms"] = theirs * 1000 / state.iterations();
    state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
}
BENCHMARK(BM_LoadSoundFileVsOggdec)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// Voices of different formats and rates, all looping, mixed one period at a time.
// One voice plays at the device rate; the others are converted, two of them at a
// whole ratio (2x, 4x) and five at rates whose instants fall between the
// converter's tabulated phases.
void BM_MixPeriod(benchmark::State& state) {
    Started();
    const int voices = (int)state.range(0);
    const int rates[] = {44100, 22050, 11025, 48000, 8000, 32000, 22254, 11127};
    std::vector<PlatformSoundBuffer*> made;
    for (int v = 0; v < voices; v++) {
        WaveFormat f = {};
        f.FormatTag = 1;
        f.Channels = (uint16_t)(v % 2 + 1);
        f.SamplesPerSec = (uint32_t)rates[v % 8];
        f.BitsPerSample = v % 3 == 2 ? 8 : 16;
        f.BlockAlign = (uint16_t)(f.Channels * f.BitsPerSample / 8);
        f.AvgBytesPerSec = f.BlockAlign * f.SamplesPerSec;
        int bytes = (int)f.AvgBytesPerSec; // one second
        PlatformSoundBuffer* b = PlatformAudioCreateBuffer(&f, bytes, 0);
        if (!b) continue;
        void *p1, *p2;
        int n1, n2;
        PlatformAudioLockBuffer(b, 0, bytes, &p1, &n1, &p2, &n2);
        for (int i = 0; i < n1; i++) ((uint8_t*)p1)[i] = (uint8_t)(i * 37 + v);
        PlatformAudioUnlockBuffer(b, p1, n1, p2, n2);
        PlatformAudioPlayBuffer(b, 1);
        made.push_back(b);
    }
    std::vector<int16_t> out(512 * 2);
    for (auto _ : state) {
        ScriptedMixAudio(out.data(), 512);
        benchmark::DoNotOptimize(out.data());
    }
    for (PlatformSoundBuffer* b : made) PlatformAudioReleaseBuffer(b);
    // Periods per second of output: the share of one core spent mixing.
    // time / (iterations / (periods per second * 100)) = percent of one core.
    state.counters["core_pct"] = benchmark::Counter(
        1.0 / (44100.0 / 512 * 100), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MixPeriod)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
