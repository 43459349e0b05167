// Reading the text sources: lines, tokens and fatal source errors.
// Every error names the file and line so a broken source fails the build clearly.
#pragma once
#include <string>
#include <vector>

struct SourceLine {
    std::string text; // the line without its end-of-line characters
    int number;       // 1-based line number in the file
};

struct SourceFile {
    std::string path;              // path as given
    std::vector<SourceLine> lines; // every line of the file
};

// Loads a whole text file; exits with a message when it cannot be read.
SourceFile LoadSourceFile(const std::string& path);

// Splits a command line into words; "double quoted" words keep their spaces.
std::vector<std::string> SplitWords(const std::string& line);

// True for empty lines and lines whose first non-blank character is '#'.
bool IsBlankOrComment(const std::string& line);

// Parses numbers, exiting with a source error when the word is not one.
int ParseInt(const SourceFile& file, int lineNumber, const std::string& word);
double ParseDouble(const SourceFile& file, int lineNumber, const std::string& word);

// Prints "path:line: message" and exits with status 1.
[[noreturn]] void SourceError(const SourceFile& file, int lineNumber, const std::string& message);
[[noreturn]] void ToolError(const std::string& message);
