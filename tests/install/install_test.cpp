// The installed package: `cmake --install` into a temporary prefix, the layout
// it writes, examples/hello built against it through CMake and through
// pkg-config and run headless, the desktop entry, and the launcher keeping the
// settings and ranking in the per-user folder, never in the installed data.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CommandResult {
    int status = -1;    // exit status, or -1 when it did not exit normally
    std::string output; // stdout and stderr together
};

CommandResult Shell(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool IsSymlink(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Width and height from a PNG's header; 0 when it is not a PNG.
void PngSize(const std::string& path, int* width, int* height) {
    std::string bytes = ReadFile(path);
    *width = *height = 0;
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return;
    auto be32 = [&](size_t at) {
        return (int)(((unsigned char)bytes[at] << 24) | ((unsigned char)bytes[at + 1] << 16) |
                     ((unsigned char)bytes[at + 2] << 8) | (unsigned char)bytes[at + 3]);
    };
    *width = be32(16);
    *height = be32(20);
}

// Every file under a folder with its size and modification time, to prove that
// nothing in it changed.
std::string Snapshot(const std::string& dir) {
    return Shell("cd " + Quote(dir) + " && find . -printf '%p %s %T@ %m\\n' | sort").output;
}

// One prefix per test process (each test runs in a process of its own).
class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/bkt-install-XXXXXX";
        if (!mkdtemp(pattern)) return;
        s_root = pattern;
        s_prefix = s_root + "/prefix";
        if (!Exists(BKT_DIST_DIR "/borrakezti") || !Exists(BKT_DIST_DIR "/borrakezti-replay") ||
            !Exists(BKT_DIST_DIR "/bkt.data")) {
            s_skip = "the game is not built";
            return;
        }
        CommandResult install = Shell("cmake --install " + Quote(BKT_BINARY_DIR) + " --prefix " + Quote(s_prefix));
        s_installLog = install.output;
        s_installed = install.status == 0;
        std::string found = Shell("find " + Quote(s_prefix) + " -name borra-runtime.pc").output;
        if (!found.empty()) s_pkgconfigDir = found.substr(0, found.find("/borra-runtime.pc"));
        // Archives built with the sanitizers need them at the program's link too.
        std::string cache = ReadFile(BKT_BINARY_DIR "/CMakeCache.txt");
        if (cache.find("\nSANITIZE:BOOL=ON") != std::string::npos)
            s_extraFlags = "-fsanitize=address,undefined -fno-omit-frame-pointer";
        s_fuzzBuild = cache.find("\nFUZZ:BOOL=ON") != std::string::npos;
    }
    static void TearDownTestSuite() {
        if (!s_root.empty()) Shell("rm -rf " + Quote(s_root));
    }
    void SetUp() override {
        if (!s_skip.empty()) GTEST_SKIP() << s_skip;
        ASSERT_TRUE(s_installed) << s_installLog;
    }
    static std::string P(const std::string& relative) { return s_prefix + "/" + relative; }

    // Programs cannot link archives built for fuzzing outside the fuzz driver.
    void SkipUnlinkableBuild() {
        if (s_fuzzBuild) GTEST_SKIP() << "the runtime was built for fuzzing";
    }

    static std::string s_root, s_prefix, s_pkgconfigDir, s_installLog, s_skip;
    static std::string s_extraFlags; // compiler and linker flags the installed archives need
    static bool s_installed, s_fuzzBuild;
};

std::string Installed::s_root, Installed::s_prefix, Installed::s_pkgconfigDir, Installed::s_installLog,
    Installed::s_skip, Installed::s_extraFlags;
bool Installed::s_installed = false, Installed::s_fuzzBuild = false;

