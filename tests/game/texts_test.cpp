// The game's Shift-JIS literals match the runtime's converter.
#include "game/game_texts.h"
#include "runtime/core/sjis.h"

#include <gtest/gtest.h>

TEST(GameTexts, ShiftJisBytesMatchTheConverter) {
    EXPECT_STREQ(GAME_FONT_FACE, SJ("ＭＳゴシック"));
    EXPECT_STREQ(HELP_FULL_SCREEN, SJ("フルスクリーンモードに切り替えます"));
    EXPECT_STREQ(HELP_WINDOW_320, SJ("320x240のウィンドウモードに切り替えます"));
    EXPECT_STREQ(HELP_WINDOW_640, SJ("640x480のウィンドウモードに切り替えます"));
    EXPECT_STREQ(HELP_SCORE_RESET, SJ("スコアランキングを初期値に戻します"));
    EXPECT_STREQ(HELP_EXIT, SJ("タイトル画面へ戻ります"));
}
