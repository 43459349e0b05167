// hello: the smallest program on the installed runtime. It opens a 320x240
// screen, shows a picture, draws a string, and plays a sound on every new press
// of Z or Space (or a pad's first button). Escape or closing the window ends it.
// Sound is optional: without a sound device it runs silent and says so.
//   hello [--data DIR] [--frames N] [--shot FILE.png]
// Built with HELLO_HEADLESS against the scripted backend, it presses the keys
// itself from an input script and reports what the sound device would play.
#include <borra/runtime.h>
#ifdef HELLO_HEADLESS
#include <borra/scripted.h>
#endif

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

const int kPadButtons = PAD_BUTTON1 | PAD_BUTTON10; // Z and Space on the keyboard

struct Options {
    std::string data = "."; // folder of hello.png and hello.wav
    int frames = 0;         // 0 = until Escape or the window closes
    std::string shot;       // PNG of the last frame, if given
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (i + 1 >= argc) return false;
        if (arg == "--data") options.data = argv[++i];
        else if (arg == "--frames") options.frames = atoi(argv[++i]);
        else if (arg == "--shot") options.shot = argv[++i];
        else return false;
    }
    return true;
}

#ifdef HELLO_HEADLESS
// Peak sample of what the virtual device plays over the next 100 ms.
int MixPeak(void) {
    static short samples[4410 * 2];
    if (ScriptedMixAudio(samples, 4410) <= 0) return 0;
    int peak = 0;
    for (short s : samples) peak = abs(s) > peak ? abs(s) : peak;
    return peak;
}
#endif

// Why a file the runtime would not load failed: absent or unreadable (the system's
// reason), else not a format the runtime decodes.
std::string WhyNotLoaded(const std::string& path, const char* kind) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return path + ": " + strerror(errno);
    fclose(file);
    return path + ": not " + kind + " the runtime can decode";
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        fprintf(stderr, "usage: hello [--data DIR] [--frames N] [--shot FILE.png]\n");
        return 2;
    }
#ifdef HELLO_HEADLESS
    // Space at frame 10, Z at frame 20, both held for one frame.
    ScriptedLoadInputScript("0 -\n10 SPACE\n11 -\n20 Z\n21 -\n", nullptr, 0);
    if (options.frames == 0) options.frames = 30;
#endif

    SetLogOutputEnabled(0);
    SetMainWindowTitle("hello");
    SetScreenMode(320, 240, 16, 60);
    ChangeWindowMode(WINDOW_MODE_WINDOWED);
    if (RuntimeInit() == -1) return 1; // the runtime has said why on stderr
    // Each graph keeps the transparent colour in force when it is made: pure
    // green in the picture is see-through.
    SetTransparentColor(0, 255, 0);
    std::string picturePath = options.data + "/hello.png";
    std::string soundPath = options.data + "/hello.wav";
    GraphHandle picture = LoadGraphFile(picturePath.c_str());
    FontHandle font =
        CreateFontToHandle("", 16, 0, FONT_TYPE_PLAIN, FONT_DEFAULT, FONT_DEFAULT, 0, FONT_DEFAULT, FONT_DEFAULT);
    if (picture == -1 || font == -1) {
        if (picture == -1)
            fprintf(stderr, "hello: cannot load the picture %s\n", WhyNotLoaded(picturePath, "a picture").c_str());
        if (font == -1) fprintf(stderr, "hello: cannot make a font: is fontconfig with a font installed?\n");
        RuntimeEnd();
        return 1;
    }
    // A missing sound file is an error; a sound that does not play for want of a
    // sound device is not.
    SoundHandle beep = LoadSoundFile(soundPath.c_str(), 2);
    if (beep == -1) {
        FILE* file = fopen(soundPath.c_str(), "rb");
        if (!file) {
            fprintf(stderr, "hello: cannot load the sound %s: %s\n", soundPath.c_str(), strerror(errno));
            RuntimeEnd();
            return 1;
        }
        fclose(file);
        fprintf(stderr,
                "hello: %s does not play (no sound device, or not a sound the runtime decodes): "
                "going on without sound\n",
                soundPath.c_str());
    }
    printf(beep != -1 ? "hello: loaded picture, sound and font\n" : "hello: loaded picture and font\n");
    SetDrawTarget(DRAW_TARGET_BACK);

    int previousPad = 0;
    int frame = 0, played = 0;
    for (; options.frames == 0 || frame < options.frames; frame++) {
        if (ProcessMessage() != 0 || CheckKeyDown(KEY_CODE_ESCAPE)) break;
        unsigned int start = (unsigned int)GetMillisecondCount(0);
        int pad = GetPadInputState(INPUT_KEYBOARD_PAD1);
        if ((pad & kPadButtons) && !(previousPad & kPadButtons)) {
            PlaySoundHandle(beep, PLAY_BACKGROUND, 1); // from the start
            played++;
            printf("hello: sound at frame %d\n", frame);
#ifdef HELLO_HEADLESS
            printf("hello: heard peak %d\n", MixPeak());
#endif
        }
        previousPad = pad;

        ClearDrawTarget();
        DrawRectangle(0, 200, 320, 240, MakeColor(20, 40, 90), 1);
        DrawGraphAt(128, 64, picture, 1);
        DrawStringWithFont(16, 16, "Hello from the runtime!", MakeColor(255, 255, 255), font, 0, 0);
        DrawStringWithFont(16, 212, "Z or Space: beep   Esc: quit", MakeColor(255, 255, 0), font, 0, 0);
        bool last = options.frames != 0 && frame + 1 == options.frames;
        if (last) {
            unsigned int color = 0;
            int r = 0, g = 0, b = 0;
            GetPixel(160, 96, &color);
            GetColorRGB(color, &r, &g, &b);
            printf("hello: picture centre %d,%d,%d\n", r, g, b);
            if (!options.shot.empty() && SaveScreenToFile(options.shot.c_str()) != 0)
                fprintf(stderr, "hello: cannot save %s\n", options.shot.c_str());
        }
        FlipScreen();
        while ((unsigned int)GetMillisecondCount(0) - start < 16u) SleepMilliseconds(1);
    }
    printf("hello: frames=%d sounds=%d\n", frame, played);
    RuntimeEnd();
    return 0;
}
