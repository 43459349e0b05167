// Public test corpora: every good BMP must match its reference picture (read
// with our own PNG decoder), every PNG of the suite must match its twin, and
// questionable or corrupt files must be refused or decoded within bounds.
#include <dirent.h>

#include <algorithm>

#include "tests/graphics/decode_test_support.h"

using namespace dectest;

namespace {

const std::string kCorpora = BKT_SOURCE_DIR "/../shared/corpora";

std::vector<std::string> ListFiles(const std::string& folder, const std::string& suffix) {
    std::vector<std::string> names;
    DIR* d = opendir(folder.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

int DecodeFile(const std::string& path, GraphImage* image) {
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    if (bytes.empty()) {
        memset(image, 0, sizeof(*image));
        return -1;
    }
    return LoadGraphImageMemory(bytes.data(), (int)bytes.size(), image);
}

// Decoded image as tight RGBA rows.
std::vector<uint8_t> AsRgba(const GraphImage& image) {
    std::vector<uint8_t> rgba((size_t)image.Width * image.Height * 4);
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x) PixelRgba(image, x, y, &rgba[((size_t)y * image.Width + x) * 4]);
    return rgba;
}

// A decoded image must be self-consistent: rows fit the pitch, and every pixel
// can be read (under the sanitizers this touches the whole block).
void ExpectSane(const GraphImage& image) {
    ASSERT_GT(image.Width, 0);
    ASSERT_GT(image.Height, 0);
    ASSERT_NE(image.PixelData, nullptr);
    ASSERT_GE(image.Pitch, image.Width * image.Color.Format.PixelByte);
    volatile uint32_t sum = 0;
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x) sum = sum + RawPixel(image, x, y);
}

// Reference picture of a good BMP: its own, or the one it is a variant of.
std::string ReferenceFor(const std::string& name) {
    static const char* const kShared[][2] = {
        {"pal1wb", "pal1"},
        {"pal4rle", "pal4"},
        {"pal8-0", "pal8"},
        {"pal8os2", "pal8"},
        {"pal8rle", "pal8"},
        {"pal8topdown", "pal8"},
        {"pal8v4", "pal8"},
        {"pal8v5", "pal8"},
        {"pal8nonsquare", "pal8nonsquare-e"},
        {"rgb16-565pal", "rgb16-565"},
        {"rgb16bfdef", "rgb16"},
        {"rgb24pal", "rgb24"},
        {"rgb32", "rgb24"},
        {"rgb32bf", "rgb24"},
        {"rgb32bfdef", "rgb24"},
    };
    std::string base = name.substr(0, name.size() - 4);
    for (const auto& entry : kShared)
        if (base == entry[0]) return entry[1];
    return base;
}

TEST(DecodeCorpus, GoodBmpFilesMatchTheirReferences) {
    std::string dir = kCorpora + "/bmpsuite/g/";
    std::vector<std::string> files = ListFiles(dir, ".bmp");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << dir;
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        GraphImage image;
        ASSERT_EQ(DecodeFile(dir + name, &image), 0);
        ExpectSane(image);
        GraphImage ref;
        std::string refPath = kCorpora + "/bmpsuite/reference/" + ReferenceFor(name) + ".png";
        ASSERT_EQ(DecodeFile(refPath, &ref), 0) << refPath;
        EXPECT_TRUE(SameAsRgba(image, AsRgba(ref), ref.Width, ref.Height, 0, false));
        ReleaseGraphImage(&ref);
        ReleaseGraphImage(&image);
    }
}

TEST(DecodeCorpus, QuestionableAndBadBmpFilesStayInBounds) {
    int before = TrackedBlockCount();
    int seen = 0;
    for (const char* folder : {"q", "b"}) {
        std::string dir = kCorpora + "/bmpsuite/" + folder + "/";
        for (const std::string& name : ListFiles(dir, ".bmp")) {
            SCOPED_TRACE(std::string(folder) + "/" + name);
            ++seen;
            std::vector<uint8_t> bytes = ReadWholeFile(dir + name);
            GraphImage image;
            if (LoadGraphImageMemory(bytes.data(), (int)bytes.size(), &image) == 0) {
                ExpectSane(image);
                // Never more pixel memory than a generous multiple of the file.
                EXPECT_LE((int64_t)image.Pitch * image.Height, (int64_t)bytes.size() * 256 + (1 << 20));
                ReleaseGraphImage(&image);
            } else {
                EXPECT_EQ(image.PixelData, nullptr);
            }
        }
    }
    if (seen == 0) GTEST_SKIP() << "no corpus";
    EXPECT_EQ(TrackedBlockCount(), before);
}

