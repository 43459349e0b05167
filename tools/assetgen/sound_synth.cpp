// Effect synthesis. A description holds global lines (encoding, rate, length, peak)
// and "layer" blocks; each layer is one voice:
//   wave square DUTY | triangle | sine | saw | noise
//   time START DURATION          seconds within the effect
//   freq F0 F1 [exp|lin]         pitch sweep over the layer (noise: sample-and-hold rate)
//   vibrato RATE DEPTH           depth as a fraction of the pitch
//   env ATTACK HOLD RELEASE      linear attack, hold, squared fall
//   gain G | lowpass C0 C1 | highpass C
#include "sound_synth.h"

#include "text_source.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

enum Wave { WaveSquare, WaveTriangle, WaveSine, WaveSaw, WaveNoise };

struct Layer {
    Wave wave = WaveSine;                           // oscillator shape
    double duty = 0.5;                              // square duty cycle
    double start = 0, duration = 0.1;               // seconds
    double f0 = 440, f1 = 440;                      // pitch at start and end of the layer
    bool expSweep = true;                           // exponential (musical) or linear sweep
    double vibRate = 0, vibDepth = 0;               // vibrato
    double attack = 0.002, hold = 0, release = 0.1; // envelope, seconds
    double gain = 1;                                // mix level
    double lp0 = 0, lp1 = 0;                        // one-pole low-pass cutoff sweep, 0 = off
    double hp = 0;                                  // one-pole high-pass cutoff, 0 = off
};

double Envelope(const Layer& l, double t) {
    if (t < 0) return 0;
    if (t < l.attack) return t / l.attack;
    t -= l.attack;
    if (t < l.hold) return 1;
    t -= l.hold;
    if (t >= l.release) return 0;
    double u = 1.0 - t / l.release;
    return u * u;
}

void RenderLayer(const Layer& l, int rate, std::vector<double>& mix) {
    uint32_t noise = 0x1234567u;
    double phase = 0, held = 0, lp = 0, hpIn = 0, hpOut = 0;
    int64_t first = static_cast<int64_t>(std::llround(l.start * rate));
    int64_t count = static_cast<int64_t>(std::llround(l.duration * rate));
    for (int64_t n = 0; n < count; ++n) {
        int64_t at = first + n;
        if (at < 0 || at >= static_cast<int64_t>(mix.size())) continue;
        double t = static_cast<double>(n) / rate;
        double u = l.duration > 0 ? t / l.duration : 0;
        double f = l.expSweep ? l.f0 * std::pow(l.f1 / l.f0, u) : l.f0 + (l.f1 - l.f0) * u;
        if (l.vibDepth > 0) f *= 1.0 + l.vibDepth * std::sin(2 * M_PI * l.vibRate * t);
        double prev = phase;
        phase += f / rate;
        double v = 0;
        switch (l.wave) {
            case WaveSquare:
                v = std::fmod(phase, 1.0) < l.duty ? 1 : -1;
                break;
            case WaveTriangle: {
                double p = std::fmod(phase, 1.0);
                v = p < 0.5 ? 4 * p - 1 : 3 - 4 * p;
            } break;
            case WaveSine:
                v = std::sin(2 * M_PI * phase);
                break;
            case WaveSaw:
                v = 2 * std::fmod(phase, 1.0) - 1;
                break;
            case WaveNoise:
                if (std::floor(phase) != std::floor(prev) || n == 0) {
                    noise = noise * 1103515245u + 12345u;
                    held = ((noise >> 9) & 0xFFFF) / 32767.5 - 1.0;
                }
                v = held;
                break;
        }
        if (l.lp0 > 0) {
            double c = l.lp0 * std::pow(l.lp1 / l.lp0, u);
            double a = 1.0 - std::exp(-2 * M_PI * c / rate);
            lp += a * (v - lp);
            v = lp;
        }
        if (l.hp > 0) {
            double a = std::exp(-2 * M_PI * l.hp / rate);
            double out = a * (hpOut + v - hpIn);
            hpIn = v;
            hpOut = out;
            v = out;
        }
        mix[at] += v * Envelope(l, t) * l.gain;
    }
}

} // namespace

