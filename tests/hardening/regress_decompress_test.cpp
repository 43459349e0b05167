// Inputs the decompressor's fuzz target found: a 13-byte block whose head claims
// 64 MB. The head is reported as it is (callers bound it by the stored bytes), and
// decoding it into any buffer fails without writing past it.
#include "runtime/file/archive_format.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

TEST(RegressDecompressTest, TinyBlockClaimingSixtyFourMegabytes) {
    const uint8_t block[13] = {0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0xB0, 0x09, 0x00, 0x00, 0x01, 0x02};
    EXPECT_EQ(DecompressArchiveData(block, sizeof(block), nullptr, 0), 0x04000000);
    uint8_t out[4096 + 16];
    memset(out, 0xA5, sizeof(out));
    EXPECT_EQ(DecompressArchiveData(block, sizeof(block), out, 4096), -1);
    for (size_t i = 4096; i < sizeof(out); i++) EXPECT_EQ(out[i], 0xA5) << "written past the buffer at " << i;
    // Not even the head's block size fits the 13 bytes.
    EXPECT_EQ(DecompressArchiveData(block, 8, out, 4096), -1);
}

} // namespace
