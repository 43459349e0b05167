// The runtime's public interface: every operation a game may call.
// Flat procedural C-style calls over integer handles. Every operation takes the
// runtime's global lock; each returns 0 on success and -1 on failure, or a handle
// that is -1 on failure. All text is Shift-JIS.
#pragma once

#include <stdint.h>

typedef int GraphHandle;
typedef int SoundHandle;
typedef int FontHandle;

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
int DrawGraphRect(int x, int y, int srcX, int srcY, int width, int height, GraphHandle graph,
                  int transFlag, int turnFlag);
int DrawGraphRotated(int x, int y, int cx, int cy, double scale, double angle, GraphHandle graph,
                     int transFlag, int turnFlag);
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
FontHandle CreateFontToHandle(const char* faceName, int size, int thickness, int fontType,
                              int charSet, int edgeSize, int italic, int slot, int check);
int DeleteFontHandle(FontHandle font);
int DrawStringWithFont(int x, int y, const char* text, unsigned int color, FontHandle font,
                       unsigned int edgeColor, int vertical);
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
