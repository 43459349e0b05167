// The main window and its message processing (internal operations). The window's
// life is in window.cpp, its queues and ProcessMessage in window_messages.cpp, the
// window procedure in window_proc.cpp, the pump thread in message_pump.cpp, and
// its style, size, cursor and icon in window_style.cpp.
#pragma once

#include <stdint.h>

// Windows message numbers the window procedure answers.
enum WindowMessage {
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_ACTIVATEAPP = 0x001C,
    WM_SETCURSOR = 0x0020,
    WM_DISPLAYCHANGE = 0x007E,
    WM_KEYDOWN = 0x0100,
    WM_SYSCOMMAND = 0x0112,
};
#define SC_SCREENSAVE 0xF140
#define SIZE_MAXIMIZED 2

int InitMainWindow(void);
void EndMainWindow(void);
int ApplyWindowStyle(void);
int FitWindowToClient(void);
int UpdateCursorVisibility(int wanted);
void WaitWhileInactive(void);
void BringMainWindowToFront(int topmost);
int RestoreScreen(void);
double GetWindowScaleRate(void);
// Result of the window procedure for one message.
long MainWindowProc(int message, long wParam, long lParam);
// Posts a message to the main window's queue (like PostMessage).
void PostWindowMessage(int message, long wParam, long lParam);
// Messages waiting in the window's queue, including platform events not yet taken.
int PendingWindowMessages(void);
// Messages dispatched since the process started (tests).
int DispatchedWindowMessages(void);
// The window's icon from the registered resources.
void ApplyWindowIcon(void);
// The pump thread's rule for a turn: false (and the count noted) when the main
// thread's ProcessMessage count moved since the last look.
bool PumpTurnDue(uint32_t* seenMainPumps, uint32_t mainPumps);
// Turns the pump thread took and skipped since the process started (tests).
int PumpThreadTurns(void);
int PumpThreadSkips(void);

// Shared by the window's files.
// Posts WM_QUIT to the main thread's own queue (like PostQuitMessage).
void PostQuitToMainThread(void);
// Empties both message queues; window initialisation starts with none.
void ClearWindowMessages(void);
// ProcessMessage calls made by the main thread so far; the pump thread's turn rule reads it.
uint32_t MainThreadPumps(void);
// Starts MessagePumpThread at the end of window initialisation.
void StartMessagePump(void);
// Lets the pump thread leave and joins it; called by EndMainWindow under the ApiLock.
void StopMessagePump(void);
// The logical screen size and depth (640 x 480 x 16 when never set).
void LogicalScreenSize(int* w, int* h, int* depth);
// The windowed client size: the screen size times the scale rate.
void ScaledWindowSize(int* w, int* h);
// Reads the client rectangle into clientRectOnScreen; unchanged when the platform cannot say.
void ReadClientRect(void);
// Outer top-left of a windowed window whose client area is w x h, centred on the desktop.
void CentredOuterPosition(int w, int h, int* left, int* top);
