// Packing a folder into one archive file: the folder tree, sorted and named as
// the archive stores names, compressed entry by entry and scrambled with the
// runtime's key.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "compressor.h"

struct PackStats {
    uint64_t inputBytes = 0;  // bytes of all files read
    uint64_t outputBytes = 0; // bytes of the archive image
    int files = 0;            // file entries
    int directories = 0;      // directory entries below the root
    int compressed = 0;       // files stored compressed
};

// "F" (any trailing "/" dropped) + "." + extension.
std::string DefaultArchivePath(const std::string& folder, const std::string& extension);

// Builds the archive image of folder. False with a message in error when the
// folder or one of its files cannot be read, or a name cannot be stored.
bool BuildArchiveImage(const std::string& folder, std::vector<uint8_t>& image, std::string& error, PackStats* stats,
                       const CompressorOptions& options = CompressorOptions());

// Builds the image and writes it to outPath (through a temporary file renamed over it).
bool PackFolder(const std::string& folder, const std::string& outPath, std::string& error, PackStats* stats,
                const CompressorOptions& options = CompressorOptions());
