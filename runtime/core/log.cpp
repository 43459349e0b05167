// "AppLog.txt": each line is the milliseconds since the log was created, ":",
// the indentation tabs and the text, ending in CR LF. A text without a final line
// feed leaves the line open for the next one. The file is opened and closed for
// every text so it stays complete if the process dies.
#include "runtime/core/log.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/platform/platform.h"

namespace {

const char kLogFileName[] = "AppLog.txt";

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Path of the log file inside the start directory.
void LogFilePath(char* out, size_t size) {
    snprintf(out, size, "%s/%s", g_runtime.startDirectory, g_runtime.logFileName);
}

// Copies text into out turning bare "\n" into "\r\n"; stops converting at the
// first "\n" that already has "\r" before it. Returns the output length.
int ConvertLineFeeds(const char* text, char* out) {
    int o = 0;
    const unsigned char* p = (const unsigned char*)text;
    while (*p) {
        if (IsSjisLead(*p) && p[1]) {
            out[o++] = (char)*p++;
            out[o++] = (char)*p++;
            continue;
        }
        if (*p == '\n') {
            if (p > (const unsigned char*)text && p[-1] == '\r') {
                size_t rest = strlen((const char*)p);
                memcpy(out + o, p, rest);
                o += (int)rest;
                break;
            }
            out[o++] = '\r';
        }
        out[o++] = (char)*p++;
    }
    out[o] = 0;
    return o;
}

} // namespace

void InitLogFile(void) {
    if (g_runtime.logDisabled) return;
    snprintf(g_runtime.logFileName, sizeof(g_runtime.logFileName), "%s", kLogFileName);
    char path[600];
    LogFilePath(path, sizeof(path));
    remove(path);
    FILE* f = fopen(path, "wb");
    if (f) fclose(f);
    g_runtime.logIndent = 0;
    g_runtime.logLineOpen = 0;
    g_runtime.logStartTime = PlatformMilliseconds();
}

int LogWrite(const char* text) {
    if (!text) return -1;
    size_t len = strlen(text);
    char fixed[511];
    char* out = fixed;
    if (len > 255) {
        out = (char*)TrackedAlloc((int)(len * 2 + 1), nullptr, -1);
        if (!out) return -1;
    }
    int outLen = ConvertLineFeeds(text, out);
    if (!g_runtime.logDisabled && g_runtime.startDirectory[0] && g_runtime.logFileName[0]) {
        char path[600];
        LogFilePath(path, sizeof(path));
        FILE* f = fopen(path, "ab");
        if (f) {
            if (!g_runtime.logLineOpen) {
                fprintf(f, "%d:", (int)(PlatformMilliseconds() - g_runtime.logStartTime));
                for (int i = 0; i < g_runtime.logIndent; i++) fputc('\t', f);
            }
            fwrite(out, 1, (size_t)outLen, f);
            if (outLen > 0) g_runtime.logLineOpen = out[outLen - 1] != '\n';
            fclose(f);
        }
    }
    if (out != fixed) TrackedFree(out);
    return -1;
}

int LogPrintf(const char* format, ...) {
    char buffer[1024 + 2];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, 1024, format, args);
    va_end(args);
    if (n < 0) n = 0;
    if (n > 1023) n = 1023;
    buffer[n] = '\n';
    buffer[n + 1] = 0;
    return LogWrite(buffer);
}

int LogIndent(void) {
    g_runtime.logIndent++;
    return 0;
}

int LogUnindent(void) {
    if (g_runtime.logIndent > 0) g_runtime.logIndent--;
    return 0;
}
