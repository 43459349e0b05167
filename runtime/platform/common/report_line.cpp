// Lines for the person at the terminal: "program: text" on stderr, written whole so
// that lines of two processes sharing the terminal do not interleave.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "runtime/platform/platform.h"

void PlatformReportLine(const char* utf8) {
    char line[1024];
    snprintf(line, sizeof(line), "%s: %s\n", program_invocation_short_name, utf8 ? utf8 : "");
    fputs(line, stderr);
    fflush(stderr);
}
