// Loading image files into graphs: the "_a" alpha companion, conversion of a
// decoded image into the graph's pixel kind, and the restore routine.
#include <stdio.h>
#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/log.h"
#include "runtime/core/sjis.h"
#include "runtime/core/window.h"
#include "runtime/file/file_ops.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/image_decode.h"
#include "runtime/runtime.h"

GraphRestoreRoutine g_graphRestoreRoutine = DefaultGraphRestore;

// One pixel of a decoded image as channel values at the image's own widths.
struct SourceChannels {
    uint32_t r, g, b, a;
};

static uint32_t ReadRawPixel(const GraphImage* image, int x, int y) {
    const uint8_t* p =
        (const uint8_t*)image->PixelData + (intptr_t)y * image->Pitch + (intptr_t)x * image->Color.Format.PixelByte;
    switch (image->Color.Format.PixelByte) {
        case 1:
            return p[0];
        case 2:
            return (uint32_t)p[0] | ((uint32_t)p[1] << 8);
        case 3:
            return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16);
        default:
            return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
    }
}

static void ReadChannels(const GraphImage* image, int x, int y, SourceChannels* out) {
    uint32_t raw = ReadRawPixel(image, x, y);
    const ColorFormat* f = &image->Color.Format;
    if (f->ColorBitDepth == 8) {
        const uint8_t* entry = image->Color.Palette[raw & 0xFF];
        out->r = entry[2];
        out->g = entry[1];
        out->b = entry[0];
        out->a = 0;
        return;
    }
    out->r = (raw & f->RedMask) >> f->RedShift;
    out->g = (raw & f->GreenMask) >> f->GreenShift;
    out->b = (raw & f->BlueMask) >> f->BlueShift;
    out->a = f->AlphaBits ? (raw & f->AlphaMask) >> f->AlphaShift : 0;
}

// Channel width of a decoded image (palette entries are 8 bits).
static void ChannelWidths(const GraphImage* image, int* r, int* g, int* b, int* a) {
    const ColorFormat* f = &image->Color.Format;
    if (f->ColorBitDepth == 8) {
        *r = *g = *b = 8;
        *a = 0;
        return;
    }
    *r = f->RedBits;
    *g = f->GreenBits;
    *b = f->BlueBits;
    *a = f->AlphaBits;
}

// Narrower: truncate; wider: v * (2^dst - 1) / (2^src - 1) in the shifted form.
static uint32_t ScaleChannel(uint32_t v, int srcBits, int dstBits) {
    if (dstBits == 0) return 0;
    if (srcBits == 0) return 0;
    if (srcBits > 31) srcBits = 31;
    if (dstBits <= srcBits) return v >> (srcBits - dstBits);
    int k = dstBits - srcBits;
    uint64_t srcMax = (1ull << srcBits) - 1;
    return (uint32_t)(((uint64_t)v << k) + (uint64_t)v * ((1ull << k) - 1) / srcMax);
}

static int ImageUsable(const GraphImage* image) {
    if (!image || !image->PixelData || image->Width <= 0 || image->Height <= 0) return 0;
    int bytes = image->Color.Format.PixelByte;
    if (bytes < 1 || bytes > 4) return 0;
    if ((int64_t)image->Pitch < (int64_t)image->Width * bytes) return 0;
    return 1;
}

