// Recorded play: the header line round trip, and the script the pad bits of the
// frames become (a line only when the keys change, Escape at the end, the end
// state as the replay tool prints it).
#include <gtest/gtest.h>

#include "game/game_state.h"
#include "game/recording.h"
#include "tests/game/game_test_util.h"

namespace {

TEST(Recording, HeaderRoundTripAndRefusals) {
    char header[128];
    FormatRecordingHeader(header, sizeof header, 1234567890);
    long long seconds = 0;
    char version[32] = "";
    ASSERT_EQ(ParseRecordingHeader(header, &seconds, version, sizeof version), 0) << header;
    EXPECT_EQ(seconds, 1234567890);
    EXPECT_STREQ(version, BKT_GAME_VERSION_FOR_TESTS);
    for (const char* bad : {"", "0 Z\n", "# borrakezti-recording\n", "# borrakezti-recordingx version=1 time=5\n",
                            "# borrakezti-recording version=1.0\n", "# a comment time=5\n"}) {
        seconds = -7;
        EXPECT_EQ(ParseRecordingHeader(bad, &seconds, nullptr, 0), -1) << bad;
        EXPECT_EQ(seconds, -7);
    }
}

TEST(Recording, FramesBecomeAReplayScript) {
    ScratchDir scratch;
    ASSERT_EQ(OpenRecording("play.rec"), 0);
    RecordTimeSeed(42);
    // Escape and controller-only buttons have no place in the lines.
    const int pads[] = {0,
                        0,
                        PAD_BUTTON1,
                        PAD_BUTTON1 | PAD_RIGHT,
                        PAD_BUTTON1 | PAD_RIGHT | PAD_BUTTON11,
                        0,
                        PAD_BUTTON9,
                        PAD_UP | PAD_BUTTON10 | PAD_BUTTON8};
    for (int pad : pads) RecordFrameInput(pad);
    g_game.scene = SceneMenu;
    g_game.score = 120;
    g_game.lives = 3;
    CloseRecording();
    std::vector<uint8_t> bytes = ReadBytes("play.rec");
    std::string text(bytes.begin(), bytes.end());
    char header[128];
    FormatRecordingHeader(header, sizeof header, 42);
    EXPECT_EQ(text, std::string(header) +
                        "0 -\n"
                        "2 Z\n"
                        "3 RIGHT Z\n"
                        "5 -\n"
                        "7 UP W SPACE\n"
                        "8 ESCAPE\n"
                        "# end frame=8 scene=4 score=12 lives=3 stage=" +
                        std::to_string(g_game.stageNumber) + " x=" + std::to_string(g_game.playerX) +
                        " y=" + std::to_string(g_game.playerY) + " vy=" + std::to_string(g_game.playerVy) +
                        " cond=" + std::to_string(g_game.playerCondition) + "\n");
    // Not recording: nothing is written anywhere.
    RecordFrameInput(PAD_BUTTON1);
    CloseRecording();
    EXPECT_EQ(OpenRecording("no-such-folder/play.rec"), -1);
}

} // namespace
