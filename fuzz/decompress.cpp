// The archive decompressor alone: the input as a stored block, decoded into a buffer of
// exactly the size its head claims and into one a byte too small; then the input as
// plain data through the archiver's compressor and back, which must give it unchanged.
#include "runtime/file/archive_format.h"
#include "tools/archiver/compressor.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

// Heads may claim more than the data can hold; beyond this the decoder must refuse.
static const int64_t MaxDecoded = 16 << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    int64_t claimed = DecompressArchiveData(data, (uint32_t)size, nullptr, 0);
    // The head alone is only a claim: callers bound it by the stored bytes (a token of
    // at most 4 bytes gives at most 8195) before allocating, and so does this harness.
    int64_t plausible = size > ArchiveCompressedHeadSize ? (int64_t)(size - ArchiveCompressedHeadSize) * 2049 : 0;
    if (claimed > plausible || claimed > MaxDecoded) {
        static uint8_t small[4096];
        if (claimed > (int64_t)sizeof(small) &&
            DecompressArchiveData(data, (uint32_t)size, small, (uint32_t)sizeof(small)) != -1) {
            fprintf(stderr, "a block claiming %lld bytes decoded into %d\n", (long long)claimed, (int)sizeof(small));
            abort();
        }
    } else if (claimed >= 0) {
        // Exact-size heap blocks, so any write past the end is caught.
        uint8_t* out = (uint8_t*)malloc((size_t)claimed + 1);
        int64_t got = DecompressArchiveData(data, (uint32_t)size, out, (uint32_t)claimed);
        if (got != -1 && got != claimed) {
            fprintf(stderr, "decoded %lld bytes, head says %lld\n", (long long)got, (long long)claimed);
            abort();
        }
        if (claimed > 0 && DecompressArchiveData(data, (uint32_t)size, out, (uint32_t)claimed - 1) != -1) {
            fprintf(stderr, "a buffer one byte short was accepted\n");
            abort();
        }
        free(out);
    }

    std::vector<uint8_t> packed;
    CompressorOptions options;
    options.maxChain = 16;
    if (CompressArchiveData(data, size, packed, options)) {
        std::vector<uint8_t> back(size);
        int64_t got = DecompressArchiveData(packed.data(), (uint32_t)packed.size(), back.data(), (uint32_t)size);
        if (got != (int64_t)size || memcmp(back.data(), data, size) != 0) {
            fprintf(stderr, "compressed data did not come back unchanged\n");
            abort();
        }
    }
    return 0;
}