SoundEffect RenderSoundEffect(const std::string& path) {
    SourceFile f = LoadSourceFile(path);
    SoundEffect fx{WavePcm16, 22050, {}};
    double length = 0.5, peakDb = -3;
    std::vector<Layer> layers;
    Layer* cur = nullptr;
    for (const SourceLine& line : f.lines) {
        if (IsBlankOrComment(line.text)) continue;
        std::vector<std::string> w = SplitWords(line.text);
        auto D = [&](size_t k) {
            if (k >= w.size()) SourceError(f, line.number, w[0] + ": too few arguments");
            return ParseDouble(f, line.number, w[k]);
        };
        const std::string& c = w[0];
        if (c == "layer") {
            layers.emplace_back();
            cur = &layers.back();
            continue;
        }
        if (c == "end") {
            cur = nullptr;
            continue;
        }
        if (!cur) {
            if (c == "encoding") {
                if (w.size() < 2) SourceError(f, line.number, "encoding needs a value");
                if (w[1] == "pcm8") fx.encoding = WavePcm8;
                else if (w[1] == "pcm16") fx.encoding = WavePcm16;
                else if (w[1] == "ima") fx.encoding = WaveIma;
                else SourceError(f, line.number, "encoding is pcm8, pcm16 or ima");
            } else if (c == "rate") fx.rate = static_cast<int>(D(1));
            else if (c == "length") length = D(1);
            else if (c == "peak") peakDb = D(1);
            else SourceError(f, line.number, "unknown setting " + c);
            continue;
        }
        if (c == "wave") {
            if (w.size() < 2) SourceError(f, line.number, "wave needs a shape");
            if (w[1] == "square") {
                cur->wave = WaveSquare;
                cur->duty = w.size() > 2 ? D(2) : 0.5;
            } else if (w[1] == "triangle") cur->wave = WaveTriangle;
            else if (w[1] == "sine") cur->wave = WaveSine;
            else if (w[1] == "saw") cur->wave = WaveSaw;
            else if (w[1] == "noise") cur->wave = WaveNoise;
            else SourceError(f, line.number, "unknown wave " + w[1]);
        } else if (c == "time") {
            cur->start = D(1);
            cur->duration = D(2);
        } else if (c == "freq") {
            cur->f0 = D(1);
            cur->f1 = D(2);
            cur->expSweep = !(w.size() > 3 && w[3] == "lin");
        } else if (c == "vibrato") {
            cur->vibRate = D(1);
            cur->vibDepth = D(2);
        } else if (c == "env") {
            cur->attack = D(1);
            cur->hold = D(2);
            cur->release = D(3);
        } else if (c == "gain") cur->gain = D(1);
        else if (c == "lowpass") {
            cur->lp0 = D(1);
            cur->lp1 = D(2);
        } else if (c == "highpass") cur->hp = D(1);
        else SourceError(f, line.number, "unknown layer setting " + c);
    }
    if (fx.rate < 8000 || fx.rate > 48000) ToolError(path + ": rate out of 8000..48000");
    if (length <= 0 || length > 10) ToolError(path + ": length out of range");
    if (layers.empty()) ToolError(path + ": no layer");
    for (const Layer& l : layers)
        if (l.f0 <= 0 || l.f1 <= 0 || (l.lp0 > 0) != (l.lp1 > 0) || l.attack <= 0)
            ToolError(path + ": a layer has a zero pitch, a half low-pass or no attack");

    std::vector<double> mix(static_cast<size_t>(std::llround(length * fx.rate)), 0.0);
    for (const Layer& l : layers) RenderLayer(l, fx.rate, mix);
    // A short fade at the very end so no effect stops on a step.
    size_t fade = static_cast<size_t>(fx.rate / 200);
    for (size_t k = 0; k < fade && k < mix.size(); ++k) mix[mix.size() - 1 - k] *= static_cast<double>(k) / fade;
    double peak = 0;
    for (double v : mix) peak = std::max(peak, std::fabs(v));
    if (peak <= 0) ToolError(path + ": the effect is silent");
    double scale = std::pow(10.0, peakDb / 20.0) / peak;
    fx.samples.reserve(mix.size());
    for (double v : mix) fx.samples.push_back(static_cast<float>(v * scale));
    return fx;
}
