// The bundled demo runs through every scene of a game on the scripted backend.
#include "tests/e2e/e2e_util.h"

#include <gtest/gtest.h>

#include <set>

TEST(E2eDemo, DemoVisitsEverySceneOfAGameAndEnds) {
    GameFolder folder;
    if (!folder.ready() || !PathExists(folder.file("demo.script")))
        GTEST_SKIP() << "the game, its data or the demo is not built";
    std::vector<uint8_t> text = ReadFileBytes(folder.file("demo.script"));
    ReplayResult r = folder.run(std::string(text.begin(), text.end()), "--frames 20000");
    EXPECT_EQ(r.exitCode, 0);
    std::set<int> scenes;
    for (const Status& s : r.lines) scenes.insert(s.scene);
    EXPECT_EQ(scenes, (std::set<int>{0, 1, 2, 4, 5, 6}));
    EXPECT_LT(r.last().frame, 20000); // Escape ended it
    int maxStage = 0;
    for (const Status& s : r.lines) maxStage = std::max(maxStage, s.stage);
    EXPECT_GE(maxStage, 2); // real play through more than the first two halves
}