// The checks every build of hello must pass, headless: two key presses heard,
// the picture's yellow under its centre and the string drawn in white.
void CheckHeadlessHello(const std::string& program, const std::string& dataDir, const std::string& shot) {
    CommandResult run = Shell(Quote(program) + " --data " + Quote(dataDir) + " --frames 30 --shot " + Quote(shot));
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string& out = run.output;
    EXPECT_NE(out.find("hello: loaded picture, sound and font"), std::string::npos) << out;
    EXPECT_NE(out.find("hello: sound at frame 10\n"), std::string::npos) << out;
    EXPECT_NE(out.find("hello: sound at frame 20\n"), std::string::npos) << out;
    EXPECT_NE(out.find("hello: frames=30 sounds=2\n"), std::string::npos) << out;
    size_t peak = out.find("hello: heard peak ");
    ASSERT_NE(peak, std::string::npos) << out;
    EXPECT_GT(atoi(out.c_str() + peak + 18), 1000) << "the beep was not heard: " << out;
    int r = -1, g = -1, b = -1;
    size_t centre = out.find("hello: picture centre ");
    ASSERT_NE(centre, std::string::npos) << out;
    ASSERT_EQ(sscanf(out.c_str() + centre, "hello: picture centre %d,%d,%d", &r, &g, &b), 3);
    EXPECT_GT(r, 200);
    EXPECT_GT(g, 150);
    EXPECT_LT(b, 100);
    // White text pixels in the string's line, none below it down to the picture.
    CommandResult pixels = Shell("/usr/bin/python3 -c " +
                                 Quote("import sys\nfrom PIL import Image\nim=Image.open(sys.argv[1]).convert('RGB')\n"
                                       "print(im.size[0], im.size[1], sum(1 for x in range(0,320) for y in range(12,40)"
                                       " if min(im.getpixel((x,y)))>200), im.getpixel((130,66))[1])") +
                                 " " + Quote(shot));
    ASSERT_EQ(pixels.status, 0) << pixels.output;
    int w = 0, h = 0, white = 0, cornerGreen = -1;
    ASSERT_EQ(sscanf(pixels.output.c_str(), "%d %d %d %d", &w, &h, &white, &cornerGreen), 4) << pixels.output;
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_GT(white, 60) << "the string was not drawn";
    // The picture's green corner is see-through: the black background shows.
    EXPECT_LT(cornerGreen, 50);
}

TEST_F(Installed, LayoutHasGameLibraryAndTools) {
    for (const char* path :
         {"bin/borrakezti", "bin/borrakezti-archiver", "libexec/borrakezti/borrakezti",
          "libexec/borrakezti/borrakezti-replay", "share/borrakezti/bkt.data", "share/borrakezti/sg/00.dat",
          "share/borrakezti/bkt/graphic/chara.bmp", "share/applications/borrakezti.desktop", "include/borra/runtime.h",
          "include/borra/scripted.h", "share/doc/borrakezti/runtime.md"})
        EXPECT_TRUE(Exists(P(path))) << path;
    std::string libs = Shell("find " + Quote(s_prefix) + " -name 'lib*.a' -printf '%f\\n' | sort").output;
    EXPECT_EQ(libs, "libplatform_scripted.a\nlibplatform_sdl.a\nlibruntime.a\n");
    EXPECT_NE(Shell("find " + Quote(s_prefix) + " -name BorraRuntimeConfig.cmake").output, "");
    EXPECT_NE(s_pkgconfigDir, "");
    EXPECT_TRUE(Exists(s_pkgconfigDir + "/borra-runtime-scripted.pc"));
    // The archiver runs and lists what it packs.
    CommandResult list = Shell(Quote(P("bin/borrakezti-archiver")) + " list " + Quote(P("share/borrakezti/bkt.data")));
    EXPECT_EQ(list.status, 0) << list.output;
    EXPECT_NE(list.output.find("CHARA.BMP"), std::string::npos) << list.output;
}

TEST_F(Installed, IconsAtEverySizeFromTheGamesIcon) {
    int w32 = 0, h32 = 0;
    PngSize(P("share/icons/hicolor/32x32/apps/borrakezti.png"), &w32, &h32);
    EXPECT_EQ(w32, 32);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        std::string path =
            P("share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/borrakezti.png");
        int w = 0, h = 0;
        PngSize(path, &w, &h);
        EXPECT_EQ(w, size) << path;
        EXPECT_EQ(h, size) << path;
    }
    // The 32-pixel icon is the game's own icon, and 64 is it doubled pixel for pixel.
    CommandResult compare =
        Shell("/usr/bin/python3 -c " +
              Quote("import sys\nfrom PIL import Image\n"
                    "a=Image.open(sys.argv[1]).convert('RGBA'); b=Image.open(sys.argv[2]).convert('RGBA');"
                    " c=Image.open(sys.argv[3]).convert('RGBA')\n"
                    "same=all(a.getpixel((x,y))==b.getpixel((x,y)) for x in range(32) for y in range(32))\n"
                    "dbl=all(c.getpixel((x,y))==a.getpixel((x//2,y//2)) for x in range(64) for y in range(64))\n"
                    "print(int(same), int(dbl))") +
              " " + Quote(BKT_BINARY_DIR "/generated/icon.png") + " " +
              Quote(P("share/icons/hicolor/32x32/apps/borrakezti.png")) + " " +
              Quote(P("share/icons/hicolor/64x64/apps/borrakezti.png")));
    EXPECT_EQ(compare.output, "1 1\n");
}

