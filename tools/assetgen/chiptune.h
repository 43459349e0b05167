// The background music: a small tracker-style description (.txt) of instruments,
// patterns and tracks, rendered to a seamlessly looping stereo float buffer.
#pragma once
#include <string>
#include <vector>

struct MusicRender {
    int rate = 44100;         // frames per second
    std::vector<float> left;  // left channel, one loop exactly
    std::vector<float> right; // right channel
};

MusicRender RenderChiptune(const std::string& path);
