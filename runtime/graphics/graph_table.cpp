// The graph, surface and surface-image tables: blank graphs, derived graphs
// sharing their parent's pixels, reference-counted release, and lookups.
#include <string.h>

#include "runtime/core/api_lock.h"
#include "runtime/core/handles.h"
#include "runtime/core/log.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/sjis.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/screen.h"
#include "runtime/runtime.h"

static HandleTable s_graphs = HANDLE_TABLE_INIT(HandleKindGraph, GRAPH_CAPACITY, HandleAfterEnd, 0x8000);
static HandleTable s_surfaces = HANDLE_TABLE_INIT(HandleKindSurface, SURFACE_CAPACITY, HandleAfterEnd, 0x8000);
static HandleTable s_surfaceImages =
    HANDLE_TABLE_INIT(HandleKindSurfaceImage, SURFACE_IMAGE_CAPACITY, HandleAfterEnd, 0);

GraphRecord* LookupGraph(int graph) {
    return (GraphRecord*)LookupHandle(&s_graphs, graph);
}

static SurfaceRecord* LookupSurface(int surface) {
    return (SurfaceRecord*)LookupHandle(&s_surfaces, surface);
}

static SurfaceImageRecord* LookupSurfaceImage(int image) {
    return (SurfaceImageRecord*)LookupHandle(&s_surfaceImages, image);
}

int GraphSlotEnd(void) {
    return s_graphs.slotEnd;
}

int GraphHandleAtSlot(int slot) {
    return HandleOfSlot(&s_graphs, slot);
}

int GraphCount(void) {
    return s_graphs.usedCount;
}

static int ScreenDepthOrDefault(void) {
    return g_screen.colorBitDepth ? g_screen.colorBitDepth : 16;
}

// Adds a surface record for (x, y, width, height) of an existing surface image.
static int AddSurface2D(int ownerGraph, int surfaceImage, int x, int y, int width, int height) {
    SurfaceRecord* record = nullptr;
    int full = 0;
    int handle = MakeHandle(&s_surfaces, sizeof(SurfaceRecord), (void**)&record, &full);
    if (handle < 0) {
        if (full) return LogWrite(SJ("２Ｄグラフィックの量が許容量を越えました\n"));
        return LogWrite(SJ("メモリの確保に失敗しました in AddSurface2D \n"));
    }
    record->ownerGraph = ownerGraph;
    record->surfaceImage = surfaceImage;
    record->x = x;
    record->y = y;
    record->width = width;
    record->height = height;
    return handle;
}

static int AddSurfaceImage(int width, int height, int alphaFlag, int paletteFlag, int colorDepth) {
    SurfaceImageRecord* record = nullptr;
    int full = 0;
    int handle = MakeHandle(&s_surfaceImages, sizeof(SurfaceImageRecord), (void**)&record, &full);
    if (handle < 0) {
        if (full) return LogWrite(SJ("サーフェスのデータ数が許容量を越えました。\n"));
        return LogWrite(SJ("サーフェス用データを保存するメモリ領域の確保に失敗しました\n"));
    }
    record->refCount = 1;
    record->width = width;
    record->height = height;
    record->alphaFlag = alphaFlag;
    record->paletteFlag = paletteFlag;
    record->colorDepth = colorDepth;
    int kind = colorDepth != 16 ? Xrgb8888 : Rgb565;
    uint32_t trans = 0xFFFF;
    if (!paletteFlag) {
        const ColorFormat* format = GetMemImgColorFormat(kind, alphaFlag, 0);
        uint32_t t = g_draw.transColor;
        trans = MakeColorInFormat(format, (int)((t >> 16) & 0xFF), (int)((t >> 8) & 0xFF), (int)(t & 0xFF), 255);
    }
    if (SetupMemImg(&record->image, width, height, -1, trans, kind, paletteFlag, alphaFlag) != 0) {
        FreeHandle(&s_surfaceImages, handle);
        return LogWrite(SJ("メモリイメージの作成に失敗しました\n"));
    }
    return handle;
}