// The icon scaler meets files that are not icons with an error, never a crash.
TEST(IconScale, RefusesBadInputAndSizes) {
    const std::string tool = BKT_BINARY_DIR "/icon_scale";
    if (!Exists(tool)) GTEST_SKIP() << "icon_scale is not built";
    char pattern[] = "/tmp/bkt-icon-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::string dir = pattern;
    std::string icon = ReadFile(BKT_BINARY_DIR "/generated/icon.png");
    ASSERT_GT(icon.size(), 100u);
    WriteFile(dir + "/garbage.png", "this is not a picture at all");
    WriteFile(dir + "/cut.png", icon.substr(0, 60));
    WriteFile(dir + "/cut-pixels.png", icon.substr(0, icon.size() - 40));
    WriteFile(dir + "/empty.png", "");
    for (const char* name : {"garbage.png", "cut.png", "cut-pixels.png", "empty.png", "absent.png"}) {
        CommandResult r = Shell(Quote(tool) + " " + Quote(dir + "/" + name) + " " + Quote(dir) + " 16");
        EXPECT_EQ(r.status, 1) << name << ": " << r.output;
    }
    EXPECT_FALSE(Exists(dir + "/16x16.png"));
    for (const char* size : {"0", "-4", "5000", "12x", ""}) {
        CommandResult r = Shell(Quote(tool) + " " + Quote(BKT_BINARY_DIR "/generated/icon.png") + " " + Quote(dir) +
                                " " + Quote(size));
        EXPECT_EQ(r.status, 2) << "size '" << size << "': " << r.output;
    }
    CommandResult r = Shell(Quote(tool) + " " + Quote(BKT_BINARY_DIR "/generated/icon.png") + " " +
                            Quote(dir + "/missing-folder") + " 16");
    EXPECT_EQ(r.status, 1) << r.output;
    // A good call writes exactly the sizes asked for.
    r = Shell(Quote(tool) + " " + Quote(BKT_BINARY_DIR "/generated/icon.png") + " " + Quote(dir) + " 3 96");
    EXPECT_EQ(r.status, 0) << r.output;
    int w = 0, h = 0;
    PngSize(dir + "/3x3.png", &w, &h);
    EXPECT_EQ(w, 3);
    PngSize(dir + "/96x96.png", &w, &h);
    EXPECT_EQ(h, 96);
    Shell("rm -rf " + Quote(dir));
}

TEST_F(Installed, DesktopFileIsValid) {
    if (Shell("command -v desktop-file-validate").status != 0) GTEST_SKIP() << "desktop-file-validate is missing";
    CommandResult check = Shell("desktop-file-validate " + Quote(P("share/applications/borrakezti.desktop")));
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(check.output, "");
    std::string entry = ReadFile(P("share/applications/borrakezti.desktop"));
    EXPECT_NE(entry.find("\nExec=borrakezti\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=borrakezti\n"), std::string::npos);
}

TEST_F(Installed, MetainfoAndManualPagesAreValid) {
    if (Shell("command -v appstreamcli").status != 0) GTEST_SKIP() << "appstreamcli is missing";
    CommandResult check = Shell("appstreamcli validate --no-net --pedantic " +
                                Quote(P("share/metainfo/io.github.borrakezti.borrakezti.metainfo.xml")));
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("Validation was successful."), std::string::npos) << check.output;
    EXPECT_NE(ReadFile(P("share/metainfo/io.github.borrakezti.borrakezti.metainfo.xml"))
                  .find("<launchable type=\"desktop-id\">borrakezti.desktop</launchable>"),
              std::string::npos);
    // Each page renders without a warning and names its program.
    const struct {
        const char* page;
        const char* title;
    } pages[] = {{"share/man/man6/borrakezti.6", "BORRAKEZTI(6)"},
                 {"share/man/man1/borrakezti-replay.1", "BORRAKEZTI-REPLAY(1)"},
                 {"share/man/man1/borrakezti-archiver.1", "BORRAKEZTI-ARCHIVER(1)"}};
    for (const auto& p : pages) {
        CommandResult page = Shell("MANWIDTH=80 man -l " + Quote(P(p.page)) + " 2>&1");
        EXPECT_EQ(page.status, 0) << p.page << page.output;
        EXPECT_EQ(page.output.find("warning"), std::string::npos) << p.page << page.output;
        EXPECT_NE(page.output.find(p.title), std::string::npos) << p.page;
    }
}

