// The headless backend's key script: the keys held at each presented frame
// match a plain walk of the script from its first line, for random scripts,
// across reloads and a switch to directly held keys.
#include <stdint.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"

namespace {

const char* const kNames[] = {"Z", "X", "UP", "DOWN", "LEFT", "RIGHT", "ESCAPE", "SPACE"};

struct Line {
    int frame;
    std::vector<int> keys;
};

// Lines at increasing frames, some on the same frame (the later one wins).
std::vector<Line> RandomScript(std::mt19937& random, int startFrame, int count) {
    std::vector<Line> lines;
    int frame = startFrame;
    for (int i = 0; i < count; i++) {
        frame += (int)(random() % 4); // 0: same frame as the line before
        Line line{frame, {}};
        for (int k = 0; k < 8; k++)
            if (random() % 3 == 0) line.keys.push_back(ScriptedKeyCodeOfName(kNames[k]));
        lines.push_back(line);
    }
    return lines;
}

std::string Text(const std::vector<Line>& lines) {
    std::string text = "# random script\n";
    for (const Line& line : lines) {
        text += std::to_string(line.frame);
        if (line.keys.empty()) text += " -";
        for (int code : line.keys)
            for (const char* name : kNames)
                if (ScriptedKeyCodeOfName(name) == code) text += std::string(" ") + name;
        text += "\n";
    }
    return text;
}

// The reference: the last line whose frame has come, found from the first line.
std::vector<uint8_t> Expected(const std::vector<Line>& lines, int frame) {
    std::vector<uint8_t> keys(256, 0);
    const Line* current = nullptr;
    for (const Line& line : lines)
        if (line.frame <= frame) current = &line;
    if (current)
        for (int code : current->keys) keys[(size_t)code] = 0x80;
    return keys;
}

void PresentOneFrame() {
    uint16_t pixel = 0;
    PlatformPresent(&pixel, 2, 1, 1, 16);
}

TEST(KeyScript, KeysFollowTheScriptFrameByFrameAcrossReloads) {
    std::mt19937 random(15);
    for (int round = 0; round < 4; round++) {
        SCOPED_TRACE(round);
        // Each round loads a fresh script that starts near the current frame,
        // so the cursor of the last one must not carry over.
        int now = ScriptedPresentCount();
        std::vector<Line> lines = RandomScript(random, round % 2 ? now + 3 : 0, 300);
        char error[128] = "";
        ASSERT_EQ(ScriptedLoadInputScript(Text(lines).c_str(), error, (int)sizeof(error)), 0) << error;
        unsigned char keys[256];
        for (int step = 0; step < 400; step++) {
            ASSERT_EQ(PlatformGetKeyState(keys), 0);
            ASSERT_EQ(std::vector<uint8_t>(keys, keys + 256), Expected(lines, ScriptedPresentCount()))
                << "frame " << ScriptedPresentCount();
            if (random() % 4) PresentOneFrame(); // a frame may be read several times
        }
        // Held keys replace the script; the next script starts from its top again.
        unsigned char held = (unsigned char)ScriptedKeyCodeOfName("Q");
        ScriptedSetKeys(&held, 1);
        ASSERT_EQ(PlatformGetKeyState(keys), 0);
        EXPECT_EQ(keys[held], 0x80);
    }
}

} // namespace