static void DropSurfaceImage(int imageHandle) {
    SurfaceImageRecord* image = LookupSurfaceImage(imageHandle);
    if (!image) return;
    if (--image->refCount > 0) return;
    ReleaseMemImg(&image->image);
    FreeHandle(&s_surfaceImages, imageHandle);
}

static void ReleaseSurface(int surface) {
    SurfaceRecord* record = LookupSurface(surface);
    if (!record) return;
    DropSurfaceImage(record->surfaceImage);
    FreeHandle(&s_surfaces, surface);
}

// A graph record with no surface yet.
static int MakeGraphRecord(GraphRecord** out) {
    if (s_graphs.usedCount >= GRAPH_CAPACITY) FatalExit(SJ("グラフィックの数が許容量を越えました終了します"));
    GraphRecord* record = nullptr;
    int full = 0;
    int handle = MakeHandle(&s_graphs, sizeof(GraphRecord), (void**)&record, &full);
    if (handle < 0) {
        if (full) FatalExit(SJ("グラフィックの数が許容量を越えました終了します"));
        FatalExit(SJ("メモリの確保に失敗しました"));
    }
    record->handle = handle;
    record->movie = -1;
    record->surface = -1;
    *out = record;
    return handle;
}

int CreateBlankGraph(int width, int height, int alphaFlag, int paletteFlag) {
    API_LOCK();
    // Graphs live on the screen's graphics management; none exists before it.
    if (!GraphicsReady() || width <= 0 || height <= 0) return -1;
    // A size whose pixels the runtime cannot hold is refused before any record is made.
    int depth = ScreenDepthOrDefault();
    int alpha = alphaFlag ? 1 : 0, palette = (paletteFlag && !alphaFlag) ? 1 : 0;
    if (MemImgLayout(width, height, -1, depth != 16 ? Xrgb8888 : Rgb565, palette, alpha, nullptr, nullptr) != 0)
        return LogWrite(SJ("グラフィックのサイズが大きすぎます\n"));
    GraphRecord* graph = nullptr;
    int handle = MakeGraphRecord(&graph);
    graph->width = width;
    graph->height = height;
    graph->alphaFlag = alphaFlag ? 1 : 0;
    graph->paletteFlag = (paletteFlag && !alphaFlag) ? 1 : 0;
    graph->colorDepth = ScreenDepthOrDefault();

    int image = AddSurfaceImage(width, height, graph->alphaFlag, graph->paletteFlag, graph->colorDepth);
    if (image < 0) {
        ReleaseGraphInternal(handle, 0);
        return -1;
    }
    int surface = AddSurface2D(handle, image, 0, 0, width, height);
    if (surface < 0) {
        DropSurfaceImage(image);
        ReleaseGraphInternal(handle, 0);
        return -1;
    }
    graph->surface = surface;
    return handle;
}

int DeriveGraphInternal(int x, int y, int width, int height, int source) {
    GraphRecord* src = LookupGraph(source);
    if (!src) return -1;
    if (x < 0 || y < 0 || width <= 0 || height <= 0) return -1;
    if (x >= src->width || y >= src->height) return -1;
    if (width > src->width - x) width = src->width - x;
    if (height > src->height - y) height = src->height - y;
    SurfaceRecord* srcSurface = LookupSurface(src->surface);
    if (!srcSurface) return LogWrite(SJ("グラフィックの派生に失敗しました終了します"));
    SurfaceImageRecord* image = LookupSurfaceImage(srcSurface->surfaceImage);
    if (!image) return LogWrite(SJ("グラフィックの派生に失敗しました終了します"));

    // Copy what the new record inherits before the table may move things.
    GraphRecord inherited = *src;
    GraphRecord* graph = nullptr;
    int handle = MakeGraphRecord(&graph);
    graph->width = width;
    graph->height = height;
    graph->alphaFlag = inherited.alphaFlag;
    graph->paletteFlag = inherited.paletteFlag;
    graph->colorDepth = inherited.colorDepth;
    graph->mirroredLoad = inherited.mirroredLoad;
    graph->movie = inherited.movie;
    memcpy(graph->fileName, inherited.fileName, sizeof(graph->fileName));
    memcpy(graph->directory, inherited.directory, sizeof(graph->directory));
    graph->sourceX = inherited.sourceX + x;
    graph->sourceY = inherited.sourceY + y;

    int surface = AddSurface2D(handle, srcSurface->surfaceImage, srcSurface->x + x, srcSurface->y + y, width, height);
    if (surface < 0) {
        ReleaseGraphInternal(handle, 0);
        return LogWrite(SJ("グラフィックの派生に失敗しました終了します"));
    }
    image->refCount++;
    graph->surface = surface;
    return handle;
}