TEST_F(Installed, HelloBuildsWithCMakeAndRuns) {
    SkipUnlinkableBuild();
    std::string build = s_root + "/hello-cmake";
    CommandResult configure =
        Shell("cmake -S " + Quote(BKT_SOURCE_DIR "/examples/hello") + " -B " + Quote(build) +
              " -G Ninja -DCMAKE_PREFIX_PATH=" + Quote(s_prefix) + " -DCMAKE_CXX_FLAGS=" + Quote(s_extraFlags) +
              " -DCMAKE_EXE_LINKER_FLAGS=" + Quote(s_extraFlags));
    ASSERT_EQ(configure.status, 0) << configure.output;
    CommandResult make = Shell("cmake --build " + Quote(build) + " -j 2");
    ASSERT_EQ(make.status, 0) << make.output;
    CheckHeadlessHello(build + "/hello-headless", build, build + "/shot.png");

    // The desktop build runs too, on SDL's dummy drivers.
    CommandResult sdl = Shell("XDG_RUNTIME_DIR=" + Quote(build) + " SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy " +
                              Quote(build + "/hello") + " --data " + Quote(build) + " --frames 5");
    EXPECT_EQ(sdl.status, 0) << sdl.output;
    EXPECT_NE(sdl.output.find("hello: frames=5 sounds=0\n"), std::string::npos) << sdl.output;

    // Without a sound device it runs silent and says so; a missing picture is named.
    CommandResult silent = Shell("XDG_RUNTIME_DIR=" + Quote(build) + " SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=none " +
                                 Quote(build + "/hello") + " --data " + Quote(build) + " --frames 5");
    EXPECT_EQ(silent.status, 0) << silent.output;
    EXPECT_NE(silent.output.find("hello.wav does not play (no sound device, or not a sound the runtime decodes): "
                                 "going on without sound\n"),
              std::string::npos)
        << silent.output;
    EXPECT_NE(silent.output.find("hello: frames=5 sounds=0\n"), std::string::npos) << silent.output;
    Shell("mkdir -p " + Quote(build + "/empty"));
    CommandResult missing = Shell("XDG_RUNTIME_DIR=" + Quote(build) + " SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy " +
                                  Quote(build + "/hello") + " --data " + Quote(build + "/empty") + " --frames 5");
    EXPECT_EQ(missing.status, 1) << missing.output;
    EXPECT_EQ(missing.output,
              "hello: cannot load the picture " + build + "/empty/hello.png: No such file or directory\n");
}

TEST_F(Installed, HelloBuildsWithPkgConfigAndRuns) {
    SkipUnlinkableBuild();
    ASSERT_NE(s_pkgconfigDir, "");
    std::string dir = s_root + "/hello-make";
    ASSERT_EQ(Shell("cp -r " + Quote(BKT_SOURCE_DIR "/examples/hello") + " " + Quote(dir)).status, 0);
    Shell("rm -rf " + Quote(dir + "/build"));
    CommandResult make = Shell("make -C " + Quote(dir) + " PKG_CONFIG_PATH=" + Quote(s_pkgconfigDir) +
                               " CXXFLAGS=" + Quote("-O2 " + s_extraFlags));
    ASSERT_EQ(make.status, 0) << make.output;
    CheckHeadlessHello(dir + "/hello-headless", dir, dir + "/shot.png");
    EXPECT_TRUE(Exists(dir + "/hello"));
}

// ---- C, and the first programs of the reference ---------------------------------

// The code block that follows a marker line of the installed reference.
std::string CodeAfterMarker(const std::string& doc, const std::string& marker) {
    size_t at = doc.find(marker);
    if (at == std::string::npos) return "";
    size_t open = doc.find("```", at);
    size_t start = doc.find('\n', open);
    size_t close = doc.find("\n```", start);
    if (open == std::string::npos || start == std::string::npos || close == std::string::npos) return "";
    return doc.substr(start + 1, close - start);
}

// Every name of the header with the value it must have, checked by a C11 compiler.
const char* kNamesCheck = R"(#include <borra/runtime.h>
_Static_assert(DRAW_TARGET_BACK == -2 && DRAW_TARGET_FRONT == -4, "draw targets");
_Static_assert(BLEND_NONE == 0 && BLEND_ALPHA == 1 && BLEND_ADD == 2 && BLEND_SUBTRACT == 3 && BLEND_MULTIPLY == 4,
               "blend modes");
