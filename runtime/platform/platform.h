// Every operating-system service the runtime needs, grouped by subsystem.
// Two backends implement it: sdl/ (the desktop) and scripted/ (headless, for tests,
// replays and benchmarks). The runtime never includes SDL or POSIX window/audio
// headers anywhere else; the backend is chosen at link time.
#pragma once

#include <stddef.h>
#include <stdint.h>

// ---- Window -----------------------------------------------------------------

enum PlatformEventKind {
    PlatformEventNone = 0,
    PlatformEventActivate,      // the window gained input focus
    PlatformEventDeactivate,    // the window lost input focus (or was minimised)
    PlatformEventClose,         // the user asked to close the window
    PlatformEventMove,          // the window moved; x, y = client origin on screen
    PlatformEventSize,          // the client area changed; w, h = new size
    PlatformEventExpose,        // the client area must be repainted
    PlatformEventDisplayChange, // the desktop mode changed; w, h, bits = new mode
    PlatformEventKey,           // key data changed (input refreshes its state)
    PlatformEventScreenSave,    // the system wants to start the screen saver
};

struct PlatformEvent {
    int kind; // PlatformEventKind
    int x, y; // Move: client origin
    int w, h; // Size: client size; DisplayChange: desktop size
    int bits; // DisplayChange: bits per pixel
};

struct PlatformRect {
    int left, top, right, bottom;
};

// Called by InitMainWindow: takes the per-user single-instance lock for the class
// name. Returns 0, or -1 when another instance holds it (which is then asked to
// bring its window to the front, where the platform allows).
int PlatformAcquireInstanceLock(const char* className);
// Called by EndMainWindow: releases the lock taken above.
void PlatformReleaseInstanceLock(void);

// Called by RuntimeInit before it reads the desktop mode: connects to the display.
// 0, or -1 with a one-line English reason in reason (reasonSize bytes).
int PlatformOpenDisplay(char* reason, int reasonSize);
// Called by InitMainWindow: desktop size and bits per pixel.
void PlatformGetDesktopMode(int* width, int* height, int* bitsPerPixel);
// Called by InitMainWindow: creates the window with the given client size,
// windowed (caption in UTF-8, border) or borderless full screen. 0 or -1.
int PlatformCreateWindow(const char* captionUtf8, int clientWidth, int clientHeight, int fullScreen);
// Called by EndMainWindow and the WM_CLOSE handling: destroys the window.
void PlatformDestroyWindow(void);
// 1 while a window exists.
int PlatformWindowExists(void);
// SetMainWindowTitle: the caption (UTF-8).
void PlatformSetCaption(const char* captionUtf8);
// SetWindowIconResource: icon from encoded image bytes (BMP or PNG); null clears it.
void PlatformSetIcon(const void* imageBytes, size_t byteCount);
// ApplyWindowStyle: windowed or full screen, client size, outer top-left position.
void PlatformSetWindowStyle(int fullScreen, int clientWidth, int clientHeight, int left, int top);
// FitWindowToClient / ApplyWindowStyle: client rectangle in screen coordinates. 0 or -1.
int PlatformGetClientRect(PlatformRect* rect);
// Size of the frame around the client area (caption and borders), for centring.
void PlatformGetFrameExtents(int* left, int* top, int* right, int* bottom);
// UpdateCursorVisibility.
void PlatformShowCursor(int show);
// ProcessMessage: takes the next pending window event without blocking; 1 if taken.
int PlatformPollEvent(PlatformEvent* event);
// Number of window events pending (tests and the message-count rules).
int PlatformPendingEvents(void);
// BringMainWindowToFront.
void PlatformRaiseWindow(void);

// ---- Present ----------------------------------------------------------------

// FlipScreen and WM_PAINT: shows the pixels (16 = RGB565, 32 = XRGB8888), scaled
// with nearest-neighbour sampling into the client area (full screen: scaled to fit,
// aspect kept, black bars).
void PlatformPresent(const void* pixels, int pitch, int width, int height, int bitsPerPixel);
// FlipScreen: waits for the start of the next vertical blank.
void PlatformWaitVBlank(void);
// 1 while the display is in its vertical blank.
int PlatformInVBlank(void);
// Reads back what the window shows, as XRGB8888 rows of width*4 bytes. 0 or -1.
int PlatformReadWindowImage(uint32_t* pixels, int width, int height);
// Refresh rate of the display in Hz, 0 when unknown.
int PlatformRefreshRate(void);