int ReleaseGraphInternal(int graph, int logFlag) {
    GraphRecord* record = LookupGraph(graph);
    if (!record) return -1;
    if (record->surface >= 0) ReleaseSurface(record->surface);
    if (logFlag) LogPrintf(SJ("グラフィック %s の削除"), record->fileName);
    if (record->lostFlag) *record->lostFlag = 1;
    FreeHandle(&s_graphs, graph);
    return 0;
}

void ReleaseAllGraphs(int logFlag) {
    for (int slot = s_graphs.slotEnd - 1; slot >= 0; slot--) {
        int handle = HandleOfSlot(&s_graphs, slot);
        if (handle >= 0) ReleaseGraphInternal(handle, logFlag);
    }
}

int QueryGraphSize(int graph, int* width, int* height) {
    GraphRecord* record = LookupGraph(graph);
    if (!record) return -1;
    if (width) *width = record->width;
    if (height) *height = record->height;
    return 0;
}

MEMIMG* GetGraphSurfaceImage(int graph) {
    GraphRecord* record = LookupGraph(graph);
    if (!record) return nullptr;
    SurfaceRecord* surface = LookupSurface(record->surface);
    if (!surface) return nullptr;
    SurfaceImageRecord* image = LookupSurfaceImage(surface->surfaceImage);
    return image ? &image->image : nullptr;
}

// The surface record of a graph and its image (copying pixels in at an offset).
int GetGraphPlacement(int graph, MEMIMG** image, int* x, int* y) {
    GraphRecord* record = LookupGraph(graph);
    if (!record) return -1;
    SurfaceRecord* surface = LookupSurface(record->surface);
    if (!surface) return -1;
    SurfaceImageRecord* imageRecord = LookupSurfaceImage(surface->surfaceImage);
    if (!imageRecord) return -1;
    *image = &imageRecord->image;
    *x = surface->x;
    *y = surface->y;
    return 0;
}

const MEMIMG* GetGraphImageForDrawing(int graph, MEMIMG* view) {
    GraphRecord* record = LookupGraph(graph);
    if (!record) return nullptr;
    SurfaceRecord* surface = LookupSurface(record->surface);
    if (!surface) return nullptr;
    SurfaceImageRecord* image = LookupSurfaceImage(surface->surfaceImage);
    if (!image || image->image.InitMark != MEMIMG_INIT_MARK) return nullptr;
    if (record->width == image->width && record->height == image->height) return &image->image;
    SetupMemImgView(view, &image->image, surface->x, surface->y, surface->width, surface->height);
    return view;
}

int RegisterGraphLostFlag(int graph, int* flag) {
    GraphRecord* record = LookupGraph(graph);
    if (!record) return -1;
    record->lostFlag = flag;
    if (flag) *flag = 0;
    return 0;
}

GraphHandle DeriveGraph(int x, int y, int width, int height, GraphHandle source) {
    API_LOCK();
    return DeriveGraphInternal(x, y, width, height, source);
}

int ReleaseGraph(GraphHandle graph, int logFlag) {
    API_LOCK();
    return ReleaseGraphInternal(graph, logFlag);
}
