// The runtime's public interface: every operation a game may call.
// Flat procedural C-style calls over integer handles. Every operation takes the
// runtime's global lock; each returns 0 on success and -1 on failure, or a handle
// that is -1 on failure. Text is Shift-JIS unless SetTextEncoding chose UTF-8.
// The header is valid C11 and C++; the names below are plain ints.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int GraphHandle;
typedef int SoundHandle;
typedef int FontHandle;

// ---- Named values -------------------------------------------------------------
// Every number a caller passes, by family. The values are fixed: programs and
// files written with the bare numbers keep working.

// SetDrawTarget: the two screen buffers (any other value is a graph handle).
enum DrawTarget { DRAW_TARGET_BACK = -2, DRAW_TARGET_FRONT = -4 };

// SetBlendMode; other values draw nothing.
enum BlendMode {
    BLEND_NONE = 0,     // source replaces destination
    BLEND_ALPHA = 1,    // toward source by param / 255
    BLEND_ADD = 2,      // add source * param / 255, saturated
    BLEND_SUBTRACT = 3, // subtract source * param / 255, floored at 0
    BLEND_MULTIPLY = 4, // destination times source
};

// PlaySoundHandle; any other non-zero value plays as PLAY_BACKGROUND.
enum PlayType {
    PLAY_NORMAL = 0,     // once, returning when the sound has stopped
    PLAY_BACKGROUND = 1, // once, returning at once
    PLAY_LOOP = 3,       // repeatedly until StopSoundHandle
};

// GetPadInputState: INPUT_KEYBOARD, optionally ORed with one controller.
enum InputType {
    INPUT_PAD1 = 1,
    INPUT_PAD2 = 2,
    INPUT_PAD3 = 3,
    INPUT_PAD4 = 4,
    INPUT_PAD5 = 5,
    INPUT_PAD6 = 6,
    INPUT_PAD7 = 7,
    INPUT_PAD8 = 8,
    INPUT_KEYBOARD = 0x1000,
    INPUT_KEYBOARD_PAD1 = 0x1001, // what a one-player game reads
};

// Bits of the GetPadInputState result; the comment names the keyboard's key.
enum PadBit {
    PAD_DOWN = 0x1,        // down arrow, numeric pad 2
    PAD_LEFT = 0x2,        // left arrow, numeric pad 4
    PAD_RIGHT = 0x4,       // right arrow, numeric pad 6
    PAD_UP = 0x8,          // up arrow, numeric pad 8
    PAD_BUTTON1 = 0x10,    // Z
    PAD_BUTTON2 = 0x20,    // X
    PAD_BUTTON3 = 0x40,    // C
    PAD_BUTTON4 = 0x80,    // A
    PAD_BUTTON5 = 0x100,   // S
    PAD_BUTTON6 = 0x200,   // D
    PAD_BUTTON7 = 0x400,   // Q
    PAD_BUTTON8 = 0x800,   // W
    PAD_BUTTON9 = 0x1000,  // Escape
    PAD_BUTTON10 = 0x2000, // Space
    // Controller buttons only: button n is bit 1 << (n + 3).
    PAD_BUTTON11 = 0x4000,
    PAD_BUTTON12 = 0x8000,
    PAD_BUTTON13 = 0x10000,
    PAD_BUTTON14 = 0x20000,
    PAD_BUTTON15 = 0x40000,
    PAD_BUTTON16 = 0x80000,
    PAD_BUTTON17 = 0x100000,
    PAD_BUTTON18 = 0x200000,
    PAD_BUTTON19 = 0x400000,
    PAD_BUTTON20 = 0x800000,
    PAD_BUTTON21 = 0x1000000,
    PAD_BUTTON22 = 0x2000000,
    PAD_BUTTON23 = 0x4000000,
    PAD_BUTTON24 = 0x8000000,
};

