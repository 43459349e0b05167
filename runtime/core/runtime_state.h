// RuntimeState: the runtime core's one process-wide record, and the fatal stop.
#pragma once

#include <stdint.h>

#include <atomic>

struct RuntimeState {
    int mainWindow;              // 1 while the main window exists (the platform owns the real one)
    int mainThreadKnown;         // mainThreadId holds a thread
    uint64_t mainThreadId;       // thread that ran window initialisation; only it pumps messages
    int windowed;                // 1 windowed, 0 full screen
    int quitRequested;           // window destroyed, quit seen, or window initialisation failed
    int closePosted;             // the runtime has already posted a close to itself
    int appActive;               // the application is active
    int initialised;             // RuntimeInit completed
    int ending;                  // RuntimeEnd is running
    int creatingWindow;          // window initialisation is running
    int modeSwitching;           // ChangeWindowMode is re-creating the screen
    int displayChangeSeen;       // a display change arrived during the switch
    int restorePending;          // full screen lost its mode while inactive
    int cursorShown;             // the cursor is currently shown
    int cursorWanted;            // the cursor should be shown
    int windowVisibleBit;        // the windowed style has been applied
    int paintInProgress;         // a paint is being handled
    int clientRectOnScreen[4];   // client rectangle in screen coordinates (l, t, r, b)
    char startDirectory[260];    // current directory at RuntimeInit; empty before
    char windowTitle[256];       // caption; "QmApp" when empty at window creation
    char logFileName[256];       // "AppLog.txt"
    int logIndent;               // tabs in front of each new log line
    int logLineOpen;             // the last log text did not end its line
    uint32_t logStartTime;       // milliseconds when the log file was created
    int logDisabled;             // 1 = no log output
    int iconResourceId;          // window icon resource; 0 = none
    double windowScaleRate;      // windowed client = screen x rate; not positive means 1.0
    int archiveDisabled;         // 1 = plain disk file operations
    int desktopWidth, desktopHeight, desktopBitsPerPixel; // read at window initialisation
    int usePerformanceCounter;   // the fine counter drives GetMicrosecondCount
    int64_t performanceFrequency; // fine counts per second
    int tscAvailable;            // the processor has a time-stamp counter
    int64_t tscTicksPerSecond;   // time-stamp ticks per second measured at init
    int cpuMhz;                  // measured processor clock in MHz
    int mmxAvailable;            // the processor has MMX
    int osVersionCode;           // operating-system code
    char osDescription[256];     // OS text written to the log
    char cpuName[256];           // processor brand text
    int platformVersion;         // graphics platform version, 0x70000
    int textCodePage;            // 2 when the OEM code page is 949 (Hangeul), else 1
    uint32_t physicalMemoryTotal, physicalMemoryAvailable;
    int comInitialised;          // the COM step succeeded
    int pumpThreadStarted;       // MessagePumpThread exists
    int pumpThreadEnded;         // MessagePumpThread has left its loop
    int processMessageBusy;      // re-entry guard of ProcessMessage
    int timerPeriod;             // smallest timer period in milliseconds
};

extern RuntimeState g_runtime;

// MessagePumpThread reads the quit state, and writes that it has ended, outside
// the ApiLock; every access to these two fields is therefore atomic.
inline int QuitRequested(void) { return std::atomic_ref<int>(g_runtime.quitRequested).load(); }
inline void SetQuitRequested(int value) { std::atomic_ref<int>(g_runtime.quitRequested).store(value); }
inline int PumpThreadEnded(void) { return std::atomic_ref<int>(g_runtime.pumpThreadEnded).load(); }
inline void SetPumpThreadEnded(int value) { std::atomic_ref<int>(g_runtime.pumpThreadEnded).store(value); }

// Logs the message and "\n", runs the end sequence and exits the process with -1.
[[noreturn]] void FatalExit(const char* message);
[[noreturn]] void FatalExitF(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The body of RuntimeEnd, shared with FatalExit and a failed RuntimeInit.
void RunEndSequence(void);
// Id of the calling thread.
uint64_t CurrentThreadId(void);
