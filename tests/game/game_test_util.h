// Helpers for the game's unit tests: a scratch folder as the current directory, and
// writers for the game's binary files.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

#include "tests/test_files.h"

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
// 300 codes in the file's column-major order from a [column][row] grid.
void WriteStage(const std::string& path, const int grid[20][15]);
// Fills the grid with zeros.
void ClearGrid(int grid[20][15]);
// Empties every platform, roller and lift record (x = y = 9999).
void ClearObjects(void);
