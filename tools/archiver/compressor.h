// The archiver's compressor: turns a file's bytes into the token format the
// runtime's archive decoder reads (literals, an escape byte, long matches).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

struct CompressorOptions {
    int maxChain = 256;   // hash-chain candidates tried per position
    int niceLength = 258; // a match this long ends the search
    int goodLength = 32;  // from this length on only a quarter of the chain is tried
    int maxLazy = 64;     // matches shorter than this try the next position first
};

// Writes the compressed block (9-byte head and payload) into out. Returns false,
// leaving out empty, when the block would not be smaller than the input: the
// caller then stores the bytes as they are.
bool CompressArchiveData(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                         const CompressorOptions& options = CompressorOptions());
