// Drawing graphs straight: whole (DrawGraphAt) or by rectangle (DrawGraphRect),
// with the front-buffer bookkeeping around them.
#include "runtime/core/api_lock.h"
#include "runtime/core/window.h"
#include "runtime/graphics/blit.h"
#include "runtime/graphics/draw_state.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/transform.h"
#include "runtime/runtime.h"

static int DrawGraphAtInternal(int x, int y, int graph, int transFlag) {
    GraphDraw d;
    const int found = FindGraphDraw(graph, &d);
    if (found <= 0) return found;
    const bool front = BeginFrontDraw();
    BlitMemImg(d.target, d.image, x, y, transFlag);
    if (front) {
        int rect[4] = {x, y, SaturatedSum(x, d.image->Width), SaturatedSum(y, d.image->Height)};
        PresentFrontRect(rect);
    }
    return 0;
}

int DrawGraphAt(int x, int y, GraphHandle graph, int transFlag) {
    API_LOCK();
    if (!ReadyToDraw()) return -1;
    return DrawGraphAtInternal(x, y, graph, transFlag);
}

int DrawGraphMirrored(int x, int y, int graph, int transFlag) {
    int w = 0, h = 0;
    if (QueryGraphSize(graph, &w, &h) != 0) return -1;
    return DrawGraphStretched(SaturatedSum(x, w), y, x, SaturatedSum(y, h), graph, transFlag);
}

int DrawGraphRect(int destX, int destY, int srcX, int srcY, int width, int height, GraphHandle graph, int transFlag,
                  int turnFlag) {
    API_LOCK();
    if (!ReadyToDraw()) return -1;
    int saved[4] = {g_draw.area[0], g_draw.area[1], g_draw.area[2], g_draw.area[3]};
    float savedF[4] = {g_draw.areaF[0], g_draw.areaF[1], g_draw.areaF[2], g_draw.areaF[3]};
    int64_t right = (int64_t)destX + width, bottom = (int64_t)destY + height;
    int rect[4] = {destX, destY, (int)(right > 0x7FFFFFFF ? 0x7FFFFFFF : right),
                   (int)(bottom > 0x7FFFFFFF ? 0x7FFFFFFF : bottom)};
    ClipRect(rect, saved);
    for (int i = 0; i < 4; i++) {
        g_draw.area[i] = rect[i];
        g_draw.areaF[i] = (float)rect[i];
    }
    int result;
    if (width <= 0 || height <= 0 || rect[0] >= rect[2] || rect[1] >= rect[3]) {
        // Nothing can land inside; still refuse an invalid graph.
        result = LookupGraph(graph) ? 0 : -1;
    } else if (!turnFlag) {
        result = DrawGraphAtInternal(SaturatedSum(destX, -(int64_t)srcX), SaturatedSum(destY, -(int64_t)srcY), graph,
                                     transFlag);
    } else {
        int w = 0, h = 0;
        result = QueryGraphSize(graph, &w, &h) == 0
                     ? DrawGraphMirrored(SaturatedSum((int64_t)destX + srcX + width, -(int64_t)w),
                                         SaturatedSum(destY, -(int64_t)srcY), graph, transFlag)
                     : -1;
    }
    for (int i = 0; i < 4; i++) {
        g_draw.area[i] = saved[i];
        g_draw.areaF[i] = savedF[i];
    }
    return result;
}
