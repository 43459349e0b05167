// The archiver's compressor: turns a file's bytes into the token format the
// runtime's archive decoder reads (literals, an escape byte, long matches).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

struct CompressorOptions {
    int maxChain = 256;   // hash-chain candidates tried per position
    int niceLength = 1024; // a match this long is taken without looking further
    bool lazy = true;     // try the next position before committing to a match
};

// Writes the compressed block (9-byte head and payload) into out. Returns false,
// leaving out empty, when the block would not be smaller than the input: the
// caller then stores the bytes as they are.
bool CompressArchiveData(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                         const CompressorOptions& options = CompressorOptions());
