// Temporary game folders, replay runs and screenshot reading for the e2e tests.
#include "tests/e2e/e2e_util.h"

#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
const char* const kReplay = "borrakezti-replay.exe";
#else
const char* const kReplay = "borrakezti-replay";
#endif

} // namespace

GameFolder::GameFolder() {
    fs::path dist(BKT_DIST_DIR);
    bool data = fs::exists(dist / "bkt" / "graphic" / "title.bmp") || fs::exists(dist / "bkt.data");
    if (!fs::exists(dist / kReplay) || !data) return;
    std::string pattern = ::testing::TempDir() + "bkt_e2e_XXXXXX";
    if (!mkdtemp(pattern.data())) return;
    m_path = pattern;
    std::error_code ec;
    fs::copy(dist, m_path, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) return;
    // Files a previous run of the game may have left in build/dist.
    for (const char* name : {"config.ini", "score.dat", "AppLog.txt"}) fs::remove(fs::path(m_path) / name, ec);
    m_ready = true;
}

GameFolder::~GameFolder() {
    if (!m_path.empty()) {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
}

void GameFolder::clearStages() {
    std::error_code ec;
    fs::remove_all(fs::path(m_path) / "sg", ec);
    fs::create_directories(fs::path(m_path) / "sg", ec);
}

void GameFolder::writeStage(const std::string& stem, const int grid[20][15]) {
    std::vector<uint8_t> bytes;
    for (int c = 0; c < 20; c++)
        for (int r = 0; r < 15; r++)
            for (int i = 0; i < 4; i++) bytes.push_back((uint8_t)((uint32_t)grid[c][r] >> (8 * i)));
    WriteFileBytes(file("sg/" + stem + ".dat"), bytes);
}

ReplayResult GameFolder::run(const std::string& script, const std::string& args, bool trace, bool saveHere) {
    ReplayResult result;
    WriteFileBytes(file("test.script"), std::vector<uint8_t>(script.begin(), script.end()));
    // The folder is also the save folder, as the player's own folder would be.
#ifdef _WIN32
    std::string command = "cd /d \"" + m_path + "\" && " + kReplay + " --script test.script ";
#else
    std::string command = "cd '" + m_path + "' && ./" + kReplay + " --script test.script ";
#endif
    std::string errors = "replay-stderr-" + std::to_string(++m_runs) + ".txt";
    command += std::string(saveHere ? "--save-dir . " : "") + (trace ? "--trace " : "") + args + " 2>" + errors;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char line[512];
    while (fgets(line, sizeof(line), pipe)) {
        Status status;
        if (ParseStatus(line, status)) result.lines.push_back(status);
    }
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::vector<uint8_t> text = ReadFileBytes(file(errors));
    result.errors.assign(text.begin(), text.end());
#ifdef _WIN32
    std::erase(result.errors, '\r'); // stderr into a file: text lines end in CR LF there
#endif
    return result;
}

bool ParseStatus(const std::string& line, Status& s) {
    return sscanf(line.c_str(), "frame=%d scene=%d score=%d lives=%d stage=%d x=%d y=%d vy=%d cond=%d", &s.frame,
                  &s.scene, &s.score, &s.lives, &s.stage, &s.x, &s.y, &s.vy, &s.cond) == 9;
}

bool PathExists(const std::string& path) {
    return fs::exists(path);
}

Picture LoadPng(const std::string& path) {
    Picture picture;
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_BGRA; // little-endian words read as 0xAARRGGBB
    std::vector<uint32_t> pixels((size_t)image.width * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return picture;
    }
    picture.width = (int)image.width;
    picture.height = (int)image.height;
    picture.pixels = std::move(pixels);
    return picture;
}

int CountBright(const Picture& p, int x0, int y0, int x1, int y1, int threshold) {
    int count = 0;
    for (int y = y0; y < y1 && y < p.height; y++)
        for (int x = x0; x < x1 && x < p.width; x++) {
            uint32_t c = p.at(x, y);
            if ((int)((c >> 16) & 255) > threshold && (int)((c >> 8) & 255) > threshold && (int)(c & 255) > threshold)
                count++;
        }
    return count;
}

int CountDifferent(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1) {
    if (a.width != b.width || a.height != b.height) return -1;
    int count = 0;
    for (int y = y0; y < y1 && y < a.height; y++)
        for (int x = x0; x < x1 && x < a.width; x++)
            if ((a.at(x, y) & 0xFFFFFF) != (b.at(x, y) & 0xFFFFFF)) count++;
    return count;
}

std::string ScriptToPlay() {
    return "5 Z\n6 -\n10 Z\n200 -\n";
}

std::string Press(int frame, const char* keys) {
    return std::to_string(frame) + " " + keys + "\n" + std::to_string(frame + 1) + " -\n";
}

std::string TapZ(int from, int to, int step) {
    std::string script;
    for (int f = from; f < to; f += step) script += Press(f, "Z");
    return script;
}

int FirstLine(const ReplayResult& r, const std::function<bool(const Status&)>& test, size_t from) {
    for (size_t i = from; i < r.lines.size(); i++)
        if (test(r.lines[i])) return (int)i;
    return -1;
}
