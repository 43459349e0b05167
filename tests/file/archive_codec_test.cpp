// The compressed-block decoder on hand-made tokens, its refusal of malformed
// blocks, and the archiver's compressor round-tripping through it.
#include <random>

#include <gtest/gtest.h>

#include "compressor.h"
#include "runtime/file/archive_format.h"

namespace {

std::vector<uint8_t> MakeBlock(uint32_t decodedSize, uint8_t escape, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> block(ArchiveCompressedHeadSize + payload.size());
    WriteLe32(&block[0], decodedSize);
    WriteLe32(&block[4], (uint32_t)block.size());
    block[8] = escape;
    std::copy(payload.begin(), payload.end(), block.begin() + ArchiveCompressedHeadSize);
    return block;
}

// Decodes into a buffer exactly the head's size; -1 or the decoded size.
int64_t Decode(const std::vector<uint8_t>& block, std::vector<uint8_t>& out) {
    int64_t size = DecompressArchiveData(block.data(), (uint32_t)block.size(), nullptr, 0);
    out.assign((size_t)size, 0xCD);
    return DecompressArchiveData(block.data(), (uint32_t)block.size(), out.data(), (uint32_t)size);
}

std::string AsText(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

TEST(ArchiveDecoder, LiteralsAndEscapedEscape) {
    std::vector<uint8_t> out;
    auto block = MakeBlock(3, 0xEE, {'x', 0xEE, 0xEE, 'y'});
    EXPECT_EQ(DecompressArchiveData(block.data(), (uint32_t)block.size(), nullptr, 0), 3);
    ASSERT_EQ(Decode(block, out), 3);
    EXPECT_EQ(out, (std::vector<uint8_t>{'x', 0xEE, 'y'}));
}

TEST(ArchiveDecoder, DistanceOneRepeatsTheLastByte) {
    std::vector<uint8_t> out;
    // length 8 = 4 + 4: c = 4 << 3, distance code 0, distance byte 0 (distance 1).
    auto block = MakeBlock(9, 0xEE, {'A', 0xEE, 0x20, 0x00});
    ASSERT_EQ(Decode(block, out), 9);
    EXPECT_EQ(AsText(out), "AAAAAAAAA");
}

TEST(ArchiveDecoder, LengthBitFourTakesAnExtraByte) {
    std::vector<uint8_t> out;
    // length 40 = 4 + 36: low five bits 4 in c, 36 >> 5 = 1 in the extra byte; distance 2.
    auto block = MakeBlock(42, 0xEE, {'A', 'B', 0xEE, (4 << 3) | 4, 0x01, 0x01});
    ASSERT_EQ(Decode(block, out), 42);
    std::string expect;
    for (int i = 0; i < 21; i++) expect += "AB";
    EXPECT_EQ(AsText(out), expect);
}

TEST(ArchiveDecoder, CodesAboveTheEscapeAreShiftedByOne) {
    std::vector<uint8_t> out;
    // Escape 0x10; the code 0x18 (length 7, distance 1) is stored as 0x19.
    auto block = MakeBlock(8, 0x10, {'Q', 0x10, 0x19, 0x00});
    ASSERT_EQ(Decode(block, out), 8);
    EXPECT_EQ(AsText(out), "QQQQQQQQ");
    // Below the escape a code is stored as it is.
    block = MakeBlock(8, 0x80, {'Q', 0x80, 0x18, 0x00});
    ASSERT_EQ(Decode(block, out), 8);
}

TEST(ArchiveDecoder, TwoAndThreeByteDistances) {
    std::vector<uint8_t> in(70000 + 8);
    for (size_t i = 0; i < in.size(); i++) in[i] = (uint8_t)(i % 200);
    // Two bytes: distance 300 (299 = 0x012B), code 1, length 4.
    std::vector<uint8_t> payload;
    payload.insert(payload.end(), in.begin(), in.begin() + 300);
    std::vector<uint8_t> tail = {0xFF, 0x01, 0x2B, 0x01};
    std::vector<uint8_t> lits(in.begin(), in.begin() + 300);
    bool escapeUsed = false;
    for (uint8_t b : lits) escapeUsed |= b == 0xFF;
    ASSERT_FALSE(escapeUsed);
    payload.insert(payload.end(), tail.begin(), tail.end());
    std::vector<uint8_t> out;
    ASSERT_EQ(Decode(MakeBlock(304, 0xFF, payload), out), 304);
    EXPECT_TRUE(std::equal(out.begin() + 300, out.end(), in.begin()));
    // Three bytes: distance 70000 (69999 = 0x01116F), code 2.
    std::vector<uint8_t> big(70000, 'z');
    big[0] = 'a';
    big[1] = 'b';
    big[2] = 'c';
    big[3] = 'd';
    std::vector<uint8_t> p2(big.begin(), big.end());
    std::vector<uint8_t> t2 = {0xFF, 0x02, 0x6F, 0x11, 0x01};
    p2.insert(p2.end(), t2.begin(), t2.end());
    ASSERT_EQ(Decode(MakeBlock(70004, 0xFF, p2), out), 70004);
    EXPECT_EQ(AsText(std::vector<uint8_t>(out.end() - 4, out.end())), "abcd");
}

TEST(ArchiveDecoder, RejectsMalformedBlocks) {
    std::vector<uint8_t> out(64);
    auto reject = [&](const std::vector<uint8_t>& block, uint32_t capacity) {
        return DecompressArchiveData(block.data(), (uint32_t)block.size(), out.data(), capacity);
    };
    EXPECT_EQ(reject(MakeBlock(4, 0xEE, {'A', 0xEE, 0x03}), 64), -1) << "distance code 3";
    EXPECT_EQ(reject(MakeBlock(9, 0xEE, {'A', 0xEE, 0x20, 0x05}), 64), -1) << "distance before the start";
    EXPECT_EQ(reject(MakeBlock(5, 0xEE, {'A', 0xEE, 0x20, 0x00}), 64), -1) << "length past the output";
    EXPECT_EQ(reject(MakeBlock(2, 0xEE, {'A', 0xEE}), 64), -1) << "escape cut short";
    EXPECT_EQ(reject(MakeBlock(40, 0xEE, {'A', 0xEE, 0x24}), 64), -1) << "length byte missing";
    EXPECT_EQ(reject(MakeBlock(9, 0xEE, {'A', 0xEE, 0x21, 0x00}), 64), -1) << "two-byte distance cut short";
    EXPECT_EQ(reject(MakeBlock(10, 0xEE, {'A', 0xEE, 0x20, 0x00}), 64), -1) << "output shorter than the head says";
    EXPECT_EQ(reject(MakeBlock(1, 0xEE, {'A', 'B'}), 64), -1) << "literal past the output";
    EXPECT_EQ(reject(MakeBlock(100, 0xEE, {'A'}), 64), -1) << "decoded size above the capacity";
    auto lying = MakeBlock(1, 0xEE, {'A'});
    WriteLe32(&lying[4], 500);
    EXPECT_EQ(reject(lying, 64), -1) << "block size past the bytes given";
    WriteLe32(&lying[4], 3);
    EXPECT_EQ(reject(lying, 64), -1) << "block size below its head";
    std::vector<uint8_t> shortHead = {1, 0, 0, 0};
    EXPECT_EQ(DecompressArchiveData(shortHead.data(), 4, out.data(), 64), -1);
}

std::vector<uint8_t> RoundTrip(const std::vector<uint8_t>& in, bool* compressed) {
    std::vector<uint8_t> block;
    *compressed = CompressArchiveData(in.data(), in.size(), block);
    if (!*compressed) return in;
    EXPECT_LT(block.size(), in.size());
    std::vector<uint8_t> out;
    EXPECT_EQ(Decode(block, out), (int64_t)in.size());
    return out;
}

TEST(ArchiveCompressor, RoundTripsVariedInputs) {
    std::mt19937 rng(1234);
    std::vector<std::vector<uint8_t>> inputs;
    inputs.push_back(std::vector<uint8_t>(20000, 0)); // longest matches
    inputs.push_back(std::vector<uint8_t>(8195 * 3 + 17, 'A'));
    std::vector<uint8_t> text;
    for (int i = 0; i < 3000; i++) {
        std::string line = "line " + std::to_string(i % 97) + " of the stage text\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    inputs.push_back(text);
    // Every byte value present, the escape among them.
    std::vector<uint8_t> all;
    for (int r = 0; r < 200; r++)
        for (int b = 0; b < 256; b++) all.push_back((uint8_t)(b ^ (r & 3)));
    inputs.push_back(all);
    // A random block repeated 100 000 bytes later: three-byte distances.
    std::vector<uint8_t> far(100000);
    for (auto& b : far) b = (uint8_t)rng();
    std::vector<uint8_t> twice = far;
    twice.insert(twice.end(), far.begin(), far.end());
    inputs.push_back(twice);
    // Mixed short runs and noise.
    std::vector<uint8_t> mixed;
    for (int i = 0; i < 50000; i++) {
        if (rng() % 4 == 0) mixed.insert(mixed.end(), 3 + rng() % 40, (uint8_t)(rng() % 3));
        else mixed.push_back((uint8_t)rng());
    }
    inputs.push_back(mixed);
    for (size_t k = 0; k < inputs.size(); k++) {
        bool compressed;
        EXPECT_EQ(RoundTrip(inputs[k], &compressed), inputs[k]) << "input " << k;
        EXPECT_TRUE(compressed) << "input " << k;
    }
}

TEST(ArchiveCompressor, StoresWhenCompressionDoesNotPay) {
    std::mt19937 rng(99);
    std::vector<uint8_t> noise(65536);
    for (auto& b : noise) b = (uint8_t)rng();
    std::vector<uint8_t> block;
    EXPECT_FALSE(CompressArchiveData(noise.data(), noise.size(), block));
    EXPECT_TRUE(block.empty());
    std::vector<uint8_t> tiny = {1, 2, 3};
    EXPECT_FALSE(CompressArchiveData(tiny.data(), tiny.size(), block));
    EXPECT_FALSE(CompressArchiveData(nullptr, 0, block));
}

TEST(ArchiveCompressor, RandomisedRoundTrips) {
    for (int seed = 0; seed < 60; seed++) {
        std::mt19937 rng((unsigned)seed);
        size_t size = 10 + rng() % 30000;
        int alphabet = 1 + (int)(rng() % 256);
        std::vector<uint8_t> in;
        while (in.size() < size) {
            if (!in.empty() && rng() % 3 == 0) {
                size_t from = rng() % in.size();
                size_t n = 1 + rng() % 300;
                for (size_t i = 0; i < n && in.size() < size; i++) in.push_back(in[from + i]);
            } else {
                in.push_back((uint8_t)(rng() % alphabet));
            }
        }
        bool compressed;
        ASSERT_EQ(RoundTrip(in, &compressed), in) << "seed " << seed;
    }
}

} // namespace