// ---- Clocks -----------------------------------------------------------------

// Milliseconds since an arbitrary start, wrapping at 2^32.
uint32_t PlatformMilliseconds(void);
// A fine counter and its frequency in counts per second.
int64_t PlatformFineCounter(void);
int64_t PlatformFineFrequency(void);
// Smallest sleep period in milliseconds the platform offers.
int PlatformTimerPeriod(void);
// Sleeps the calling thread (0 yields).
void PlatformSleep(int milliseconds);
// Calendar time in seconds since 1970.
int64_t PlatformCalendarSeconds(void);

// ---- System information -----------------------------------------------------

struct PlatformSystemInfo {
    char osName[128];     // kernel name and release
    int osBuild;          // a build number when the platform has one
    char osExtra[128];    // version text
    uint32_t memoryTotal; // physical memory in bytes, saturated at 4 GB - 1
    uint32_t memoryAvailable;
    int oemCodePage; // 932 unless the system is Korean (949)
};
void PlatformGetSystemInfo(PlatformSystemInfo* info);
// Called by RuntimeInit when it refuses to start: one UTF-8 line on stderr for
// the person at the terminal, after the program's name.
void PlatformReportLine(const char* utf8);

// ---- Text encodings ---------------------------------------------------------

// Converts text between encodings ("UTF-8", "CP932" for Shift-JIS, "CP949",
// "UTF-32LE"). Returns the bytes written to out, or -1 on an invalid sequence or
// when out is too small.
int PlatformConvertText(const char* fromCode, const char* toCode, const char* in, int inBytes, char* out, int outBytes);

// ---- Keyboard ---------------------------------------------------------------

// Input: copies the 256-byte key state by key code (bit 7 set = held). 0 or -1.
int PlatformGetKeyState(unsigned char keys[256]);
// (input section: controller services added by the input subsystem)

// Up to this many controllers are reported.
#define PLATFORM_PAD_MAX 8

// One controller's state in the layout the input module keeps: axes already
// scaled to -1000..1000 with the dead zone applied, button bytes with bit 7 =
// pressed. Point-of-view values are hundredths of degrees, 0xFFFFFFFF centred.
struct PlatformPadState {
    int32_t x, y, z;     // stick X, Y and the Z axis (left trigger on a game controller)
    int32_t rx, ry, rz;  // rotations (second stick X, Y; right trigger)
    int32_t slider[2];   // sliders, 0 when absent
    uint32_t pov[4];     // hats
    uint8_t buttons[32]; // bit 7 set = pressed
};

// InitInput: starts the controller service and finds the attached controllers.
void PlatformOpenPads(void);
// EndInput: closes every controller and the service.
void PlatformClosePads(void);
// UpdatePadDevices: takes in controllers plugged in or pulled out while running.
// Returns 1 when the list of controllers changed, else 0.
int PlatformUpdatePads(void);
// Number of controllers attached, 0..PLATFORM_PAD_MAX; they are numbered from 0
// in the order they were found, pulled ones closing the gap.
int PlatformPadCount(void);
// Instance and product names of a controller in UTF-8 (for the log). 0 or -1.
int PlatformPadNames(int index, char* name, int nameSize, char* product, int productSize);
// ReadPad: reads a controller's current state. 0, or -1 when index names none.
int PlatformGetPadState(int index, PlatformPadState* state);
// Changes whenever a controller's state changes (its "new data" signal).
uint32_t PlatformPadSerial(int index);
// Shared by the backends: a raw axis value (-32768..32767) scaled to -1000..1000
// with the 25 % dead zone around the centre.
int PlatformScaleAxis(int raw);

// ---- Audio ------------------------------------------------------------------
// One output device mixed by our own mixer (runtime/platform/common/audio_mixer.cpp):
// the device plays 44100 Hz stereo 16-bit; every buffer is converted and resampled
// to it while mixing.