// CheckKeyDown: keyboard scan codes (the positions of a Japanese 106-key board).
enum KeyCode {
    KEY_CODE_ESCAPE = 0x01,
    KEY_CODE_1 = 0x02,
    KEY_CODE_2 = 0x03,
    KEY_CODE_3 = 0x04,
    KEY_CODE_4 = 0x05,
    KEY_CODE_5 = 0x06,
    KEY_CODE_6 = 0x07,
    KEY_CODE_7 = 0x08,
    KEY_CODE_8 = 0x09,
    KEY_CODE_9 = 0x0A,
    KEY_CODE_0 = 0x0B,
    KEY_CODE_MINUS = 0x0C,
    KEY_CODE_BACKSPACE = 0x0E,
    KEY_CODE_TAB = 0x0F,
    KEY_CODE_Q = 0x10,
    KEY_CODE_W = 0x11,
    KEY_CODE_E = 0x12,
    KEY_CODE_R = 0x13,
    KEY_CODE_T = 0x14,
    KEY_CODE_Y = 0x15,
    KEY_CODE_U = 0x16,
    KEY_CODE_I = 0x17,
    KEY_CODE_O = 0x18,
    KEY_CODE_P = 0x19,
    KEY_CODE_LEFT_BRACKET = 0x1A,
    KEY_CODE_RIGHT_BRACKET = 0x1B,
    KEY_CODE_RETURN = 0x1C,
    KEY_CODE_LEFT_CONTROL = 0x1D,
    KEY_CODE_A = 0x1E,
    KEY_CODE_S = 0x1F,
    KEY_CODE_D = 0x20,
    KEY_CODE_F = 0x21,
    KEY_CODE_G = 0x22,
    KEY_CODE_H = 0x23,
    KEY_CODE_J = 0x24,
    KEY_CODE_K = 0x25,
    KEY_CODE_L = 0x26,
    KEY_CODE_SEMICOLON = 0x27,
    KEY_CODE_LEFT_SHIFT = 0x2A,
    KEY_CODE_BACKSLASH = 0x2B,
    KEY_CODE_Z = 0x2C,
    KEY_CODE_X = 0x2D,
    KEY_CODE_C = 0x2E,
    KEY_CODE_V = 0x2F,
    KEY_CODE_B = 0x30,
    KEY_CODE_N = 0x31,
    KEY_CODE_M = 0x32,
    KEY_CODE_COMMA = 0x33,
    KEY_CODE_PERIOD = 0x34,
    KEY_CODE_SLASH = 0x35,
    KEY_CODE_RIGHT_SHIFT = 0x36,
    KEY_CODE_NUMPAD_MULTIPLY = 0x37,
    KEY_CODE_LEFT_ALT = 0x38,
    KEY_CODE_SPACE = 0x39,
    KEY_CODE_CAPS_LOCK = 0x3A,
    KEY_CODE_F1 = 0x3B,
    KEY_CODE_F2 = 0x3C,
    KEY_CODE_F3 = 0x3D,
    KEY_CODE_F4 = 0x3E,
    KEY_CODE_F5 = 0x3F,
    KEY_CODE_F6 = 0x40,
    KEY_CODE_F7 = 0x41,
    KEY_CODE_F8 = 0x42,
    KEY_CODE_F9 = 0x43,
    KEY_CODE_F10 = 0x44,
    KEY_CODE_NUM_LOCK = 0x45,
    KEY_CODE_SCROLL_LOCK = 0x46,
    KEY_CODE_NUMPAD7 = 0x47,
    KEY_CODE_NUMPAD8 = 0x48,
    KEY_CODE_NUMPAD9 = 0x49,
    KEY_CODE_NUMPAD_SUBTRACT = 0x4A,
    KEY_CODE_NUMPAD4 = 0x4B,
    KEY_CODE_NUMPAD5 = 0x4C,
    KEY_CODE_NUMPAD6 = 0x4D,
    KEY_CODE_NUMPAD_ADD = 0x4E,
    KEY_CODE_NUMPAD1 = 0x4F,
    KEY_CODE_NUMPAD2 = 0x50,
    KEY_CODE_NUMPAD3 = 0x51,
    KEY_CODE_NUMPAD0 = 0x52,
    KEY_CODE_NUMPAD_DECIMAL = 0x53,
    KEY_CODE_EXTRA_BACKSLASH = 0x56, // left of Z on ISO boards
    KEY_CODE_F11 = 0x57,
    KEY_CODE_F12 = 0x58,
    KEY_CODE_F13 = 0x64,
    KEY_CODE_F14 = 0x65,
    KEY_CODE_F15 = 0x66,
    KEY_CODE_KANA = 0x70,
    KEY_CODE_CONVERT = 0x79,
    KEY_CODE_NO_CONVERT = 0x7B,
    KEY_CODE_YEN = 0x7D,
    KEY_CODE_NUMPAD_EQUALS = 0x8D,
    KEY_CODE_CARET = 0x90,
    KEY_CODE_AT = 0x91,
    KEY_CODE_COLON = 0x92,
    KEY_CODE_KANJI = 0x94,
    KEY_CODE_NUMPAD_ENTER = 0x9C,
    KEY_CODE_RIGHT_CONTROL = 0x9D,
    KEY_CODE_NUMPAD_COMMA = 0xB3,
    KEY_CODE_NUMPAD_DIVIDE = 0xB5,
    KEY_CODE_PRINT_SCREEN = 0xB7,
    KEY_CODE_RIGHT_ALT = 0xB8,
    KEY_CODE_PAUSE = 0xC5,
    KEY_CODE_HOME = 0xC7,
    KEY_CODE_UP = 0xC8,
    KEY_CODE_PAGE_UP = 0xC9,
    KEY_CODE_LEFT = 0xCB,
    KEY_CODE_RIGHT = 0xCD,
    KEY_CODE_END = 0xCF,
    KEY_CODE_DOWN = 0xD0,
    KEY_CODE_PAGE_DOWN = 0xD1,
    KEY_CODE_INSERT = 0xD2,
    KEY_CODE_DELETE = 0xD3,
    KEY_CODE_LEFT_SUPER = 0xDB,
    KEY_CODE_RIGHT_SUPER = 0xDC,
    KEY_CODE_MENU = 0xDD,
};

