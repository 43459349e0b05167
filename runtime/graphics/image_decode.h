// Image file decoding: six format decoders over a DataStream and the dispatcher
// that tries them in a fixed order, producing a GraphImage (rows top first).
#pragma once

#include <stdint.h>

#include "runtime/file/file_ops.h"
#include "runtime/graphics/color_format.h"

// Decodes a file opened through the installed g_fileOps (archives apply) and
// read through g_fileStream. 0, or -1 when it cannot be opened or no decoder
// accepts it; *out is zeroed on failure.
int LoadGraphImageFile(const char* path, GraphImage* out);
// Decodes a memory block (not copied, not kept). 0 or -1 as above.
int LoadGraphImageMemory(const void* data, int size, GraphImage* out);
// Runs the decoders in order (BMP, JPEG, PNG, raw BGRA, TGA, DDS) on an open
// stream, seeking to 0 before each. Does not close the stream.
int LoadGraphImageStream(const DataStream* stream, intptr_t handle, GraphImage* out);

// Per-format decoders: 0 with *out filled (PixelData a tracked allocation), or
// -1 when the data is not that format or is broken (nothing left allocated).
// Each starts reading wherever the stream stands (the dispatcher seeks to 0).
int LoadBmpImage(const DataStream* stream, intptr_t handle, GraphImage* out);
int LoadJpegImage(const DataStream* stream, intptr_t handle, GraphImage* out);
int LoadPngImage(const DataStream* stream, intptr_t handle, GraphImage* out);
int LoadRawBgraImage(const DataStream* stream, intptr_t handle, GraphImage* out);
int LoadTgaImage(const DataStream* stream, intptr_t handle, GraphImage* out);
int LoadDdsImage(const DataStream* stream, intptr_t handle, GraphImage* out);

// Reverses every row in place (1 to 4 bytes per pixel). 0, or -1 for an empty image.
int MirrorGraphImage(GraphImage* image);
