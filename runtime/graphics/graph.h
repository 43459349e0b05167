// Graph handles: the graph, surface and surface-image tables, shared pixels
// with reference counts, and the image each drawing call reads from.
#pragma once

#include <stdint.h>

#include "runtime/runtime.h"

#include "runtime/graphics/color_format.h"

#define GRAPH_CAPACITY 32768
#define SURFACE_CAPACITY 32768
#define SURFACE_IMAGE_CAPACITY 65536

struct GraphRecord {
    int check;            // handle check value
    int* lostFlag;        // owner's flag, set to 1 when the graph is deleted
    int handle;           // the graph's own handle
    int alphaFlag;        // image has an alpha channel (or an alpha file was found)
    int paletteFlag;      // 8-bit palette image without alpha
    int colorDepth;       // screen colour depth at creation
    int mirroredLoad;     // kept for reloading
    int surface;          // surface record handle
    char fileName[64];    // what LoadGraphFile loaded; empty otherwise
    char directory[256];  // current directory at load time
    int sourceX, sourceY; // where this graph's pixels start in the loaded image
    int width, height;    // graph size
    int movie;            // -1 (no movies)
    int restoreMark;      // marked for the restore routine
};

struct SurfaceRecord {
    int check;         // handle check value
    int ownerGraph;    // graph handle owning this surface
    int surfaceImage;  // shared surface-image handle
    int width, height; // graph size
    int x, y;          // the graph's rectangle inside the surface image
};

struct SurfaceImageRecord {
    int check;                              // handle check value
    int refCount;                           // surface records sharing the pixels
    int width, height;                      // image size
    int alphaFlag, paletteFlag, colorDepth; // creation flags copied from the graph
    MEMIMG image;                           // the pixels
};

GraphRecord* LookupGraph(int graph);
int DeriveGraphInternal(int x, int y, int width, int height, int source);
int ReleaseGraphInternal(int graph, int logFlag);
void ReleaseAllGraphs(int logFlag);
int QueryGraphSize(int graph, int* width, int* height);
// The whole shared image of a graph (draw targets), or null.
MEMIMG* GetGraphSurfaceImage(int graph);
// A graph's shared image and its rectangle's position in it. 0 or -1.
int GetGraphPlacement(int graph, MEMIMG** image, int* x, int* y);
// The image to draw a graph from: the surface image, or a view in *view. Null if invalid.
const MEMIMG* GetGraphImageForDrawing(int graph, MEMIMG* view);
int RegisterGraphLostFlag(int graph, int* flag);
// Copies the graph-sized rectangle at (srcX, srcY) of a decoded image (and of its
// optional alpha image, whose red channel gives the alpha) into the graph. 0 or -1.
int CopyImageIntoGraph(int graph, const GraphImage* image, const GraphImage* alpha, int srcX, int srcY);
// Walking the graph table: one past the highest slot in use, and a slot's handle (-1 free).
int GraphSlotEnd(void);
int GraphHandleAtSlot(int slot);
// Replaceable restore routine, run when the platform reports lost contents.
typedef void (*GraphRestoreRoutine)(void);
extern GraphRestoreRoutine g_graphRestoreRoutine;
void DefaultGraphRestore(void);
void InstallDefaultGraphRestore(void);
// Runs the installed restore routine.
void RestoreAllGraphs(void);
// Graphics management start and end around every screen set-up.
void InitGraphicsManagement(void);
void EndGraphicsManagement(void);
// Number of live graphs (tests).
int GraphCount(void);