// CreateFontToHandle's font type: bit 0 edged, bit 1 anti-aliased.
enum FontType {
    FONT_TYPE_PLAIN = 0,
    FONT_TYPE_EDGE = 1,
    FONT_TYPE_ANTIALIAS = 2,
    FONT_TYPE_ANTIALIAS_EDGE = 3,
};

// CreateFontToHandle's character set.
enum CharSet { CHARSET_DEFAULT = 0, CHARSET_SHIFT_JIS = 1, CHARSET_HANGEUL = 2 };

// CreateFontToHandle: -1 in any argument but the face takes the default setting
// (for slot and check number: a new handle).
enum { FONT_DEFAULT = -1 };

// ChangeWindowMode.
enum WindowMode { WINDOW_MODE_FULL_SCREEN = 0, WINDOW_MODE_WINDOWED = 1 };

// SetScreenMode: an argument of SCREEN_MODE_KEEP keeps its current value.
enum { SCREEN_MODE_KEEP = -1 };

// SetTextEncoding: how every string given to the runtime is read (paths excepted).
enum TextEncoding { TEXT_ENCODING_SHIFT_JIS = 0, TEXT_ENCODING_UTF8 = 1 };

// ---- Lifecycle and settings -------------------------------------------------
int RuntimeInit(void);
int RuntimeEnd(void);
int ChangeWindowMode(int windowed);
int SetMainWindowTitle(const char* text);
int SetLogOutputEnabled(int enabled);
int SetWindowIconResource(int id);
int SetWindowScaleRate(double rate);
int SetArchiveUse(int use);
int SetArchiveExtension(const char* ext);
int ProcessMessage(void);
// Makes encoded image bytes (PNG or BMP) available as icon resource id, for
// SetWindowIconResource. The bytes must stay valid for the process.
int RegisterIconResource(int id, const void* imageBytes, int size);
// UTF-8 text added to the line RuntimeInit prints on stderr when it finds no
// display (for example how to run the program headless); null or "" for none.
int SetNoDisplayHint(const char* text);

// ---- Clock ------------------------------------------------------------------
int GetMillisecondCount(int ignored);
// Waits the given milliseconds through the platform (the game's Sleep (1)).
int SleepMilliseconds(int milliseconds);
// Calendar time in seconds since 1970 (the game's time seed).
int GetCalendarSeconds(void);

// ---- Files and archives -----------------------------------------------------
// (file section: declarations added by the file layer)

// ---- Colours ----------------------------------------------------------------
unsigned int MakeColor(int r, int g, int b);
// (colour section: further declarations added by the graphics subsystem)
// Red, green and blue (0..255) of a colour value of the screen's format. 0, or -1
// for an index past the palette of an 8-bit screen.
int GetColorRGB(unsigned int color, int* red, int* green, int* blue);