_Static_assert(PLAY_NORMAL == 0 && PLAY_BACKGROUND == 1 && PLAY_LOOP == 3, "play types");
_Static_assert(INPUT_KEYBOARD == 0x1000 && INPUT_PAD1 == 1 && INPUT_PAD8 == 8 && INPUT_KEYBOARD_PAD1 == 0x1001,
               "input types");
_Static_assert(PAD_DOWN == 0x1 && PAD_LEFT == 0x2 && PAD_RIGHT == 0x4 && PAD_UP == 0x8, "directions");
_Static_assert(PAD_BUTTON1 == 0x10 && PAD_BUTTON9 == 0x1000 && PAD_BUTTON10 == 0x2000 && PAD_BUTTON24 == 1 << 27,
               "buttons");
_Static_assert(KEY_CODE_ESCAPE == 0x01 && KEY_CODE_Z == 0x2C && KEY_CODE_SPACE == 0x39 && KEY_CODE_RETURN == 0x1C &&
               KEY_CODE_UP == 0xC8 && KEY_CODE_LEFT == 0xCB && KEY_CODE_RIGHT == 0xCD && KEY_CODE_DOWN == 0xD0 &&
               KEY_CODE_NUMPAD8 == 0x48 && KEY_CODE_F11 == 0x57 && KEY_CODE_NUMPAD_ENTER == 0x9C, "key codes");
_Static_assert(FONT_TYPE_PLAIN == 0 && FONT_TYPE_EDGE == 1 && FONT_TYPE_ANTIALIAS == 2 && FONT_TYPE_ANTIALIAS_EDGE == 3,
               "font types");
_Static_assert(CHARSET_DEFAULT == 0 && CHARSET_SHIFT_JIS == 1 && CHARSET_HANGEUL == 2 && FONT_DEFAULT == -1,
               "character sets");
_Static_assert(WINDOW_MODE_FULL_SCREEN == 0 && WINDOW_MODE_WINDOWED == 1 && SCREEN_MODE_KEEP == -1, "modes");
_Static_assert(TEXT_ENCODING_SHIFT_JIS == 0 && TEXT_ENCODING_UTF8 == 1, "encodings");
_Static_assert(sizeof(enum PadBit) == sizeof(int) && sizeof(enum KeyCode) == sizeof(int), "int-sized");
)";

// The headless builds start here (the program's own main is renamed
// FirstProgramMain): Space at frame 10, Escape at frame 40, and at the end the
// number of frames shown and the last of them as shot.png.
const char* kHeadlessDriver = R"(#include <borra/scripted.h>
#include <stdio.h>
int FirstProgramMain(void);
int main(void) {
    ScriptedLoadInputScript("0 -\n10 SPACE\n11 -\n40 ESCAPE\n", 0, 0);
    int result = FirstProgramMain();
    printf("presented=%d\n", ScriptedPresentCount());
    ScriptedSaveLastFrame("shot.png");
    return result;
}
)";