int CopyImageIntoGraph(int graph, const GraphImage* image, const GraphImage* alpha, int srcX, int srcY) {
    MEMIMG* dest = nullptr;
    int x = 0, y = 0;
    if (GetGraphPlacement(graph, &dest, &x, &y) != 0) return -1;
    GraphRecord* record = LookupGraph(graph);
    if (!ImageUsable(image)) return -1;
    if (alpha && (!ImageUsable(alpha) || alpha->Width != image->Width || alpha->Height != image->Height))
        alpha = nullptr;
    if (srcX < 0 || srcY < 0 || srcX >= image->Width || srcY >= image->Height) return -1;

    // The graph's rectangle, limited by the image and by the surface image.
    int w = record->width, h = record->height;
    if (w > image->Width - srcX) w = image->Width - srcX;
    if (h > image->Height - srcY) h = image->Height - srcY;
    if (x < 0 || y < 0 || x >= dest->Width || y >= dest->Height) return -1;
    if (w > dest->Width - x) w = dest->Width - x;
    if (h > dest->Height - y) h = dest->Height - y;
    const ColorFormat* df = dest->Format;

    if (dest->UsePalette) {
        if (image->Color.Format.ColorBitDepth != 8) return -1;
        int largest = 0;
        for (int row = 0; row < h; row++) {
            const uint8_t* src = (const uint8_t*)image->PixelData + (intptr_t)(srcY + row) * image->Pitch + srcX;
            uint8_t* dst = dest->Pixels + (intptr_t)(y + row) * dest->Pitch + x;
            for (int i = 0; i < w; i++) {
                dst[i] = src[i];
                if (src[i] > largest) largest = src[i];
            }
        }
        if (largest + 1 > dest->PaletteCount) dest->PaletteCount = largest + 1;
        for (int i = 0; i < 256; i++) {
            uint32_t b = image->Color.Palette[i][0], g = image->Color.Palette[i][1], r = image->Color.Palette[i][2];
            if (dest->PixelKind == Xrgb8888) dest->OwnPalette[i] = (r << 16) | (g << 8) | b;
            else dest->OwnPalette[i] = ((r / 8) << 11) | ((g / 4) << 5) | (b / 8);
        }
        // Transparent index: the first entry equal in red, green and blue.
        const ColorFormat* plain = GetMemImgColorFormat(dest->PixelKind, 0, 0);
        uint32_t t = g_draw.transColor;
        uint32_t key = MakeColorInFormat(plain, (int)((t >> 16) & 0xFF), (int)((t >> 8) & 0xFF), (int)(t & 0xFF), 255);
        uint32_t rgbMask = plain->RedMask | plain->GreenMask | plain->BlueMask;
        dest->TransColor = 0;
        for (int i = 0; i < 256; i++) {
            if ((dest->OwnPalette[i] & rgbMask) == (key & rgbMask)) {
                dest->TransColor = (uint32_t)i;
                break;
            }
        }
        return 0;
    }

    int rb, gb, bb, ab;
    ChannelWidths(image, &rb, &gb, &bb, &ab);
    int arb = 8, agb, abb, aab;
    if (alpha) ChannelWidths(alpha, &arb, &agb, &abb, &aab);
    uint32_t fullAlpha = df->AlphaBits ? (df->AlphaMask >> df->AlphaShift) : 0;
    int bytes = df->PixelByte;
    for (int row = 0; row < h; row++) {
        uint8_t* dst = dest->Pixels + (intptr_t)(y + row) * dest->Pitch + (intptr_t)x * bytes;
        for (int i = 0; i < w; i++) {
            SourceChannels c;
            ReadChannels(image, srcX + i, srcY + row, &c);
            uint32_t a = fullAlpha;
            if (df->AlphaBits) {
                if (alpha) {
                    SourceChannels ac;
                    ReadChannels(alpha, srcX + i, srcY + row, &ac);
                    a = ScaleChannel(ac.r, arb, df->AlphaBits);
                } else if (ab) {
                    a = ScaleChannel(c.a, ab, df->AlphaBits);
                }
            }
            uint32_t v = (ScaleChannel(c.r, rb, df->RedBits) << df->RedShift) |
                         (ScaleChannel(c.g, gb, df->GreenBits) << df->GreenShift) |
                         (ScaleChannel(c.b, bb, df->BlueBits) << df->BlueShift) | df->SpareMask;
            if (df->AlphaBits) v |= a << df->AlphaShift;
            if (bytes == 2) ((uint16_t*)dst)[i] = (uint16_t)v;
            else ((uint32_t*)dst)[i] = v;
        }
    }
    return 0;
}

// "a.bmp" -> "a_a.bmp"; "a" -> "a_a". The dot must belong to the last path component.
static void MakeAlphaFileName(const char* path, char* out, int size) {
    const char* dot = strrchr(path, '.');
    const char* sep1 = strrchr(path, '\\');
    const char* sep2 = strrchr(path, '/');
    const char* sep = sep1 > sep2 ? sep1 : sep2;
    if (!dot || (sep && dot < sep)) {
        snprintf(out, size, "%s_a", path);
        return;
    }
    snprintf(out, size, "%.*s_a%s", (int)(dot - path), path, dot);
}

static int FileOpens(const char* path) {
    if (!g_fileOps || !g_fileOps->open) return 0;
    FileHandle file = g_fileOps->open(path, 0, 1);
    if (!file) return 0;
    g_fileOps->close(file);
    return 1;
}

// Decodes a file and its alpha companion. 0, or -1 (with the load's log line).
static int DecodeWithAlpha(const char* path, GraphImage* image, GraphImage* alpha, int* hasAlpha) {
    memset(image, 0, sizeof(*image));
    memset(alpha, 0, sizeof(*alpha));
    *hasAlpha = 0;
    if (LoadGraphImageFile(path, image) != 0) {
        memset(image, 0, sizeof(*image));
        if (!FileOpens(path)) return LogPrintf(SJ("グラフィックファイル %s がありません"), path);
        return LogPrintf(SJ("右記のグラフィックファイルのロードに失敗しました：%s \n"), path);
    }
    char alphaName[1024];
    MakeAlphaFileName(path, alphaName, sizeof(alphaName));
    if (LoadGraphImageFile(alphaName, alpha) == 0) *hasAlpha = 1;
    else memset(alpha, 0, sizeof(*alpha));
    RecomputeSpareMask(&image->Color.Format);
    if (*hasAlpha) RecomputeSpareMask(&alpha->Color.Format);
    if (*hasAlpha && (alpha->Width != image->Width || alpha->Height != image->Height)) {
        ReleaseGraphImage(image);
        ReleaseGraphImage(alpha);
        return -1;
    }
    return 0;
}

