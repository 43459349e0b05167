// Helpers of the sound tests: files made by real tools (sox, oggenc, lame) in a
// scratch folder, decoding bytes through the sound decoder, tones and their pitch.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "runtime/platform/platform.h"
#include "tests/test_files.h"

typedef std::vector<uint8_t> Bytes;

// A fresh scratch folder for this test process.
inline std::string ScratchFolder() {
    return ProcessScratchDir("bkt_sound");
}
// Runs a shell command; true when it exited 0.
bool RunTool(const std::string& command);
// True when the tool exists in /usr/bin.
bool HaveTool(const char* name);

// The result of setting up a decoder on bytes and decoding them whole.
struct DecodeResult {
    bool accepted = false;  // SetupSoundDecoder succeeded
    bool decoded = false;   // DecodeSoundToPcm succeeded
    int kind = -1;          // decoder kind that won
    int pcmSize = 0;        // GetSoundDecoderPcmSize
    int dataStart = 0;      // decoder's data start
    int dataSize = 0;       // decoder's data size
    WaveFormat format = {}; // output format
    Bytes pcm;              // the image
};
DecodeResult DecodeBytes(const Bytes& file);

// PCM helpers on 16-bit little-endian interleaved samples.
std::vector<int16_t> AsSamples(const Bytes& pcm);
// One channel of interleaved samples.
std::vector<double> Channel(const std::vector<int16_t>& s, int channels, int which);
double Rms(const std::vector<double>& x);
// Frequency from the count of rising zero crossings.
double ZeroCrossingFrequency(const std::vector<double>& x, int rate);

// Little-endian field writers for handmade files.
void PutU16(Bytes& b, int v);
void PutU32(Bytes& b, uint32_t v);
void PutTag(Bytes& b, const char* fourcc);
// A PCM WAVE file: fmt chunk of fmtSize bytes (16 or 18), optional chunks between.
Bytes MakePcmWave(int channels, int rate, int bits, const Bytes& data, int fmtSize = 16,
                  const Bytes& between = Bytes());