// The 18-byte wave format record of every decoded sound and sound buffer, in the
// field order of a RIFF "fmt " chunk.
#pragma pack(push, 1)
struct WaveFormat {
    uint16_t FormatTag;      // 1 = PCM; other values name compressed formats
    uint16_t Channels;       // interleaved channels
    uint32_t SamplesPerSec;  // sample frames per second
    uint32_t AvgBytesPerSec; // PCM: BlockAlign x SamplesPerSec
    uint16_t BlockAlign;     // bytes of one sample frame, all channels
    uint16_t BitsPerSample;  // bits of one sample of one channel
    uint16_t ExtraSize;      // bytes of format-specific data after these 18
};
#pragma pack(pop)

// What the device reports, for the primary format and the log's description.
// Figures the platform cannot tell are 0.
struct PlatformAudioCaps {
    int primaryStereo, primaryMono;     // channel counts the mix output takes
    int primary16Bit, primary8Bit;      // sample widths the mix output takes
    int secondaryStereo, secondaryMono; // channel counts a sound buffer takes
    int secondary16Bit, secondary8Bit;  // sample widths a sound buffer takes
    int minSecondaryRate;               // lowest buffer rate in Hz
    int maxSecondaryRate;               // highest buffer rate in Hz
    uint32_t totalMemory, freeMemory;   // sound memory in bytes
};

// Buffer creation flags (requested by the loader; the mixer keeps them only).
enum {
    PlatformBufferVolume = 1,
    PlatformBufferPan = 2,
    PlatformBufferFrequency = 4,
    PlatformBufferGlobalFocus = 8,
};

struct PlatformSoundBuffer; // a static buffer or a duplicate of one

// InitSoundSystem: opens the default output device and starts mixing.
// 0; -1 when the audio service is missing; -2 when the device cannot be opened.
int PlatformAudioOpen(void);
// EndSoundSystem: stops mixing and closes the device (buffers must be released).
void PlatformAudioClose(void);
// InitSoundSystem: the device's capabilities.
void PlatformAudioGetCaps(PlatformAudioCaps* caps);
// InitSoundSystem: asks for a primary (mix) format. 0, or -1 when refused.
int PlatformAudioSetPrimaryFormat(const WaveFormat* format);
// Device description: number of output devices; -1 when they cannot be listed,
// -2 when the listing service itself is missing.
int PlatformAudioDeviceCount(void);
// Device description: module (driver) name and description of device index.
// 0 or -1.
int PlatformAudioDeviceInfo(int index, char* module, int moduleSize, char* description, int descriptionSize);
// 1 when a buffer of this PCM format can be made (the loader checks before making).
int PlatformAudioFormatSupported(const WaveFormat* format);
// LoadSoundMemory: a static buffer of bytes length (0 allowed) in a PCM format,
// zero-filled, stopped at position 0. Null when refused.
PlatformSoundBuffer* PlatformAudioCreateBuffer(const WaveFormat* format, int bytes, int flags);
// LoadSoundMemory: a buffer sharing the source's samples with its own position
// and state. Null when refused.
PlatformSoundBuffer* PlatformAudioDuplicateBuffer(PlatformSoundBuffer* source);
// DeleteSoundHandle: stops and releases a buffer; the samples go with the last user.
void PlatformAudioReleaseBuffer(PlatformSoundBuffer* buffer);
// Gives write access to bytes at offset (wrapping at the end into a second part,
// whose pointer is null when unused). 0 or -1.
int PlatformAudioLockBuffer(PlatformSoundBuffer* buffer, int offset, int bytes, void** part1, int* bytes1, void** part2,
                            int* bytes2);
// Ends the write access given by the lock. 0 or -1.
int PlatformAudioUnlockBuffer(PlatformSoundBuffer* buffer, void* part1, int bytes1, void* part2, int bytes2);
// Starts a buffer from its position, once (to its end) or looping. 0 or -1.
int PlatformAudioPlayBuffer(PlatformSoundBuffer* buffer, int loop);
// Stops a buffer; its position stays where it stopped. 0 or -1.
int PlatformAudioStopBuffer(PlatformSoundBuffer* buffer);
// *playing = 1 from a play until its end or a stop. 0 or -1.
int PlatformAudioGetStatus(PlatformSoundBuffer* buffer, int* playing);
// Play position in bytes from the buffer's start. 0 or -1.
int PlatformAudioGetPosition(PlatformSoundBuffer* buffer, int* position);
// Sets the play position (bytes, rounded down to a frame). 0 or -1.
int PlatformAudioSetPosition(PlatformSoundBuffer* buffer, int position);