TEST(DecodeCorpus, BadBmpFilesAreRefused) {
    std::string dir = kCorpora + "/bmpsuite/b/";
    if (ListFiles(dir, ".bmp").empty()) GTEST_SKIP() << "no corpus";
    // Impossible bit counts, planes and widths, sizes beyond the data and
    // truncations are refused outright (a wrong image-size field, header size or
    // palette count alone leaves a readable picture).
    for (const char* name : {"badbitcount.bmp", "badplanes.bmp", "badwidth.bmp", "reallybig.bmp", "shortfile.bmp"}) {
        GraphImage image;
        EXPECT_EQ(DecodeFile(dir + name, &image), -1) << name;
    }
}

// PngSuite file names: the letters at 4..5 and the digits give colour type and depth.
TEST(DecodeCorpus, PngSuiteDecodesAndInterlacedMatchesPlain) {
    std::string dir = kCorpora + "/pngsuite/png/";
    std::vector<std::string> files = ListFiles(dir, ".png");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << dir;
    int before = TrackedBlockCount();
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        GraphImage image;
        int result = DecodeFile(dir + name, &image);
        if (name[0] == 'x') {
            EXPECT_EQ(result, -1); // corrupt files
            continue;
        }
        ASSERT_EQ(result, 0);
        ExpectSane(image);
        // Expected pixel format from the colour type in the name.
        std::string kind = name.substr(4, 2);
        bool trns = name[0] == 't' && name.compare(0, 3, "tp0") != 0; // transparency chunk
        if (kind == "6a") {
            EXPECT_EQ(image.Color.Format.ColorBitDepth, 32);
        }
        if (kind == "4a") {
            EXPECT_EQ(image.Color.Format.ColorBitDepth, 16);
        }
        if (kind == "2c" && !trns) {
            EXPECT_EQ(image.Color.Format.ColorBitDepth, 24);
        }
        // Interlaced twins of the basic files decode to the same pixels.
        if (name.compare(0, 4, "basi") == 0) {
            GraphImage plain;
            std::string twin = "basn" + name.substr(4);
            ASSERT_EQ(DecodeFile(dir + twin, &plain), 0) << twin;
            EXPECT_TRUE(SameAsRgba(image, AsRgba(plain), plain.Width, plain.Height, 0, true));
            ReleaseGraphImage(&plain);
        }
        ReleaseGraphImage(&image);
    }
    EXPECT_EQ(TrackedBlockCount(), before);
}

TEST(DecodeCorpus, PngSuiteSmallDepthsAgreeWithPillow) {
    std::string dir = kCorpora + "/pngsuite/png/";
    if (ListFiles(dir, ".png").empty()) GTEST_SKIP() << "no corpus";
    char tmpl[] = "/tmp/bkt_corpus_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string tmp = tmpl;
    for (const char* name :
         {"basn0g01", "basn0g02", "basn0g04", "basn0g08", "basn0g16", "basn2c08", "basn2c16", "basn3p01", "basn3p02",
          "basn3p04", "basn3p08", "basn6a08", "basn6a16", "s01n3p01", "s05n3p02", "s35n3p04", "tp0n3p08", "tbrn2c08"}) {
        SCOPED_TRACE(name);
        std::string out = tmp + "/" + name + ".rgba";
        // Pillow reduces 16-bit channels by rounding; take the high byte as libpng does.
        std::string script =
            "from PIL import Image\n"
            "im = Image.open('" +
            dir + name +
            ".png')\n"
            "if im.mode in ('I', 'I;16'):\n"
            "    im = Image.frombytes('L', im.size, bytes(v >> 8 for v in im.getdata()))\n"
            "open('" +
            out + "', 'wb').write(im.convert('RGBA').tobytes())\n";
        std::string command = "/usr/bin/python3 -c \"" + script + "\"";
        ASSERT_EQ(system(command.c_str()), 0);
        GraphImage image;
        ASSERT_EQ(DecodeFile(dir + name + ".png", &image), 0);
        bool alpha = image.Color.Format.AlphaBits != 0;
        int tolerance = strstr(name, "16") ? 1 : 0; // Pillow rounds 16-bit colour channels
        EXPECT_TRUE(SameAsRgba(image, ReadWholeFile(out), image.Width, image.Height, tolerance, alpha));
        ReleaseGraphImage(&image);
        remove(out.c_str());
    }
    rmdir(tmp.c_str());
}

} // namespace
