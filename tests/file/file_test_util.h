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
#include "tests/test_files.h"

inline void WriteFileText(const std::string& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
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

// A test in a scratch folder with fresh archive tables for the "data" extension.
class ArchiveFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ResetArchives("data"); }
    void TearDown() override { ResetArchives(nullptr); }
    ScratchDir dir;
};
