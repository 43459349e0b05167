// Image loading from memory: the six decoders through the dispatcher, then the
// conversion into a graph that LoadGraphFile makes (with the image as its own alpha
// companion on odd-sized inputs) and one draw of a small result.
#include "fuzz/fuzz_support.h"

#include "runtime/core/memory.h"
#include "runtime/graphics/graph.h"
#include "runtime/graphics/image_decode.h"
#include "runtime/runtime.h"

#include <string.h>

// Keeps a graph within what the fuzzer's memory limit allows; the decoder itself must
// never have asked for more than the data can fill.
static const int64_t MaxGraphPixels = 4 << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartRuntime(false);
    if (size > 0x7FFFFFFF) return 0;
    int before = TrackedBlockCount();
    GraphImage image;
    memset(&image, 0, sizeof(image));
    if (LoadGraphImageMemory(data, (int)size, &image) == 0) {
        RecomputeSpareMask(&image.Color.Format);
        bool asAlpha = (size & 1) != 0;
        if (image.PixelData && image.Width > 0 && image.Height > 0 &&
            (int64_t)image.Width * image.Height <= MaxGraphPixels) {
            int alphaFlag = (image.Color.Format.AlphaBits != 0 || asAlpha) ? 1 : 0;
            int paletteFlag = (image.Color.Format.ColorBitDepth == 8 && !alphaFlag) ? 1 : 0;
            int graph = CreateBlankGraph(image.Width, image.Height, alphaFlag, paletteFlag);
            if (graph >= 0) {
                if (CopyImageIntoGraph(graph, &image, asAlpha ? &image : nullptr, 0, 0) == 0 &&
                    (int64_t)image.Width * image.Height <= 4096)
                    DrawGraphAt(-(image.Width / 2), -(image.Height / 2), graph, 1);
                ReleaseGraphInternal(graph, 0);
            }
        }
        ReleaseGraphImage(&image);
    }
    FuzzCheckTrackedBlocks(before, "image load");
    return 0;
}
