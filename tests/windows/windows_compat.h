// Forced into every test file of the Windows build: the few POSIX calls the suites
// use to make scratch folders and set the environment, done with the C runtime's
// own, so the suites read the same on both systems.
#pragma once
#ifdef _WIN32

#include <direct.h>
#include <io.h>
#include <process.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#ifdef __cplusplus
// mkdir with a mode: Windows folders have no mode bits.
inline int mkdir(const char* path, int) {
    return _mkdir(path);
}
#endif

// Replaces the trailing XXXXXX of templ with a name no folder has yet and makes it.
inline char* mkdtemp(char* templ) {
    size_t n = strlen(templ);
    if (n < 6 || strcmp(templ + n - 6, "XXXXXX") != 0) return NULL;
    static unsigned counter;
    for (int attempt = 0; attempt < 1000; attempt++) {
        unsigned v =
            (unsigned)clock() * 2654435761u ^ (unsigned)time(NULL) ^ (unsigned)_getpid() << 8 ^ ++counter * 40503u;
        for (int i = 0; i < 6; i++, v /= 36) templ[n - 6 + i] = "abcdefghijklmnopqrstuvwxyz0123456789"[v % 36];
        if (_mkdir(templ) == 0) return templ;
    }
    return NULL;
}

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && getenv(name)) return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}
inline int unsetenv(const char* name) {
    return _putenv_s(name, "") == 0 ? 0 : -1;
}

// The executable's name without folder and extension, as the runtime prints it.
inline const char* BktProgramShortName(void) {
    static char name[260];
    const char* path = __argv && __argv[0] ? __argv[0] : "";
    const char* base = path;
    for (const char* p = path; *p; p++)
        if (*p == '\\' || *p == '/') base = p + 1;
    snprintf(name, sizeof name, "%s", base);
    char* dot = strrchr(name, '.');
    if (dot && !_stricmp(dot, ".exe")) *dot = 0;
    return name;
}
#define program_invocation_short_name BktProgramShortName()

// system() returns the command's exit code itself.
#ifndef WIFEXITED
#define WIFEXITED(status) ((status) != -1)
#define WEXITSTATUS(status) (status)
#endif

// The suites make their input files with Linux tools (ImageMagick, Pillow, sox,
// oggenc, lame) and POSIX shell lines, which cmd cannot start: it answers 9009.
// Such a test ends with the status ctest counts as skipped (SKIP_RETURN_CODE in
// tests/CMakeLists.txt), so a run under Wine shows the Windows build's own faults.
enum { BktCommandNotFound = 9009, BktSkipStatus = 77 };
inline int BktSkipWithoutCommand(int status, const char* command) {
    if (status != BktCommandNotFound) return status;
    printf("skipped: needs a command that runs on Linux only: %.160s\n", command);
    fflush(stdout);
    exit(BktSkipStatus);
}
inline int BktSystem(const char* command) {
    return BktSkipWithoutCommand(system(command), command);
}
#define system BktSystem
inline int BktPclose(FILE* pipe) {
    return BktSkipWithoutCommand(_pclose(pipe), "(a pipe)");
}
#undef pclose
#define pclose BktPclose

#endif
