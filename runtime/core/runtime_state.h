// RuntimeState: the runtime core's one process-wide record, and the fatal stop.
// Window initialisation starts `window` afresh with one assignment; every other
// part (the settings made before RuntimeInit, the start directory, the log and
// the clock) survives it by construction.
#pragma once

#include <stdint.h>

#include <atomic>

// Settings a program may make before RuntimeInit; they survive it.
struct RuntimeSettings {
    int windowed;                 // 1 windowed, 0 full screen
    char windowTitle[256];        // caption; "QmApp" when empty at window creation
    char windowCaptionUtf8[1024]; // the same caption as the platform shows it, with
                                  // the characters Shift-JIS lacks
    int iconResourceId;           // window icon resource; 0 = none
    double windowScaleRate;       // windowed client = screen x rate; not positive means 1.0
    int logDisabled;              // 1 = no log output
    int archiveDisabled;          // 1 = plain disk file operations
};

// The log file, made before the window and written until the process ends.
struct LogFileState {
    char logFileName[256]; // "AppLog.txt"
    int logIndent;         // tabs in front of each new log line
    int logLineOpen;       // the last log text did not end its line
    uint32_t logStartTime; // milliseconds when the log file was created
};

// The clock source; RuntimeInit picks it and the timer test of window
// initialisation picks it again.
struct ClockState {
    int usePerformanceCounter;    // the fine counter drives GetMicrosecondCount
    int64_t performanceFrequency; // fine counts per second
    int timerPeriod;              // smallest timer period in milliseconds
};

// The main window and the run it belongs to: all zero at window initialisation,
// so nothing of an earlier run leaks into the next.
struct WindowRunState {
    int mainWindow;            // 1 while the main window exists (the platform owns the real one)
    uint64_t mainThreadId;     // thread that ran window initialisation, 0 = none; only it pumps messages
    int quitRequested;         // window destroyed, quit seen, or window initialisation failed
    int closePosted;           // the runtime has already posted a close to itself
    int appActive;             // the application is active
    int initialised;           // RuntimeInit completed
    int ending;                // RuntimeEnd is running
    int creatingWindow;        // window initialisation is running
    int modeSwitching;         // ChangeWindowMode is re-creating the screen
    int displayChangeSeen;     // a display change arrived during the switch
    int restorePending;        // full screen lost its mode while inactive
    int cursorShown;           // the cursor is currently shown
    int cursorWanted;          // the cursor should be shown
    int windowVisibleBit;      // the windowed style has been applied
    int paintInProgress;       // a paint is being handled
    int clientRectOnScreen[4]; // client rectangle in screen coordinates (l, t, r, b)
    int desktopWidth, desktopHeight, desktopBitsPerPixel; // read at window initialisation
    int textCodePage;                                     // 2 when the OEM code page is 949 (Hangeul), else 1
    int pumpThreadStarted;                                // MessagePumpThread exists
    int pumpThreadEnded;                                  // MessagePumpThread has left its loop
};

struct RuntimeState {
    RuntimeSettings settings; // made before RuntimeInit
    char startDirectory[260]; // current directory at RuntimeInit; empty before
    int comInitialised;       // the COM step succeeded
    LogFileState log;         // the log file
    ClockState clock;         // the clock source
    WindowRunState window;    // reset by window initialisation
};

extern RuntimeState g_runtime;

// MessagePumpThread reads the quit state, and writes that it has ended, outside
// the ApiLock; every access to these two fields is therefore atomic.
inline int QuitRequested(void) {
    return std::atomic_ref<int>(g_runtime.window.quitRequested).load();
}
inline void SetQuitRequested(int value) {
    std::atomic_ref<int>(g_runtime.window.quitRequested).store(value);
}
inline int PumpThreadEnded(void) {
    return std::atomic_ref<int>(g_runtime.window.pumpThreadEnded).load();
}
inline void SetPumpThreadEnded(int value) {
    std::atomic_ref<int>(g_runtime.window.pumpThreadEnded).store(value);
}

// Logs the message and "\n", runs the end sequence and exits the process with -1.
[[noreturn]] void FatalExit(const char* message);
[[noreturn]] void FatalExitF(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The body of RuntimeEnd, shared with FatalExit and a failed RuntimeInit.
void RunEndSequence(void);
// Id of the calling thread; never 0.
uint64_t CurrentThreadId(void);