static int LoadGraphFileInternal(const char* path) {
    if (!path) return -1;
    GraphImage image, alpha;
    int hasAlpha = 0;
    if (DecodeWithAlpha(path, &image, &alpha, &hasAlpha) != 0) return -1;
    if (!ImageUsable(&image)) {
        ReleaseGraphImage(&image);
        ReleaseGraphImage(&alpha);
        return LogPrintf(SJ("右記のグラフィックファイルのロードに失敗しました：%s \n"), path);
    }
    int alphaFlag = (image.Color.Format.AlphaBits != 0 || hasAlpha) ? 1 : 0;
    int paletteFlag = (image.Color.Format.ColorBitDepth == 8 && !alphaFlag) ? 1 : 0;
    int graph = CreateBlankGraph(image.Width, image.Height, alphaFlag, paletteFlag);
    if (graph < 0) {
        ReleaseGraphImage(&image);
        ReleaseGraphImage(&alpha);
        return LogWrite(SJ("グラフィックの作成に失敗しました\n"));
    }
    int r = CopyImageIntoGraph(graph, &image, hasAlpha ? &alpha : nullptr, 0, 0);
    ReleaseGraphImage(&image);
    ReleaseGraphImage(&alpha);
    if (r != 0) {
        ReleaseGraphInternal(graph, 0);
        return LogWrite(SJ("グラフィックの作成に失敗しました\n"));
    }
    GraphRecord* record = LookupGraph(graph);
    snprintf(record->fileName, sizeof(record->fileName), "%s", path);
    char directory[1024] = "";
    if (g_fileOps && g_fileOps->getCurrentDirectory) g_fileOps->getCurrentDirectory(directory);
    directory[sizeof(directory) - 1] = 0;
    snprintf(record->directory, sizeof(record->directory), "%s", directory);
    return graph;
}

GraphHandle LoadGraphFile(const char* path) {
    API_LOCK();
    WaitWhileInactive();
    return LoadGraphFileInternal(path);
}

void DefaultGraphRestore(void) {
    LogWrite(SJ("グラフィックを復帰します\n"));
    char saved[1024] = "";
    int haveSaved = g_fileOps && g_fileOps->getCurrentDirectory && g_fileOps->getCurrentDirectory(saved) == 0;
    saved[sizeof(saved) - 1] = 0;
    GraphImage image, alpha;
    int loaded = 0, hasAlpha = 0;
    char loadedName[64] = "", loadedDir[256] = "";
    int loadedMirror = 0;
    for (int slot = 0; slot < GRAPH_CAPACITY; slot++) {
        if (slot >= GraphSlotEnd()) break;
        int handle = GraphHandleAtSlot(slot);
        GraphRecord* graph = LookupGraph(handle);
        if (!graph || !graph->fileName[0]) continue;
        int same = loaded && !strcmp(loadedName, graph->fileName) && !strcmp(loadedDir, graph->directory) &&
                   loadedMirror == graph->mirroredLoad;
        if (!same) {
            if (loaded) {
                ReleaseGraphImage(&image);
                ReleaseGraphImage(&alpha);
                loaded = 0;
            }
            if (g_fileOps && g_fileOps->setCurrentDirectory) g_fileOps->setCurrentDirectory(graph->directory);
            LogPrintf(SJ("パス:%s ファイル:%s をロードします"), graph->directory, graph->fileName);
            if (DecodeWithAlpha(graph->fileName, &image, &alpha, &hasAlpha) != 0) {
                LogPrintf(SJ("パス:%s ファイル:%s がロードできませんでした"), graph->directory, graph->fileName);
                continue;
            }
            if (graph->mirroredLoad) {
                MirrorGraphImage(&image);
                if (hasAlpha) MirrorGraphImage(&alpha);
            }
            loaded = 1;
            memcpy(loadedName, graph->fileName, sizeof(loadedName));
            memcpy(loadedDir, graph->directory, sizeof(loadedDir));
            loadedMirror = graph->mirroredLoad;
        }
        // The graph's part of the file goes back into its place in the shared image.
        CopyImageIntoGraph(handle, &image, hasAlpha ? &alpha : nullptr, graph->sourceX, graph->sourceY);
    }
    if (loaded) {
        ReleaseGraphImage(&image);
        ReleaseGraphImage(&alpha);
    }
    if (haveSaved && g_fileOps->setCurrentDirectory) g_fileOps->setCurrentDirectory(saved);
}

void InstallDefaultGraphRestore(void) {
    g_graphRestoreRoutine = DefaultGraphRestore;
}

void RestoreAllGraphs(void) {
    if (g_graphRestoreRoutine) g_graphRestoreRoutine();
}
