// A runtime brought up on the scripted backend for the sound-handle and device
// tests, with the log optionally written to the scratch folder and read back.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/platform/scripted/scripted.h"
#include "runtime/runtime.h"
#include "sound_test_util.h"

class SoundRuntime : public ::testing::Test {
protected:
    void TearDown() override;
    // Starts the runtime; with the log on it goes to a fresh folder.
    void Start(bool withLog = false);
    // The log so far (Shift-JIS bytes).
    std::string LogText() const;
    // True when the log holds the UTF-8 message (compared in Shift-JIS).
    bool LogHas(const char* utf8Literal) const;
    // A tone WAVE file made by sox (16-bit) in the scratch folder.
    std::string ToneFile(const std::string& name, int rate, int channels, double seconds, int frequency = 1000,
                         int bits = 16);
    // Mixes frames of stereo output.
    std::vector<int16_t> Mix(int frames);

    std::string logDir_;
};

// A small 16-bit mono WAVE image of the given samples at 44100 Hz.
Bytes SmallWave(const std::vector<int>& samples, int rate = 44100);
