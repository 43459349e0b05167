// The runtime fixture of the sound tests (see sound_runtime_fixture.h).
#include "sound_runtime_fixture.h"

#include <stdlib.h>
#include <unistd.h>

#include "runtime/core/sjis.h"

void SoundRuntime::TearDown() {
    RuntimeEnd();
    ScriptedSetAudioOpenResult(0);
    ScriptedSetAudioCaps(200000, 1, 1);
    ScriptedRefusePrimaryFormat(0);
    ScriptedSetAudioDeviceList(1);
    for (int k = 0; k < 4; k++) ScriptedFailAudioBuffers(k, 0);
    SetLogOutputEnabled(0);
}

void SoundRuntime::Start(bool withLog) {
    SetLogOutputEnabled(withLog ? 1 : 0);
    if (withLog) {
        static int n = 0;
        logDir_ = ScratchDir() + "/log" + std::to_string(n++);
        RunTool("mkdir -p " + logDir_);
        ASSERT_EQ(chdir(logDir_.c_str()), 0);
    }
    ChangeWindowMode(1);
    ASSERT_EQ(RuntimeInit(), 0);
}

std::string SoundRuntime::LogText() const {
    Bytes b = ReadFileBytes(logDir_ + "/AppLog.txt");
    return std::string(b.begin(), b.end());
}

bool SoundRuntime::LogHas(const char* utf8Literal) const {
    // The log ends its lines with CR LF.
    std::string want;
    for (const char* p = SJ(utf8Literal); *p; p++) {
        if (*p == '\n') want += '\r';
        want += *p;
    }
    return LogText().find(want) != std::string::npos;
}

std::string SoundRuntime::ToneFile(const std::string& name, int rate, int channels, double seconds, int frequency,
                                   int bits) {
    std::string path = ScratchDir() + "/" + name + ".wav";
    std::string enc = bits == 8 ? " -e unsigned-integer" : "";
    RunTool("/usr/bin/sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b " +
            std::to_string(bits) + enc + " " + path + " synth " + std::to_string(seconds) + " sine " +
            std::to_string(frequency) + " gain -6");
    return path;
}

std::vector<int16_t> SoundRuntime::Mix(int frames) {
    std::vector<int16_t> out(frames * 2);
    EXPECT_EQ(ScriptedMixAudio(out.data(), frames), frames);
    return out;
}

Bytes SmallWave(const std::vector<int>& samples, int rate) {
    Bytes data;
    for (int s : samples) PutU16(data, s & 0xFFFF);
    return MakePcmWave(1, rate, 16, data);
}
