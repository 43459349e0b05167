// Helpers for the file-layer tests: a scratch folder that becomes the current
// directory for one test, and small file writers.
#pragma once

#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/file/archive.h"

class ScratchDir {
public:
    ScratchDir() {
        char templ[] = "/tmp/bkt_file_test_XXXXXX";
        path_ = mkdtemp(templ);
        char cwd[4096];
        saved_ = getcwd(cwd, sizeof(cwd)) ? cwd : "/tmp";
        if (chdir(path_.c_str()) != 0) ADD_FAILURE() << "chdir " << path_;
    }
    ~ScratchDir() {
        if (chdir(saved_.c_str()) != 0) ADD_FAILURE() << "chdir back";
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string saved_;
};

inline void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), (std::streamsize)bytes.size());
}

inline void WriteFileText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads a whole file through a file-operation set in chunks of chunk bytes.
inline std::vector<uint8_t> ReadAllThrough(const FileOpTable* ops, FileHandle file, int chunk) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> buffer((size_t)chunk);
    for (;;) {
        int n = ops->read(buffer.data(), 1, chunk, file);
        if (n <= 0) break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    }
    return out;
}

// Fresh archive tables and extension, as the start of RuntimeInit leaves them.
inline void ResetArchives(const char* extension) {
    ClearArchiveBookkeeping();
    SetArchiveExtensionInternal(extension);
}
