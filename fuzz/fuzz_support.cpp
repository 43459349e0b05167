// Shared set-up of the fuzz targets (see fuzz_support.h).
#include "fuzz/fuzz_support.h"

#include "runtime/core/memory.h"
#include "runtime/runtime.h"

#include <fontconfig/fontconfig.h>
#include <sanitizer/lsan_interface.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static bool s_started = false;
static char s_scratch[512];

static void EndRuntimeAtExit(void) {
    RuntimeEnd();
}

void FuzzStartRuntime(bool gameData) {
    if (s_started) return;
    s_started = true;
    const char* base = getenv("TMPDIR");
    snprintf(s_scratch, sizeof(s_scratch), "%s/bkt-fuzz-XXXXXX", base && *base ? base : "/tmp");
    if (!mkdtemp(s_scratch) || chdir(s_scratch) != 0) {
        perror("fuzz scratch folder");
        abort();
    }
    if (gameData) {
        // Pictures and sounds as the game finds them; the game's own files stay ours.
        char link[600];
        snprintf(link, sizeof(link), "%s/bkt", BKT_DIST_DIR);
        if (symlink(link, "bkt") != 0) perror("bkt link");
    }
    // fontconfig leaves a few unreachable blocks behind while it parses its
    // configuration. Loaded here with the leak checker looking away, the runtime's
    // fonts reuse it, and a leak check that a later input sets off (a library leak
    // suppressed in lsan.supp, say) does not stop on those blocks.
    __lsan_disable();
    FcInit();
    __lsan_enable();
    SetLogOutputEnabled(0);
    if (RuntimeInit() != 0) {
        fprintf(stderr, "fuzz: RuntimeInit failed\n");
        abort();
    }
    // libFuzzer leaves through exit(); the message-pump thread must be joined by then.
    atexit(EndRuntimeAtExit);
}

const char* FuzzScratchDir(void) {
    return s_scratch;
}

void FuzzWriteScratchFile(const char* name, const uint8_t* data, size_t size) {
    const char* slash = strchr(name, '/');
    if (slash) {
        char folder[256];
        snprintf(folder, sizeof(folder), "%.*s", (int)(slash - name), name);
        mkdir(folder, 0755);
    }
    FILE* file = fopen(name, "wb");
    if (!file || (size && fwrite(data, 1, size, file) != size) || fclose(file) != 0) {
        perror(name);
        abort();
    }
}

void FuzzCheckTrackedBlocks(int before, const char* what) {
    int now = TrackedBlockCount();
    if (now == before) return;
    fprintf(stderr, "fuzz: %s left %d tracked blocks alive (%d before, %d after)\n", what, now - before, before, now);
    SetLogOutputEnabled(1);
    DumpTrackedMemory();
    abort();
}
