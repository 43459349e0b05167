// Chiptune rendering. Every voice is written into the loop buffer modulo its length, so
// notes and echoes that ring past the end continue at the start: the last sample leads
// straight into the first and the music loops without a click.
//
// Description lines:
//   rate R | bpm B | steps S (steps per beat) | peak DB
//   inst NAME square DUTY|triangle|kit  [vol V] [pan P] [attack A] [decay D] [sustain S]
//        [release R] [vibrato RATE DEPTH DELAY] [echo STEPS GAIN] [octave N]
//   pattern NAME INST + tokens + end   tokens: C4 F#3 Bb2 (note), - (hold), . (rest), | (ignored);
//                                       for a kit: letters k s h o (kick, snare, hat, open hat)
//   track PATTERN PATTERN*N ...        a voice's patterns in order
#include "chiptune.h"

#include "text_source.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>

namespace {

enum InstKind { InstSquare, InstTriangle, InstKit };

struct Instrument {
    InstKind kind = InstSquare;                                        // oscillator or drum kit
    double duty = 0.5;                                                 // square duty
    double vol = 0.3, pan = 0;                                         // level and stereo position (-1 left .. 1 right)
    double attack = 0.003, decay = 0.1, sustain = 0.7, release = 0.05; // envelope
    double vibRate = 0, vibDepth = 0, vibDelay = 0;                    // vibrato in Hz, fraction, seconds
    int echoSteps = 0;                                                 // echo delay in steps, 0 = none
    double echoGain = 0;                                               // first echo level
    int octave = 0;                                                    // transposition in octaves
};

struct NoteEvent {
    int step;         // start step within the pattern
    int length;       // steps held
    int midi;         // note number, or -1 for a kit hit
    std::string hits; // kit pieces struck
};

struct Pattern {
    std::string inst;              // instrument name
    int steps = 0;                 // pattern length in steps
    std::vector<NoteEvent> events; // notes in order
};

int ParseNote(const std::string& t) {
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (t.size() < 2 || t[0] < 'A' || t[0] > 'G') return -1;
    int n = base[t[0] - 'A'];
    size_t i = 1;
    if (t[i] == '#') {
        ++n;
        ++i;
    } else if (t[i] == 'b') {
        --n;
        ++i;
    }
    if (i >= t.size() || t[i] < '0' || t[i] > '8' || i + 1 != t.size()) return -1;
    return n + 12 * (t[i] - '0' + 1);
}

double PolyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

struct Mixer {
    int rate;                 // frames per second
    std::vector<double> l, r; // loop buffers
    void Add(int64_t at, double v, double pan) {
        size_t n = l.size();
        size_t k = static_cast<size_t>(((at % static_cast<int64_t>(n)) + n) % n);
        l[k] += v * std::min(1.0, 1.0 - pan);
        r[k] += v * std::min(1.0, 1.0 + pan);
    }
};

void RenderTone(Mixer& m, const Instrument& in, int64_t start, double seconds, int midi) {
    double f = 440.0 * std::pow(2.0, (midi + 12 * in.octave - 69) / 12.0);
    int64_t total = static_cast<int64_t>((seconds + in.release) * m.rate);
    double phase = 0;
    for (int64_t n = 0; n < total; ++n) {
        double t = static_cast<double>(n) / m.rate;
        double env;
        if (t < in.attack) env = t / in.attack;
        else env = in.sustain + (1 - in.sustain) * std::exp(-(t - in.attack) / std::max(in.decay, 1e-4));
        if (t > seconds) env *= std::max(0.0, 1.0 - (t - seconds) / in.release);
        double freq = f;
        if (in.vibDepth > 0 && t > in.vibDelay)
            freq *= 1.0 + in.vibDepth * std::sin(2 * M_PI * in.vibRate * (t - in.vibDelay));
        double dt = freq / m.rate;
        double v;
        if (in.kind == InstSquare) {
            v = phase < in.duty ? 1.0 : -1.0;
            v += PolyBlep(phase, dt);
            v -= PolyBlep(std::fmod(phase + 1.0 - in.duty, 1.0), dt);
        } else {
            v = phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
        }
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        m.Add(start + n, v * env * in.vol, in.pan);
    }
}

void RenderHit(Mixer& m, const Instrument& in, int64_t start, char piece, uint32_t seed) {
    double len = piece == 'k' ? 0.3 : piece == 's' ? 0.22 : piece == 'o' ? 0.25 : 0.06;
    int64_t total = static_cast<int64_t>(len * m.rate);
    double phase = 0, lp = 0, hpPrev = 0;
    for (int64_t n = 0; n < total; ++n) {
        double t = static_cast<double>(n) / m.rate;
        seed = seed * 1664525u + 1013904223u;
        double noise = ((seed >> 9) & 0xFFFF) / 32767.5 - 1.0;
        double v = 0, pan = in.pan;
        double fadeIn = std::min(1.0, t * m.rate / 16.0); // no step at the hit's start
        if (piece == 'k') {
            double f = 48 + 120 * std::exp(-t / 0.03);
            phase += f / m.rate;
            v = std::sin(2 * M_PI * phase) * std::exp(-t / 0.11) * 1.0;
        } else if (piece == 's') {
            phase += 185.0 / m.rate;
            lp += 0.5 * (noise - lp);
            v = (0.55 * lp * std::exp(-t / 0.07) + 0.35 * std::sin(2 * M_PI * phase) * std::exp(-t / 0.035));
        } else {
            double hp = noise - hpPrev; // first difference: a bright, thin hiss
            hpPrev = noise;
            v = 0.35 * hp * std::exp(-t / (piece == 'o' ? 0.08 : 0.015));
            pan = in.pan + 0.3;
        }
        m.Add(start + n, v * fadeIn * in.vol, pan);
    }
}

} // namespace

