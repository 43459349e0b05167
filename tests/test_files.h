// Whole files as bytes and a scratch folder that lives as long as the process:
// the file chores every test suite and benchmark has.
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

// The file's bytes; empty when it cannot be read.
inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
    return bytes;
}

// Writes the file, making its folder first; false when it could not be written.
inline bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool written = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && written;
}

// A fresh temporary folder made the current directory for the object's life; the
// destructor goes back and removes it. A test that cannot move aborts.
class ScratchDir {
public:
    ScratchDir() {
        char cwd[4096];
        m_previous = getcwd(cwd, sizeof(cwd)) ? cwd : "/tmp";
        char pattern[] = "/tmp/bkt_test_XXXXXX";
        m_path = mkdtemp(pattern) ? pattern : "/tmp";
        if (chdir(m_path.c_str()) != 0) abort();
    }
    ~ScratchDir() {
        if (chdir(m_previous.c_str()) != 0) abort();
        std::error_code ec;
        if (m_path != "/tmp") std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::string m_previous;
};

// A folder under /tmp named after the prefix, made on the first call and removed when
// the process ends; "/tmp" when none can be made.
inline std::string ProcessScratchDir(const char* prefix) {
    static std::string made;
    if (made.empty()) {
        std::string pattern = std::string("/tmp/") + prefix + "_XXXXXX";
        if (!mkdtemp(pattern.data())) return "/tmp";
        made = pattern;
        atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(made, ec);
        });
    }
    return made;
}
