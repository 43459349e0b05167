// "AppLog.txt": each line is the milliseconds since the log was created, ":",
// the indentation tabs and the text, ending in CR LF. A text without a final line
// feed leaves the line open for the next one. The file is opened and closed for
// every text so it stays complete if the process dies. BORRA_LOG=stderr mirrors
// every text to stderr in UTF-8, also while the application has the log off;
// BORRA_LOG=off keeps the file from being made or written.
#include "runtime/core/log.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/platform/platform.h"

namespace {

const char kLogFileName[] = "AppLog.txt";

enum LogMirror { MirrorNone, MirrorStderr, MirrorFileOff };

int s_mirrorLineOpen; // the last text mirrored to stderr left its line open

// Read at every use, so a test or a launcher may change it between runs.
LogMirror MirrorMode() {
    const char* value = getenv("BORRA_LOG");
    if (!value) return MirrorNone;
    if (!strcmp(value, "stderr")) return MirrorStderr;
    if (!strcmp(value, "off")) return MirrorFileOff;
    return MirrorNone;
}

// The text in UTF-8 on stderr, with the file's time stamp and tabs at a line start.
void MirrorToStderr(const char* text) {
    size_t len = strlen(text);
    if (len == 0) return;
    char fixed[1024];
    char* utf8 = fixed;
    int capacity = (int)sizeof(fixed);
    if (len * 3 + 1 > sizeof(fixed)) {
        capacity = (int)(len * 3 + 1);
        utf8 = (char*)TrackedAlloc(capacity, nullptr, -1);
        if (!utf8) return;
    }
    int n = PlatformConvertText("CP932", "UTF-8", text, (int)len, utf8, capacity - 1);
    if (n < 0) n = snprintf(utf8, (size_t)capacity, "%s", text); // not Shift-JIS: as it came
    utf8[n] = 0;
    char head[64] = "";
    if (!s_mirrorLineOpen) {
        int h = snprintf(head, sizeof(head), "%d:", (int)(PlatformMilliseconds() - g_runtime.log.logStartTime));
        for (int i = 0; i < g_runtime.log.logIndent && h < (int)sizeof(head) - 1; i++) head[h++] = '\t';
        head[h] = 0;
    }
    // Carriage returns belong to the file's line ends only.
    int o = 0;
    for (int i = 0; i < n; i++)
        if (utf8[i] != '\r') utf8[o++] = utf8[i];
    utf8[o] = 0;
    fputs(head, stderr);
    fputs(utf8, stderr);
    fflush(stderr);
    if (o > 0) s_mirrorLineOpen = utf8[o - 1] != '\n';
    if (utf8 != fixed) TrackedFree(utf8);
}

bool IsSjisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Path of the log file inside the start directory.
void LogFilePath(char* out, size_t size) {
    snprintf(out, size, "%s/%s", g_runtime.startDirectory, g_runtime.log.logFileName);
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
    s_mirrorLineOpen = 0;
    if (g_runtime.settings.logDisabled || MirrorMode() == MirrorFileOff) {
        g_runtime.log.logStartTime = PlatformMilliseconds();
        return;
    }
    snprintf(g_runtime.log.logFileName, sizeof(g_runtime.log.logFileName), "%s", kLogFileName);
    char path[600];
    LogFilePath(path, sizeof(path));
    remove(path);
    FILE* f = fopen(path, "wb");
    if (f) fclose(f);
    g_runtime.log.logIndent = 0;
    g_runtime.log.logLineOpen = 0;
    g_runtime.log.logStartTime = PlatformMilliseconds();
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
    LogMirror mirror = MirrorMode();
    if (mirror == MirrorStderr) MirrorToStderr(text);
    if (mirror != MirrorFileOff && !g_runtime.settings.logDisabled && g_runtime.startDirectory[0] &&
        g_runtime.log.logFileName[0]) {
        char path[600];
        LogFilePath(path, sizeof(path));
        FILE* f = fopen(path, "ab");
        if (f) {
            if (!g_runtime.log.logLineOpen) {
                fprintf(f, "%d:", (int)(PlatformMilliseconds() - g_runtime.log.logStartTime));
                for (int i = 0; i < g_runtime.log.logIndent; i++) fputc('\t', f);
            }
            fwrite(out, 1, (size_t)outLen, f);
            if (outLen > 0) g_runtime.log.logLineOpen = out[outLen - 1] != '\n';
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
    g_runtime.log.logIndent++;
    return 0;
}

int LogUnindent(void) {
    if (g_runtime.log.logIndent > 0) g_runtime.log.logIndent--;
    return 0;
}

int ReportRefusal(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    PlatformReportLine(line);
    return -1;
}
