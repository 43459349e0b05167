// Lines for the person in front of the program: "program: text". A window program
// started from Explorer has no console, so the line then goes to a message box;
// with a console, a pipe or a file as standard error (a terminal, Wine, a test) it
// is written there whole.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "runtime/platform/platform.h"

namespace {

// The executable's name without folder and extension.
void ProgramName(char* out, int size) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* name = path;
    for (DWORD i = 0; i < n; i++)
        if (path[i] == L'\\' || path[i] == L'/') name = path + i + 1;
    wchar_t stem[MAX_PATH];
    wcsncpy(stem, n ? name : L"program", MAX_PATH - 1);
    stem[MAX_PATH - 1] = 0;
    wchar_t* dot = wcsrchr(stem, L'.');
    if (dot && !_wcsicmp(dot, L".exe")) *dot = 0;
    out[0] = 0;
    WideCharToMultiByte(CP_UTF8, 0, stem, -1, out, size, nullptr, nullptr);
}

} // namespace

void PlatformReportLine(const char* utf8) {
    char name[256];
    ProgramName(name, sizeof name);
    char line[1024];
    snprintf(line, sizeof(line), "%s: %s\n", name, utf8 ? utf8 : "");
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE && GetFileType(err) != FILE_TYPE_UNKNOWN) {
        DWORD written = 0;
        WriteFile(err, line, (DWORD)strlen(line), &written, nullptr);
        return;
    }
    wchar_t text[1024], caption[256];
    MultiByteToWideChar(CP_UTF8, 0, utf8 ? utf8 : "", -1, text, 1024);
    MultiByteToWideChar(CP_UTF8, 0, name, -1, caption, 256);
    MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONERROR);
}
