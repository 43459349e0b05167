// Seed maker for the decompressor target: each named file (first 16 KB) and a few
// made-up patterns compressed with the archiver's compressor, one block per file.
#include "tools/archiver/compressor.h"

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

static void WriteBlock(const std::string& path, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> block;
    if (!CompressArchiveData(data.data(), data.size(), block)) return;
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return;
    fwrite(block.data(), 1, block.size(), file);
    fclose(file);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: fuzz_seed_blocks OUTDIR [FILE...]\n");
        return 2;
    }
    std::string out = argv[1];
    for (int i = 2; i < argc; i++) {
        FILE* file = fopen(argv[i], "rb");
        if (!file) continue;
        std::vector<uint8_t> data(16384);
        data.resize(fread(data.data(), 1, data.size(), file));
        fclose(file);
        const char* base = strrchr(argv[i], '/');
        WriteBlock(out + "/" + (base ? base + 1 : argv[i]) + ".blk", data);
    }
    // Long runs, a repeated phrase, and a byte ramp with far repeats.
    WriteBlock(out + "/zeros.blk", std::vector<uint8_t>(20000, 0));
    std::string phrase;
    for (int i = 0; i < 200; i++) phrase += "borra kez ti " + std::to_string(i % 17) + " ";
    WriteBlock(out + "/phrase.blk", std::vector<uint8_t>(phrase.begin(), phrase.end()));
    std::vector<uint8_t> ramp;
    for (int r = 0; r < 4; r++)
        for (int i = 0; i < 3000; i++) ramp.push_back((uint8_t)(i * 7 + (i >> 8)));
    WriteBlock(out + "/ramp.blk", ramp);
    return 0;
}
