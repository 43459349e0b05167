// The controller mapping database: mappings from the file named in the
// environment, from the user's file in the current folder and from the
// environment variable all reach SDL, the variable last.
#include "runtime/platform/sdl/sdl_pad_mappings.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace {

const char kFileGuid[] = "03000000feed00000000000000000001";
const char kUserGuid[] = "03000000feed00000000000000000002";
const char kEnvGuid[] = "03000000feed00000000000000000003";

std::string MappingOf(const char* guid) {
    char* mapping = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString(guid));
    std::string text = mapping ? mapping : "";
    SDL_free(mapping);
    return text;
}

void WriteText(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

class PadMappings : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/bkt-padmap-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        ASSERT_NE(getcwd(m_oldCwd, sizeof m_oldCwd), nullptr);
        ASSERT_EQ(chdir(m_dir.c_str()), 0);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    }
    void TearDown() override {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
        unsetenv("SDL_GAMECONTROLLERCONFIG");
        unsetenv("SDL_GAMECONTROLLERCONFIG_FILE");
        EXPECT_EQ(chdir(m_oldCwd), 0);
        std::string cleanup = "rm -rf '" + m_dir + "'";
        EXPECT_EQ(system(cleanup.c_str()), 0);
    }
    std::string m_dir;
    char m_oldCwd[4096] = {};
};

TEST_F(PadMappings, EveryPlaceIsLoaded) {
    std::string named = m_dir + "/named.txt";
    WriteText(named, std::string("# a comment\n") + kFileGuid + ",File Pad,a:b0,b:b1,platform:Linux,\n");
    WriteText(m_dir + "/gamecontrollerdb.txt", std::string(kUserGuid) + ",User Pad,a:b1,b:b0,platform:Linux,\r\n");
    setenv("SDL_GAMECONTROLLERCONFIG_FILE", named.c_str(), 1);
    setenv("SDL_GAMECONTROLLERCONFIG", (std::string(kEnvGuid) + ",Env Pad,a:b2,b:b3\n").c_str(), 1);

    EXPECT_GE(SdlLoadPadMappings(), 3);
    EXPECT_NE(MappingOf(kFileGuid).find("File Pad"), std::string::npos);
    EXPECT_NE(MappingOf(kUserGuid).find("User Pad"), std::string::npos);
    EXPECT_NE(MappingOf(kEnvGuid).find("Env Pad"), std::string::npos);
}

TEST_F(PadMappings, TheVariableOverridesTheUserFile) {
    WriteText(m_dir + "/gamecontrollerdb.txt", std::string(kUserGuid) + ",From File,a:b1,platform:Linux,\n");
    setenv("SDL_GAMECONTROLLERCONFIG", (std::string(kUserGuid) + ",From Env,a:b5").c_str(), 1);
    SdlLoadPadMappings();
    std::string mapping = MappingOf(kUserGuid);
    EXPECT_NE(mapping.find("From Env"), std::string::npos) << mapping;
    EXPECT_NE(mapping.find("a:b5"), std::string::npos) << mapping;
}

TEST_F(PadMappings, MissingOrBrokenSourcesAreIgnored) {
    setenv("SDL_GAMECONTROLLERCONFIG_FILE", (m_dir + "/absent.txt").c_str(), 1);
    setenv("SDL_GAMECONTROLLERCONFIG", "not a mapping\n\n#comment\n", 1);
    WriteText(m_dir + "/gamecontrollerdb.txt", std::string(5000, 'x') + "\n");
    EXPECT_EQ(SdlLoadPadMappings(), 0);
    // A folder where the file should be is skipped too.
    unsetenv("SDL_GAMECONTROLLERCONFIG");
    setenv("SDL_GAMECONTROLLERCONFIG_FILE", m_dir.c_str(), 1);
    EXPECT_EQ(SdlLoadPadMappings(), 0);
}

} // namespace
