// On Windows the game's folder is the executable's: it holds the data, and the
// game writes its settings, its ranking and the runtime's log beside them.
#include "program_folder.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

// The player sees this on standard error when there is one (a console, a pipe),
// else in a message box: a program started from Explorer has neither.
static void TellPlayer(const wchar_t* text) {
    char line[2048];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, line, sizeof line - 1, nullptr, nullptr);
    line[n > 0 ? n - 1 : 0] = 0;
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE && GetFileType(err) != FILE_TYPE_UNKNOWN) {
        fprintf(stderr, "borrakezti: %s\n", line);
        fflush(stderr);
        return;
    }
    MessageBoxW(nullptr, text, L"Borra Kez Ti", MB_OK | MB_ICONWARNING);
}

// 1 when a new file can be made in the current folder (it is removed again).
static int FolderWritable(DWORD* error) {
    HANDLE probe = CreateFileW(L"borrakezti-write-check.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return 0;
    }
    CloseHandle(probe);
    return 1;
}

int EnterProgramFolder(void) {
    wchar_t folder[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, folder, MAX_PATH * 4);
    if (n == 0 || n >= MAX_PATH * 4) return -1;
    wchar_t* slash = wcsrchr(folder, L'\\');
    if (!slash) return -1;
    // Keep the separator of a drive's root ("C:\").
    slash[slash > folder && slash[-1] == L':' ? 1 : 0] = 0;
    if (!SetCurrentDirectoryW(folder)) return -1;
    DWORD error = 0;
    if (!FolderWritable(&error)) {
        wchar_t reason[256] = L"";
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reason, 256, nullptr);
        size_t len = wcslen(reason);
        while (len > 0 && (reason[len - 1] == L'\n' || reason[len - 1] == L'\r' || reason[len - 1] == L'.'))
            reason[--len] = 0;
        wchar_t text[2048];
        _snwprintf(text, 2047,
                   L"the game's folder %ls cannot be written (%ls): the ranking and the display setting "
                   L"will not be kept. Copy the whole folder somewhere you may write to, such as your "
                   L"Documents, and start the game from there.",
                   folder, reason);
        text[2047] = 0;
        TellPlayer(text);
    }
    return 0;
}