TEST_F(Installed, FirstProgramsOfTheReferenceBuildAndRunInCAndCpp) {
    SkipUnlinkableBuild();
    ASSERT_NE(s_pkgconfigDir, "");
    std::string doc = ReadFile(P("share/doc/borrakezti/runtime.md"));
    std::string dir = s_root + "/first";
    ASSERT_EQ(Shell("mkdir -p " + Quote(dir)).status, 0);
    WriteFile(dir + "/names.c", kNamesCheck);
    WriteFile(dir + "/driver.c", kHeadlessDriver);
    ASSERT_EQ(Shell("cp " + Quote(BKT_SOURCE_DIR "/examples/hello/hello.wav") + " " + Quote(dir + "/sound.wav")).status,
              0);
    // A red disc on a see-through square.
    CommandResult png = Shell("cd " + Quote(dir) + " && /usr/bin/python3 -c " +
                              Quote("from PIL import Image, ImageDraw\nim=Image.new('RGBA',(64,64),(0,0,0,0))\n"
                                    "ImageDraw.Draw(im).ellipse((4,4,59,59),fill=(255,40,40,255))\n"
                                    "im.save('picture.png')"));
    ASSERT_EQ(png.status, 0) << png.output;
    std::string pc = "PKG_CONFIG_PATH=" + Quote(s_pkgconfigDir) + " pkg-config";
    std::string flags = " -Wall -Werror " + s_extraFlags + " ";
    // The names in plain C11, pedantic.
    CommandResult names = Shell("cd " + Quote(dir) + " && gcc -std=c11 -pedantic" + flags + "$(" + pc +
                                " --cflags borra-runtime) -c names.c -o names.o");
    ASSERT_EQ(names.status, 0) << names.output;

    struct Program {
        const char* marker;
        const char* file;
        const char* compile; // compiler and standard
    } programs[] = {
        {"<!-- first-program-c -->", "first.c", "gcc -std=c11"},
        {"<!-- first-program-cpp -->", "first.cpp", "g++ -std=c++20"},
    };
    for (const Program& program : programs) {
        SCOPED_TRACE(program.file);
        std::string code = CodeAfterMarker(doc, program.marker);
        ASSERT_NE(code.find("RuntimeInit"), std::string::npos) << "no program after " << program.marker;
        WriteFile(dir + "/" + program.file, code);
        // The desktop build links; the headless one runs, its keys pressed by the driver.
        CommandResult desktop = Shell("cd " + Quote(dir) + " && " + program.compile + flags + program.file + " $(" +
                                      pc + " --cflags --libs borra-runtime) -lm -o first-desktop");
        EXPECT_EQ(desktop.status, 0) << desktop.output;
        // The driver in the program's language, so that the renamed main links.
        std::string language = std::string(program.file).find(".cpp") != std::string::npos ? " -x c++" : "";
        CommandResult build =
            Shell("cd " + Quote(dir) + " && " + program.compile + language + " -c" + flags + "$(" + pc +
                  " --cflags borra-runtime-scripted) driver.c -o driver.o && " + program.compile + flags +
                  "-Dmain=FirstProgramMain " + program.file + " driver.o $(" + pc +
                  " --cflags --libs borra-runtime-scripted) -lm -o first-headless");
        ASSERT_EQ(build.status, 0) << build.output;
        Shell("rm -f " + Quote(dir + "/shot.png"));
        CommandResult run = Shell("cd " + Quote(dir) + " && timeout 60 ./first-headless");
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_NE(run.output.find("presented=40\n"), std::string::npos) << run.output;
        // The text's line, the disc around the centre, and black where the
        // square's see-through corners turn.
        CommandResult pixels =
            Shell("/usr/bin/python3 -c " +
                  Quote("import sys\nfrom PIL import Image\nim=Image.open(sys.argv[1]).convert('RGB')\n"
                        "text=sum(1 for x in range(320) for y in range(6,30) if min(im.getpixel((x,y)))>150)\n"
                        "red=sum(1 for x in range(110,210) for y in range(80,180) if im.getpixel((x,y))[0]>200 and "
                        "im.getpixel((x,y))[1]<100)\n"
                        "print(text, red, sum(im.getpixel((112,82))))") +
                  " " + Quote(dir + "/shot.png"));
        ASSERT_EQ(pixels.status, 0) << pixels.output;
        int text = 0, red = 0, corner = -1;
        ASSERT_EQ(sscanf(pixels.output.c_str(), "%d %d %d", &text, &red, &corner), 3) << pixels.output;
        EXPECT_GT(text, 80) << "no text line";
        EXPECT_GT(red, 3000) << "no disc";
        EXPECT_EQ(corner, 0) << "the see-through corner is not";
    }
}

// ---- The launcher -------------------------------------------------------------
// It runs the game in the per-user folder. The runs below use the launcher's
// --replay mode (the installed game code on the headless backend, ended by its
// script) so that they need no display and end by themselves.

// Small fixed generator, so a seed always gives the same script.
struct ScriptRandom {
    uint32_t state;
    uint32_t next(uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    }
};

// Keys from the title to the first frame of play, then a climb that walks to
// either side and taps Z, up to the given frame.
std::string ClimbScript(uint32_t seed, int endFrame) {
    std::string script = "5 Z\n6 -\n10 Z\n200 -\n";
    ScriptRandom random{seed};
    const char* sides[] = {"LEFT ", "RIGHT ", ""};
    int frame = 370;
    while (frame < endFrame) {
        const char* side = sides[random.next(3)];
        int length = 8 + (int)random.next(33);
        for (int f = frame; f < frame + length && f < endFrame; f += 2) {
            script += std::to_string(f) + " " + side + "Z\n";
            if (f + 1 < endFrame) script += std::to_string(f + 1) + " " + side + "\n";
        }
        frame += length;
    }
    return script;
}

std::string KeysAt(int frame, const char* keys) {
    return std::to_string(frame) + " " + keys + "\n";
}

struct Status {
    int frame = -1, scene = -1, score = -1;
};

