// The runtime's log sent to a file of its own while the object lives, for tests that
// read what was written; the log's previous file name and switch come back after.
#pragma once

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "runtime/core/runtime_state.h"

class LogCapture {
public:
    // The file is <stem>_<process id>.txt in the runtime's start folder.
    explicit LogCapture(const char* stem) {
        memcpy(m_savedName, g_runtime.log.logFileName, sizeof m_savedName);
        m_savedDisabled = g_runtime.settings.logDisabled;
        snprintf(g_runtime.log.logFileName, sizeof g_runtime.log.logFileName, "%s_%d.txt", stem, (int)getpid());
        snprintf(m_path, sizeof m_path, "%s/%s", g_runtime.startDirectory, g_runtime.log.logFileName);
        remove(m_path);
        g_runtime.settings.logDisabled = 0;
    }
    ~LogCapture() {
        Stop();
        remove(m_path);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    // The log goes back to its own file and switch.
    void Stop() {
        if (m_stopped) return;
        m_stopped = true;
        g_runtime.settings.logDisabled = m_savedDisabled;
        memcpy(g_runtime.log.logFileName, m_savedName, sizeof m_savedName);
    }
    // What has been written so far.
    std::string Text() const {
        std::string text;
        if (FILE* f = fopen(m_path, "rb")) {
            char buf[4096];
            size_t n;
            while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
            fclose(f);
        }
        return text;
    }

private:
    char m_savedName[sizeof g_runtime.log.logFileName];
    int m_savedDisabled = 0;
    bool m_stopped = false;
    char m_path[600];
};
