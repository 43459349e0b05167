// The runtime's log "AppLog.txt": timed, indented Shift-JIS lines.
#pragma once

// Writes text to the log (Shift-JIS, "\n" becomes CR LF). Always returns -1 so
// error paths can return its result.
int LogWrite(const char* text);
// Formats into a 1024-byte buffer, appends "\n" and writes it. Returns -1.
int LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int LogIndent(void);
int LogUnindent(void);
// RuntimeInit, once the start directory is known: recreates the log file unless the log is off.
void InitLogFile(void);