std::vector<Status> ParseStatusLines(const std::string& output) {
    std::vector<Status> lines;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        Status s;
        if (sscanf(line.c_str(), "frame=%d scene=%d score=%d", &s.frame, &s.scene, &s.score) == 3) lines.push_back(s);
    }
    return lines;
}

class Launcher : public Installed {
protected:
    // Runs bin/borrakezti from the test's folder with its own XDG_DATA_HOME and HOME.
    CommandResult Launch(const std::string& args, bool withXdg = true) {
        std::string env = "HOME=" + Quote(s_root + "/home") + " ";
        env += withXdg ? "XDG_DATA_HOME=" + Quote(s_root + "/xdg") + " " : "XDG_DATA_HOME= ";
        return Shell("cd " + Quote(s_root) + " && " + env + Quote(P("bin/borrakezti")) + " " + args);
    }
    std::string UserDir() const { return s_root + "/xdg/borrakezti"; }
    std::string Share() const { return P("share/borrakezti"); }
};

TEST_F(Launcher, KeepsTheRankingInTheUserFolderAndNeverWritesTheShare) {
    std::string shareBefore = Snapshot(Share());
    ASSERT_NE(shareBefore, "");

    // Find a climb that makes the ranking (above the default table's 100) and
    // the frame its game over begins; the probe runs in a folder of its own.
    uint32_t playSeed = 0;
    int gameOver = -1, score = 0;
    for (uint32_t seed = 1; seed <= 6 && gameOver < 0; seed++) {
        std::string candidate = ClimbScript(seed, 12000) + "12000 -\n";
        WriteFile(s_root + "/probe.txt", candidate);
        CommandResult probe = Shell("cd " + Quote(s_root) + " && XDG_DATA_HOME=" + Quote(s_root + "/probe") + " " +
                                    Quote(P("bin/borrakezti")) + " --replay --script probe.txt --frames 14000 --trace");
        ASSERT_EQ(probe.status, 0) << probe.output.substr(0, 2000);
        for (const Status& s : ParseStatusLines(probe.output)) {
            if (s.scene == 2 && s.frame > 400) {
                if (s.score > 100) {
                    gameOver = s.frame - 1;
                    score = s.score;
                    playSeed = seed;
                }
                break;
            }
        }
    }
    ASSERT_GE(gameOver, 0) << "no climb made the ranking";
    // The same keys up to the game over (the run is the same up to there).
    std::string play = ClimbScript(playSeed, gameOver) + KeysAt(gameOver, "-");

    // Run 1: the name is entered as AAA with three presses of Z.
    std::string first = play + KeysAt(gameOver + 5, "Z") + KeysAt(gameOver + 6, "-") + KeysAt(gameOver + 10, "Z") +
                        KeysAt(gameOver + 11, "-") + KeysAt(gameOver + 15, "Z") + KeysAt(gameOver + 16, "-");
    WriteFile(s_root + "/first.txt", first);
    // The per-user folder is the save folder only when named (a path from where the
    // launcher was started); a replay otherwise leaves the player's files alone.
    const std::string saveDir = " --save-dir xdg/borrakezti";
    CommandResult run1 = Launch("--replay --script first.txt --frames " + std::to_string(gameOver + 30) + saveDir);
    ASSERT_EQ(run1.status, 0) << run1.output;
    std::string ranking = ReadFile(UserDir() + "/score.dat");
    ASSERT_EQ(ranking.size(), 35u) << "no ranking in the per-user folder";
    size_t name = ranking.find("AAA");
    ASSERT_NE(name, std::string::npos);
    ASSERT_GE(name, 4u);
    uint32_t stored = (unsigned char)ranking[name - 4] | ((unsigned char)ranking[name - 3] << 8) |
                      ((unsigned char)ranking[name - 2] << 16) | ((unsigned char)ranking[name - 1] << 24);
    EXPECT_EQ((int)stored, score);
    for (const char* link : {"bkt.data", "bkt", "sg"}) EXPECT_TRUE(IsSymlink(UserDir() + "/" + link)) << link;
    EXPECT_TRUE(Exists(UserDir() + "/bkt/graphic/chara.bmp"));
    EXPECT_TRUE(Exists(UserDir() + "/sg/00.dat"));

    // Run 2: the same climb scores the same, which the kept table already holds,
    // so no name is asked for; a lost table would have taken "BAA" here.
    std::string second = play + KeysAt(gameOver + 5, "DOWN") + KeysAt(gameOver + 6, "-") + KeysAt(gameOver + 10, "Z") +
                         KeysAt(gameOver + 11, "-") + KeysAt(gameOver + 15, "Z") + KeysAt(gameOver + 16, "-") +
                         KeysAt(gameOver + 20, "Z") + KeysAt(gameOver + 21, "-");
    WriteFile(s_root + "/second.txt", second);
    CommandResult run2 = Launch("--replay --script second.txt --frames " + std::to_string(gameOver + 30) + saveDir);
    ASSERT_EQ(run2.status, 0) << run2.output;
    EXPECT_EQ(ReadFile(UserDir() + "/score.dat"), ranking);

    // Without --save-dir the name entry of run 1 goes to a scratch folder.
    WriteFile(UserDir() + "/config.ini", std::string("\x02\0\0\0", 4));
    CommandResult run3 = Launch("--replay --script first.txt --frames " + std::to_string(gameOver + 30));
    ASSERT_EQ(run3.status, 0) << run3.output;
    EXPECT_EQ(ReadFile(UserDir() + "/score.dat"), ranking);
    EXPECT_EQ(ReadFile(UserDir() + "/config.ini"), std::string("\x02\0\0\0", 4));

    // Nothing was written into the installed data.
    EXPECT_EQ(Snapshot(Share()), shareBefore);
    EXPECT_FALSE(Exists(Share() + "/score.dat"));
    EXPECT_FALSE(Exists(Share() + "/config.ini"));
}