MusicRender RenderChiptune(const std::string& path) {
    SourceFile f = LoadSourceFile(path);
    MusicRender out;
    double bpm = 120, peakDb = -2;
    int stepsPerBeat = 4;
    std::map<std::string, Instrument> insts;
    std::map<std::string, Pattern> patterns;
    std::vector<std::vector<std::string>> tracks;
    size_t i = 0;
    while (i < f.lines.size()) {
        const SourceLine& line = f.lines[i++];
        if (IsBlankOrComment(line.text)) continue;
        std::vector<std::string> w = SplitWords(line.text);
        auto D = [&](size_t k) {
            if (k >= w.size()) SourceError(f, line.number, w[0] + ": too few arguments");
            return ParseDouble(f, line.number, w[k]);
        };
        if (w[0] == "rate") out.rate = static_cast<int>(D(1));
        else if (w[0] == "bpm") bpm = D(1);
        else if (w[0] == "steps") stepsPerBeat = static_cast<int>(D(1));
        else if (w[0] == "peak") peakDb = D(1);
        else if (w[0] == "inst") {
            if (w.size() < 3) SourceError(f, line.number, "inst NAME KIND ...");
            Instrument in;
            size_t k = 3;
            if (w[2] == "square") {
                in.kind = InstSquare;
                in.duty = D(3);
                k = 4;
            } else if (w[2] == "triangle") in.kind = InstTriangle;
            else if (w[2] == "kit") in.kind = InstKit;
            else SourceError(f, line.number, "unknown instrument kind " + w[2]);
            while (k < w.size()) {
                const std::string& o = w[k];
                if (o == "vol") {
                    in.vol = D(k + 1);
                    k += 2;
                } else if (o == "pan") {
                    in.pan = D(k + 1);
                    k += 2;
                } else if (o == "attack") {
                    in.attack = D(k + 1);
                    k += 2;
                } else if (o == "decay") {
                    in.decay = D(k + 1);
                    k += 2;
                } else if (o == "sustain") {
                    in.sustain = D(k + 1);
                    k += 2;
                } else if (o == "release") {
                    in.release = D(k + 1);
                    k += 2;
                } else if (o == "vibrato") {
                    in.vibRate = D(k + 1);
                    in.vibDepth = D(k + 2);
                    in.vibDelay = D(k + 3);
                    k += 4;
                } else if (o == "echo") {
                    in.echoSteps = static_cast<int>(D(k + 1));
                    in.echoGain = D(k + 2);
                    k += 3;
                } else if (o == "octave") {
                    in.octave = static_cast<int>(D(k + 1));
                    k += 2;
                } else SourceError(f, line.number, "unknown instrument option " + o);
            }
            if (in.attack <= 0 || in.release <= 0) SourceError(f, line.number, "attack and release must be positive");
            insts[w[1]] = in;
        } else if (w[0] == "pattern") {
            if (w.size() < 3) SourceError(f, line.number, "pattern NAME INST");
            if (!insts.count(w[2])) SourceError(f, line.number, "unknown instrument " + w[2]);
            bool kit = insts[w[2]].kind == InstKit;
            Pattern p;
            p.inst = w[2];
            for (;;) {
                if (i >= f.lines.size()) SourceError(f, line.number, "pattern without end");
                const SourceLine& row = f.lines[i++];
                std::vector<std::string> toks = SplitWords(row.text);
                if (!toks.empty() && toks[0] == "end") break;
                for (const std::string& t : toks) {
                    if (t == "|") continue;
                    if (t == "-") {
                        if (!p.events.empty() && p.events.back().midi >= 0 &&
                            p.events.back().step + p.events.back().length == p.steps)
                            p.events.back().length++;
                    } else if (t != ".") {
                        NoteEvent e{p.steps, 1, -1, ""};
                        if (kit) {
                            for (char c : t)
                                if (c != 'k' && c != 's' && c != 'h' && c != 'o')
                                    SourceError(f, row.number, "kit letters are k s h o");
                            e.hits = t;
                        } else {
                            e.midi = ParseNote(t);
                            if (e.midi < 0) SourceError(f, row.number, "bad note " + t);
                        }
                        p.events.push_back(e);
                    }
                    p.steps++;
                }
            }
            patterns[w[1]] = p;
        } else if (w[0] == "track") {
            std::vector<std::string> seq;
            for (size_t k = 1; k < w.size(); ++k) {
                std::string name = w[k];
                int times = 1;
                size_t star = name.find('*');
                if (star != std::string::npos) {
                    times = ParseInt(f, line.number, name.substr(star + 1));
                    name = name.substr(0, star);
                }
                if (!patterns.count(name)) SourceError(f, line.number, "unknown pattern " + name);
                for (int n = 0; n < times; ++n) seq.push_back(name);
            }
            tracks.push_back(seq);
        } else {
            SourceError(f, line.number, "unknown command " + w[0]);
        }
    }
    if (tracks.empty()) ToolError(path + ": no track");
    int totalSteps = -1;
    for (const auto& t : tracks) {
        int s = 0;
        for (const auto& p : t) s += patterns[p].steps;
        if (totalSteps >= 0 && s != totalSteps) ToolError(path + ": tracks differ in length");
        totalSteps = s;
    }
    double samplesPerStep = out.rate * 60.0 / (bpm * stepsPerBeat);
    size_t frames = static_cast<size_t>(std::llround(samplesPerStep * totalSteps));
    if (frames < 1000 || frames > static_cast<size_t>(out.rate) * 600) ToolError(path + ": loop length out of range");
    Mixer m{out.rate, std::vector<double>(frames, 0.0), std::vector<double>(frames, 0.0)};
    uint32_t hitSeed = 99;
    for (const auto& t : tracks) {
        // Echoes go to their own buffer first, then are folded in mirrored across the stereo field.
        Mixer dry{out.rate, std::vector<double>(frames, 0.0), std::vector<double>(frames, 0.0)};
        const Instrument* echoInst = nullptr;
        int base = 0;
        for (const auto& pn : t) {
            const Pattern& p = patterns[pn];
            const Instrument& in = insts[p.inst];
            if (in.echoSteps > 0) echoInst = &in;
            for (const NoteEvent& e : p.events) {
                int64_t at = static_cast<int64_t>(std::llround((base + e.step) * samplesPerStep));
                if (e.midi >= 0) RenderTone(dry, in, at, e.length * samplesPerStep / out.rate, e.midi);
                else
                    for (char c : e.hits) RenderHit(dry, in, at, c, hitSeed += 7919);
            }
            base += p.steps;
        }
        for (size_t k = 0; k < frames; ++k) {
            m.l[k] += dry.l[k];
            m.r[k] += dry.r[k];
        }
        if (echoInst) {
            size_t d = static_cast<size_t>(std::llround(echoInst->echoSteps * samplesPerStep));
            for (size_t k = 0; k < frames; ++k) {
                size_t a = (k + frames - d % frames) % frames, b = (k + 2 * (frames - d % frames)) % frames;
                m.l[k] += echoInst->echoGain * dry.r[a] + 0.4 * echoInst->echoGain * dry.l[b];
                m.r[k] += echoInst->echoGain * dry.l[a] + 0.4 * echoInst->echoGain * dry.r[b];
            }
        }
    }
    double peak = 0;
    for (size_t k = 0; k < frames; ++k) peak = std::max(peak, std::max(std::fabs(m.l[k]), std::fabs(m.r[k])));
    if (peak <= 0) ToolError(path + ": the music is silent");
    double scale = std::pow(10.0, peakDb / 20.0) / peak;
    out.left.resize(frames);
    out.right.resize(frames);
    for (size_t k = 0; k < frames; ++k) {
        out.left[k] = static_cast<float>(m.l[k] * scale);
        out.right[k] = static_cast<float>(m.r[k] * scale);
    }
    return out;
}
