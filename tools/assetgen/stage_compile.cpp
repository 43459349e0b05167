// Stage grid parsing and encoding.
#include "stage_compile.h"

#include <cstddef>

#include "text_source.h"

StageLegend LoadStageLegend(const std::string& path) {
    StageLegend legend;
    for (int& c : legend.code) c = -1;
    SourceFile f = LoadSourceFile(path);
    for (const SourceLine& line : f.lines) {
        if (IsBlankOrComment(line.text)) continue;
        std::vector<std::string> w = SplitWords(line.text);
        if (w.size() < 2 || w[0].size() != 1) SourceError(f, line.number, "expected CHAR CODE [name]");
        unsigned char ch = static_cast<unsigned char>(w[0][0]);
        int code = ParseInt(f, line.number, w[1]);
        if (ch >= 128 || code < 0 || code > 21) SourceError(f, line.number, "codes run from 0 to 21");
        if (legend.code[ch] >= 0) SourceError(f, line.number, "character listed twice");
        legend.code[ch] = code;
    }
    return legend;
}

std::vector<std::vector<int>> ReadStageGrid(const std::string& path, const StageLegend& legend) {
    SourceFile f = LoadSourceFile(path);
    std::vector<std::vector<int>> grid(kStageColumns, std::vector<int>(kStageRows, 0));
    int row = 0;
    for (const SourceLine& line : f.lines) {
        if (IsBlankOrComment(line.text)) continue;
        if (row >= kStageRows) SourceError(f, line.number, "more than 15 grid rows");
        if (static_cast<int>(line.text.size()) != kStageColumns)
            SourceError(f, line.number, "grid rows are 20 characters");
        for (int c = 0; c < kStageColumns; ++c) {
            unsigned char ch = static_cast<unsigned char>(line.text[c]);
            if (ch >= 128 || legend.code[ch] < 0)
                SourceError(f, line.number, std::string("character not in the legend: ") + line.text[c]);
            grid[c][row] = legend.code[ch];
        }
        ++row;
    }
    if (row != kStageRows) ToolError(path + ": a stage has 15 grid rows");
    return grid;
}

std::vector<uint8_t> EncodeStageFile(const std::vector<std::vector<int>>& grid) {
    std::vector<uint8_t> bytes;
    for (int c = 0; c < kStageColumns; ++c)
        for (int r = 0; r < kStageRows; ++r) {
            uint32_t v = static_cast<uint32_t>(grid[c][r]);
            for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<uint8_t>(v >> (8 * k)));
        }
    return bytes;
}