// ---- Fonts ------------------------------------------------------------------
// (font section: rasteriser services added by the text subsystem)

// A face chosen by name, pixel height, weight, italic flag and character set.
struct PlatformFont;

struct PlatformFontMetrics {
    int height;   // text height in pixels: ascent + descent
    int ascent;   // pixels above the baseline
    int descent;  // pixels below the baseline
    int maxWidth; // widest character advance
};

struct PlatformGlyphMetrics {
    int blackBoxX, blackBoxY; // bitmap width and height (0, 0 for an empty glyph)
    int originX;              // bitmap's left edge relative to the pen
    int originY;              // bitmap's top edge above the baseline
    int advance;              // pen movement
};

// CreateFontToHandle: the face (Shift-JIS name; null or empty = the default
// face), height in pixels (the whole cell, ascent + descent), weight 0..1000
// (0 = normal), italic flag, character set 1 (default), 128 (Shift-JIS) or 129
// (Hangeul). Fontconfig is asked with the language of the character set; a face
// that does not exist falls back to its default. Null only when no font at all
// can be loaded.
PlatformFont* PlatformCreateFont(const char* faceSjis, int height, int weight, int italic, int charSet);
void PlatformDeleteFont(PlatformFont* font);
void PlatformGetFontMetrics(const PlatformFont* font, PlatformFontMetrics* metrics);
// Family name (UTF-8) of the file the face was resolved to (tests, the log).
const char* PlatformFontFamily(const PlatformFont* font);
// Marks a glyph code that is a Unicode code point rather than a code of the
// font's character set (characters of UTF-8 text the set lacks).
#define PLATFORM_GLYPH_UNICODE 0x80000000u
// CacheGlyphs: the glyph of a character (a single byte, or lead byte * 256 +
// trail byte in the font's character set, converted to Unicode here). gray 0
// gives 1-bit rows (most significant bit first), 1 gives bytes 0..16; rows are
// padded to 4 bytes. With a null buffer only the metrics and the bitmap size are
// returned. Returns the bitmap size in bytes, or -1 on failure (or when the
// buffer is too small).
int PlatformGetGlyph(PlatformFont* font, unsigned int code, int gray, PlatformGlyphMetrics* metrics, void* buffer,
                     int bufferSize);

// ---- Compressed sound -------------------------------------------------------
// Conversion of compressed WAVE data (format tags other than 1) and MPEG audio
// frames (format tag 0x55, a 30-byte layer-3 format record) to 16-bit PCM.
// The source data must stay valid and unchanged until the codec is closed.

struct PlatformSoundCodec; // one conversion stream

// Sound decoders: the PCM format this source converts to. 0, or -1 when it
// cannot be converted.
int PlatformCodecSuggestPcm(const void* sourceFormat, int formatSize, const void* sourceData, int dataSize,
                            WaveFormat* pcm);
// Sound decoders: opens a conversion stream to the suggested PCM format; null on failure.
PlatformSoundCodec* PlatformCodecOpen(const void* sourceFormat, int formatSize, const void* sourceData, int dataSize,
                                      const WaveFormat* pcm);
// One step: converts up to sourceBytes (at most 2048) taken from the source data
// at the source pointer into dest. Reports source bytes used and PCM bytes made.
// 0 or -1.
int PlatformCodecConvert(PlatformSoundCodec* codec, const void* source, int sourceBytes, void* dest, int destCapacity,
                         int* sourceUsed, int* destProduced);
// Estimated PCM bytes of the whole source, or -1 when unknown or too large.
int PlatformCodecEstimateSize(PlatformSoundCodec* codec);
// Releases the conversion stream.
void PlatformCodecClose(PlatformSoundCodec* codec);
