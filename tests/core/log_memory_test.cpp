// The log's exact bytes and the tracked allocator's headers and dump.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "runtime/core/log.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/platform/scripted/scripted.h"

namespace {

// Points the log at a fresh temporary folder and restores the state afterwards.
class LogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_runtime;
        char tmpl[] = "/tmp/bkt-log-XXXXXX";
        dir_ = mkdtemp(tmpl);
        snprintf(g_runtime.startDirectory, sizeof(g_runtime.startDirectory), "%s", dir_.c_str());
        g_runtime.settings.logDisabled = 0;
        ScriptedSetClock(1000);
        InitLogFile();
    }
    void TearDown() override {
        remove((dir_ + "/AppLog.txt").c_str());
        rmdir(dir_.c_str());
        g_runtime = saved_;
    }
    std::string Contents() {
        FILE* f = fopen((dir_ + "/AppLog.txt").c_str(), "rb");
        if (!f) return "<missing>";
        std::string s;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof(buf), f)) > 0) s.append(buf, n);
        fclose(f);
        return s;
    }
    RuntimeState saved_;
    std::string dir_;
};

TEST_F(LogFixture, OpenLineGetsOneTimeStampAndIndent) {
    ScriptedAdvanceClock(42);
    LogIndent();
    LogWrite("COM init... ");
    ScriptedAdvanceClock(5);
    LogWrite("done\n");
    LogUnindent();
    LogWrite("next\n");
    EXPECT_EQ(Contents(), "42:\tCOM init... done\r\n47:next\r\n");
}

TEST_F(LogFixture, BareLineFeedsGetCarriageReturnsUntilOneHasIt) {
    EXPECT_EQ(LogWrite("a\nb\n"), -1);
    LogWrite("c\r\nd\ne\n");
    EXPECT_EQ(Contents(), "0:a\r\nb\r\n0:c\r\nd\ne\n");
}

TEST_F(LogFixture, ShiftJisTextIsWrittenAsShiftJisAndTrailBytesAreNotLineFeeds) {
    // 0x83 0x0A is not a valid pair, but a lead byte must swallow the next byte.
    LogWrite(SJ("成功しました\n"));
    std::string c = Contents();
    EXPECT_EQ(c, std::string("0:") + "\x90\xac\x8c\xf7\x82\xb5\x82\xdc\x82\xb5\x82\xbd\r\n");
    LogWrite("\x83\n");
    EXPECT_EQ(Contents().substr(c.size()), std::string("0:\x83\n"));
}

TEST_F(LogFixture, LongTextsUseATemporaryBlockThatIsFreedAgain) {
    std::string big(1000, 'x');
    int before = TrackedBlockCount();
    LogPrintf("%s", big.c_str());
    EXPECT_EQ(TrackedBlockCount(), before);
    EXPECT_EQ(Contents(), "0:" + big + "\r\n");
}

TEST_F(LogFixture, SwitchedOffLogWritesNothing) {
    remove((dir_ + "/AppLog.txt").c_str());
    g_runtime.settings.logDisabled = 1;
    InitLogFile();
    EXPECT_EQ(LogWrite("hello\n"), -1);
    DumpTrackedMemory();
    EXPECT_EQ(Contents(), "<missing>");
}

TEST_F(LogFixture, ZeroSizeBlockLogsAllocAndFreeWithEmptyData) {
    void* p = TrackedAlloc(0, "zero.cpp", 7);
    ASSERT_NE(p, nullptr);
    TrackedFree(p);
    std::string c = Contents();
    EXPECT_NE(c.find("0:mem alloc  \tsize:0(0.000kb)  file:zero.cpp  line:7  ID:"), std::string::npos) << c;
    EXPECT_NE(c.find("data:<> ]\r\n"), std::string::npos) << c;
    EXPECT_NE(c.find("mem free  \tsize:0(0.000kb)  file:zero.cpp  line:7"), std::string::npos) << c;
}

TEST_F(LogFixture, DumpListsLiveBlocksNewestFirstWithData) {
    int baseCount = TrackedBlockCount();
    char* a = (char*)TrackedAlloc(4, "older.cpp", 1);
    memcpy(a, "AB\x01\xff", 4);
    char* b = (char*)TrackedAlloc(20, "newer.cpp", 2);
    memset(b, 'z', 20);
    char* c = (char*)TrackedAlloc(3, "freed.cpp", 3);
    TrackedFree(c);
    EXPECT_EQ(TrackedBlockCount(), baseCount + 2);
    DumpTrackedMemory();
    std::string s = Contents();
    size_t posNew = s.find("file:newer.cpp");
    size_t posOld = s.find("file:older.cpp");
    ASSERT_NE(posNew, std::string::npos);
    ASSERT_NE(posOld, std::string::npos);
    EXPECT_LT(posNew, posOld);
    EXPECT_EQ(s.find("freed.cpp"), std::string::npos);
    EXPECT_NE(s.find("data:<AB..> [41 42 01 ff]\r\n"), std::string::npos) << s;
    EXPECT_NE(s.find("data:<zzzzzzzzzzzzzzzz> [7a 7a 7a 7a 7a 7a 7a 7a 7a 7a 7a 7a 7a 7a 7a 7a]"), std::string::npos);
    EXPECT_NE(s.find("Alloc memory dump\r\n"), std::string::npos);
    TrackedFree(a);
    TrackedFree(b);
}

} // namespace

TEST(TrackedMemory, HeaderHoldsNameLineSerialAndSize) {
    const char* longName = "abcdefghij/0123456789.cpp"; // 25 characters
    unsigned char* p = (unsigned char*)TrackedAlloc(100, longName, 70000);
    unsigned char* q = (unsigned char*)TrackedAlloc(1, "short.c", 5);
    ASSERT_NE(p, nullptr);
    const unsigned char* h = p - 64;
    EXPECT_STREQ((const char*)h, "j/0123456789.cpp" + 1); // the last 15 characters
    EXPECT_EQ(strlen((const char*)h), 15u);
    uint16_t serial, line;
    uint32_t size;
    memcpy(&serial, h + 16, 2);
    memcpy(&line, h + 18, 2);
    memcpy(&size, h + 20, 4);
    EXPECT_EQ(line, (uint16_t)70000);
    EXPECT_EQ(size, 100u);
    uint16_t serialQ;
    memcpy(&serialQ, q - 64 + 16, 2);
    EXPECT_EQ((uint16_t)(serial + 1), serialQ);
    EXPECT_STREQ((const char*)(q - 64), "short.c");
    int total = TrackedTotalSize();
    TrackedFree(p);
    EXPECT_EQ(TrackedTotalSize(), total - 100);
    TrackedFree(q);
    EXPECT_EQ(TrackedFree(nullptr), 0);
}

TEST(TrackedMemory, CallocZeroesAndNegativeSizesFail) {
    unsigned char* p = (unsigned char*)TrackedCalloc(64, __FILE__, __LINE__);
    for (int i = 0; i < 64; i++) ASSERT_EQ(p[i], 0);
    TrackedFree(p);
    EXPECT_EQ(TrackedAlloc(-1, __FILE__, __LINE__), nullptr);
}