// "--replay FILE" plays a recording (a script whose header names its time seed)
// as "--replay --script FILE --time SECONDS" does.
TEST_F(Launcher, ReplayOfARecordingTakesItsTimeSeed) {
    std::string keys = ClimbScript(3, 2500) + "2500 ESCAPE\n";
    WriteFile(s_root + "/recorded.txt", "# borrakezti-recording version=1.0 time=987654321\n" + keys);
    WriteFile(s_root + "/plain.txt", keys);
    CommandResult recorded = Launch("--replay recorded.txt");
    CommandResult seeded = Launch("--replay --script plain.txt --time 987654321");
    ASSERT_EQ(recorded.status, 0) << recorded.output;
    ASSERT_EQ(seeded.status, 0) << seeded.output;
    EXPECT_EQ(recorded.output, seeded.output);
    EXPECT_NE(recorded.output.find("frame=2500 "), std::string::npos) << recorded.output;
}

TEST_F(Launcher, UserFolderFallsBackToHomeAndKeepsUserReplacements) {
    std::string home = s_root + "/home/.local/share/borrakezti";
    CommandResult where = Launch("--user-dir", false);
    EXPECT_EQ(where.output, home + "\n");
    // A real folder of the user's stays; a stale link is renewed.
    ASSERT_EQ(Shell("mkdir -p " + Quote(home + "/sg") + " && ln -s /nonexistent " + Quote(home + "/bkt.data")).status,
              0);
    WriteFile(s_root + "/idle.txt", "0 -\n");
    // Paths given to the replay are meant from where the launcher was started.
    CommandResult run = Launch("--replay --script idle.txt --frames 3 --shot 2:idle.png", false);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("frame=3 "), std::string::npos) << run.output;
    int w = 0, h = 0;
    PngSize(s_root + "/idle.png", &w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    EXPECT_FALSE(IsSymlink(home + "/sg"));
    EXPECT_TRUE(IsSymlink(home + "/bkt.data"));
    EXPECT_EQ(ReadFile(home + "/bkt.data"), ReadFile(Share() + "/bkt.data"));
    EXPECT_TRUE(IsSymlink(home + "/bkt"));
}

TEST_F(Launcher, StartsTheDesktopGameInTheUserFolder) {
    std::string shareBefore = Snapshot(Share());
    // The real game on SDL's dummy drivers has no way to end by itself: it must
    // still be running when the time-out ends it. Its single-instance lock goes
    // into a folder of its own, so that other programs running now do not count.
    ASSERT_EQ(Shell("mkdir -p " + Quote(s_root + "/run")).status, 0);
    CommandResult run = Shell("cd " + Quote(s_root) + " && HOME=" + Quote(s_root + "/home") + " XDG_DATA_HOME=" +
                              Quote(s_root + "/xdg") + " XDG_RUNTIME_DIR=" + Quote(s_root + "/run") +
                              " SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 3 " + Quote(P("bin/borrakezti")));
    EXPECT_EQ(run.status, 124) << run.output;
    EXPECT_TRUE(IsSymlink(UserDir() + "/bkt.data"));
    EXPECT_EQ(Snapshot(Share()), shareBefore);
}

} // namespace
