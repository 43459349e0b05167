// Helpers of the sound tests (see sound_test_util.h).
#include "sound_test_util.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <cmath>

#include "runtime/file/file_ops.h"
#include "runtime/sound/sound_decoder.h"
#include "runtime/core/memory.h"

namespace {

std::string g_scratch; // made on first use, removed when the process ends

void RemoveScratch() {
    if (g_scratch.size() > 5) RunTool("rm -rf '" + g_scratch + "'");
}

} // namespace

std::string ScratchDir() {
    if (g_scratch.empty()) {
        char tmpl[] = "/tmp/bkt_sound_XXXXXX";
        char* made = mkdtemp(tmpl);
        if (!made) return "/tmp";
        g_scratch = made;
        atexit(RemoveScratch);
    }
    return g_scratch;
}

bool RunTool(const std::string& command) {
    std::string full = command + " >/dev/null 2>&1";
    return system(full.c_str()) == 0;
}

bool HaveTool(const char* name) {
    std::string path = std::string("/usr/bin/") + name;
    return access(path.c_str(), X_OK) == 0;
}

Bytes ReadFileBytes(const std::string& path) {
    Bytes out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) out.insert(out.end(), buf, buf + n);
    fclose(f);
    return out;
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

DecodeResult DecodeBytes(const Bytes& file) {
    DecodeResult r;
    MemoryStream* m = OpenMemoryStream(file.data(), (int)file.size());
    if (!m) return r;
    SoundDecoder d;
    if (SetupSoundDecoder(&g_memoryStream, (intptr_t)m, &d) == 0) {
        r.accepted = true;
        r.kind = d.kind;
        r.format = d.outputFormat;
        r.dataStart = d.dataStart;
        r.dataSize = d.dataSize;
        r.pcmSize = GetSoundDecoderPcmSize(&d);
        PcmImage image;
        if (DecodeSoundToPcm(&d, &image) == 0) {
            r.decoded = true;
            if (image.length > 0) r.pcm.assign(image.bytes, image.bytes + image.length);
            if (image.bytes) RT_FREE(image.bytes);
        }
        TerminateSoundDecoder(&d);
    }
    g_memoryStream.close((intptr_t)m);
    return r;
}

std::vector<int16_t> AsSamples(const Bytes& pcm) {
    std::vector<int16_t> s(pcm.size() / 2);
    for (size_t i = 0; i < s.size(); i++) s[i] = (int16_t)(pcm[i * 2] | (pcm[i * 2 + 1] << 8));
    return s;
}

std::vector<double> Channel(const std::vector<int16_t>& s, int channels, int which) {
    std::vector<double> out;
    for (size_t i = which; i < s.size(); i += channels) out.push_back(s[i]);
    return out;
}

double Rms(const std::vector<double>& x) {
    if (x.empty()) return 0;
    double sum = 0;
    for (double v : x) sum += v * v;
    return std::sqrt(sum / x.size());
}

double ZeroCrossingFrequency(const std::vector<double>& x, int rate) {
    int first = -1, last = -1, count = 0;
    for (size_t i = 1; i < x.size(); i++) {
        if (x[i - 1] < 0 && x[i] >= 0) {
            if (first < 0) first = (int)i;
            last = (int)i;
            count++;
        }
    }
    if (count < 2) return 0;
    return (count - 1) * (double)rate / (last - first);
}

void PutU16(Bytes& b, int v) {
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}

void PutU32(Bytes& b, uint32_t v) {
    PutU16(b, (int)(v & 0xFFFF));
    PutU16(b, (int)(v >> 16));
}

void PutTag(Bytes& b, const char* fourcc) {
    b.insert(b.end(), fourcc, fourcc + 4);
}

Bytes MakePcmWave(int channels, int rate, int bits, const Bytes& data, int fmtSize, const Bytes& between) {
    Bytes b;
    PutTag(b, "RIFF");
    PutU32(b, 0);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    PutU32(b, fmtSize);
    int align = channels * (bits / 8);
    PutU16(b, 1);
    PutU16(b, channels);
    PutU32(b, rate);
    PutU32(b, align * rate);
    PutU16(b, align);
    PutU16(b, bits);
    for (int i = 16; i < fmtSize; i++) b.push_back(0);
    b.insert(b.end(), between.begin(), between.end());
    PutTag(b, "data");
    PutU32(b, (uint32_t)data.size());
    b.insert(b.end(), data.begin(), data.end());
    uint32_t riff = (uint32_t)b.size() - 8;
    memcpy(&b[4], &riff, 4);
    return b;
}
