// The scripted backend's keyboard: keys held by a test, or keys from a replay
// script ("FRAME KEY KEY ...", from that presented frame on until the next line).
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "runtime/platform/platform.h"
#include "runtime/platform/scripted/scripted.h"

namespace {

struct KeyName {
    const char* name;
    unsigned char code;
};

const KeyName kKeyNames[] = {
    {"ESCAPE", 0x01}, {"Z", 0x2C},     {"X", 0x2D},      {"C", 0x2E},           {"A", 0x1E},  {"S", 0x1F},
    {"D", 0x20},      {"Q", 0x10},     {"W", 0x11},      {"SPACE", 0x39},       {"UP", 0xC8}, {"DOWN", 0xD0},
    {"LEFT", 0xCB},   {"RIGHT", 0xCD}, {"RETURN", 0x1C}, {"NUMPADENTER", 0x9C},
};

struct ScriptLine {
    int frame;                       // first presented frame the keys are held
    std::vector<unsigned char> keys; // key codes held
};

struct ScriptedKeys {
    std::mutex guard;               // tests may set keys from another thread
    unsigned char held[256];        // keys held directly (bit 7)
    std::vector<ScriptLine> script; // replay script, by frame; empty = use held
    size_t cursor;                  // script lines already in force at the last frame asked
};

ScriptedKeys s_keys;

} // namespace

int ScriptedKeyCodeOfName(const char* name) {
    for (const KeyName& k : kKeyNames)
        if (strcmp(k.name, name) == 0) return k.code;
    return -1;
}

void ScriptedSetKeys(const unsigned char* keyCodes, int count) {
    std::lock_guard<std::mutex> g(s_keys.guard);
    memset(s_keys.held, 0, sizeof(s_keys.held));
    for (int i = 0; i < count; i++) s_keys.held[keyCodes[i]] = 0x80;
    s_keys.script.clear();
    s_keys.cursor = 0;
}

int ScriptedLoadInputScript(const char* text, char* error, int errorSize) {
    std::vector<ScriptLine> lines;
    int lineNo = 0;
    const char* p = text ? text : "";
    while (*p) {
        lineNo++;
        const char* end = strchr(p, '\n');
        size_t len = end ? (size_t)(end - p) : strlen(p);
        char buf[1024];
        if (len >= sizeof(buf)) len = sizeof(buf) - 1;
        memcpy(buf, p, len);
        buf[len] = 0;
        p = end ? end + 1 : p + strlen(p);
        char* hash = strchr(buf, '#');
        if (hash) *hash = 0;
        char* save = nullptr;
        char* tok = strtok_r(buf, " \t\r", &save);
        if (!tok) continue;
        char* numEnd = nullptr;
        long frame = strtol(tok, &numEnd, 10);
        if (*numEnd || frame < 0) {
            if (error) snprintf(error, (size_t)errorSize, "line %d: frame number expected, found \"%s\"", lineNo, tok);
            return -1;
        }
        if (!lines.empty() && frame < lines.back().frame) {
            if (error)
                snprintf(error, (size_t)errorSize, "line %d: frame %ld comes before frame %d", lineNo, frame,
                         lines.back().frame);
            return -1;
        }
        ScriptLine line;
        line.frame = (int)frame;
        while ((tok = strtok_r(nullptr, " \t\r", &save))) {
            if (strcmp(tok, "-") == 0) continue;
            for (char* c = tok; *c; c++) *c = (char)toupper((unsigned char)*c);
            int code = ScriptedKeyCodeOfName(tok);
            if (code < 0) {
                if (error) snprintf(error, (size_t)errorSize, "line %d: unknown key \"%s\"", lineNo, tok);
                return -1;
            }
            line.keys.push_back((unsigned char)code);
        }
        lines.push_back(line);
    }
    std::lock_guard<std::mutex> g(s_keys.guard);
    memset(s_keys.held, 0, sizeof(s_keys.held));
    s_keys.script = lines;
    s_keys.cursor = 0;
    return 0;
}

int PlatformGetKeyState(unsigned char keys[256]) {
    std::lock_guard<std::mutex> g(s_keys.guard);
    if (s_keys.script.empty()) {
        memcpy(keys, s_keys.held, 256);
        return 0;
    }
    memset(keys, 0, 256);
    // Frames only advance during a replay, so the lines in force are found by
    // moving a cursor forward: constant time per frame however long the script.
    // Should the frame ever go back, a binary search finds the place again.
    const std::vector<ScriptLine>& script = s_keys.script;
    int frame = ScriptedPresentCount();
    size_t& cursor = s_keys.cursor;
    if (cursor > 0 && script[cursor - 1].frame > frame) {
        cursor = (size_t)(std::upper_bound(script.begin(), script.end(), frame,
                                           [](int f, const ScriptLine& line) { return f < line.frame; }) -
                          script.begin());
    }
    while (cursor < script.size() && script[cursor].frame <= frame) cursor++;
    if (cursor > 0)
        for (unsigned char k : script[cursor - 1].keys) keys[k] = 0x80;
    return 0;
}