// ---- Screen and drawing -----------------------------------------------------
int SetScreenMode(int width, int height, int colorBitDepth, int refreshRate);
// Logical screen size in force (a stored 0 reads as 640 / 480); either pointer may be null. 0.
int GetScreenSize(int* width, int* height);
int SetFlipVBlankWait(int wait);
int SetDrawTarget(int target);
int ClearDrawTarget(void);
int FlipScreen(void);
int SetTransparentColor(int r, int g, int b);
int SetBlendMode(int mode, int param);
GraphHandle LoadGraphFile(const char* path);
GraphHandle DeriveGraph(int x, int y, int width, int height, GraphHandle source);
int ReleaseGraph(GraphHandle graph, int logFlag);
GraphHandle CreateBlankGraph(int width, int height, int alphaFlag, int paletteFlag);
int DrawGraphAt(int x, int y, GraphHandle graph, int transFlag);
int DrawGraphRect(int x, int y, int srcX, int srcY, int width, int height, GraphHandle graph, int transFlag,
                  int turnFlag);
int DrawGraphRotated(int x, int y, int cx, int cy, double scale, double angle, GraphHandle graph, int transFlag,
                     int turnFlag);
int DrawRectangle(int x1, int y1, int x2, int y2, unsigned int color, int fillFlag);
// Raw colour value of the draw target's pixel (as MakeColor gives); -1 outside.
int GetPixel(int x, int y, unsigned int* color);
// Saves the back buffer as PNG or BMP, chosen by the extension.
int SaveScreenToFile(const char* path);
// (graphics section: further declarations added by the graphics subsystem)
// Clip rectangle of every drawing operation on the current target. 0.
int SetDrawArea(int left, int top, int right, int bottom);
// Draw bright: image and shape colours are scaled by these (each 0..255). 0.
int SetDrawBright(int red, int green, int blue);

// ---- Fonts and text ---------------------------------------------------------
// How every string given to the runtime is read: TEXT_ENCODING_SHIFT_JIS (the
// default) or TEXT_ENCODING_UTF8. Texts to draw and measure, face names and the
// window caption follow it; paths stay bytes. 0, or -1 for another value.
int SetTextEncoding(int encoding);
// The encoding in force.
int GetTextEncoding(void);
FontHandle CreateFontToHandle(const char* faceName, int size, int thickness, int fontType, int charSet, int edgeSize,
                              int italic, int slot, int check);
int DeleteFontHandle(FontHandle font);
int DrawStringWithFont(int x, int y, const char* text, unsigned int color, FontHandle font, unsigned int edgeColor,
                       int vertical);
// (text section: further declarations added by the text subsystem)
// Forgets every cached character of the font.
int ResetFontCache(FontHandle font);
// Extra pixels added to every character's advance.
int SetFontExtraAdvance(int spacing, FontHandle font);
// The int at flag (if any) is set to 0 now and to 1 when the font is deleted.
int RegisterFontLostFlag(FontHandle font, int* flag);
// Line height in pixels, or -1.
int GetFontLineHeight(FontHandle font);
// Face name (Shift-JIS, up to 256 bytes with the terminator), size and thickness.
int GetFontInfo(FontHandle font, char* faceName, int* size, int* thickness);
// Width of the first length bytes (-1 = all) in pixels; the height when vertical.
int MeasureStringWithFont(const char* text, int length, FontHandle font, int vertical);

// ---- Input ------------------------------------------------------------------
int CheckKeyDown(int keyCode);
int GetPadInputState(int inputType);
// (input section: further declarations added by the input subsystem)

// ---- Sound ------------------------------------------------------------------
SoundHandle LoadSoundFile(const char* path, int bufferCount);
int PlaySoundHandle(SoundHandle sound, int playType, int fromStart);
int StopSoundHandle(SoundHandle sound);
int DeleteSoundHandle(SoundHandle sound);
// 1 while any of the sound's buffers plays, 0 when none does.
int CheckSoundHandle(SoundHandle sound);
// Deletes every sound (the device set-up and shutdown do this too).
int DeleteAllSoundHandles(void);
// A new sound handle with an empty record (no buffers: it cannot be played).
SoundHandle AddSoundData(void);
// Reads a whole sound file into a new block (*image, *size); free it with
// FreeSoundFileImage. 0 or -1.
int LoadSoundFileToMemory(const char* path, void** image, int* size);
int FreeSoundFileImage(void* image);
// A sound from a file image in memory; the caller keeps the image.
SoundHandle LoadSoundMemory(const void* image, int size, int bufferCount);
// (sound section: further declarations added by the sound subsystem)

#ifdef __cplusplus
}
#endif
