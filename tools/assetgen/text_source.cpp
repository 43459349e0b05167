// Line-based reading of the asset sources and the common error exit.
#include "text_source.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

SourceFile LoadSourceFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) ToolError("cannot read " + path);
    SourceFile file;
    file.path = path;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        file.lines.push_back({line, number});
    }
    return file;
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        if (line[i] == '#') break; // the rest is a comment
        std::string word;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') word += line[i++];
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

bool IsBlankOrComment(const std::string& line) {
    for (char c : line) {
        if (c == ' ' || c == '\t') continue;
        return c == '#';
    }
    return true;
}

int ParseInt(const SourceFile& file, int lineNumber, const std::string& word) {
    char* end = nullptr;
    long v = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0') SourceError(file, lineNumber, "not an integer: '" + word + "'");
    return static_cast<int>(v);
}

double ParseDouble(const SourceFile& file, int lineNumber, const std::string& word) {
    char* end = nullptr;
    double v = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0') SourceError(file, lineNumber, "not a number: '" + word + "'");
    return v;
}

void SourceError(const SourceFile& file, int lineNumber, const std::string& message) {
    std::fprintf(stderr, "%s:%d: %s\n", file.path.c_str(), lineNumber, message.c_str());
    std::exit(1);
}

void ToolError(const std::string& message) {
    std::fprintf(stderr, "assetgen: %s\n", message.c_str());
    std::exit(1);
}
