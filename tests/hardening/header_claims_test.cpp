// Headers that claim far more than their file holds: every image and sound decoder
// and the archive reader must check the claim against the bytes present before
// allocating, so a file of a few dozen bytes never gets a block of megabytes.
#include "tests/hardening/alloc_watch.h"

#include "runtime/core/memory.h"
#include "runtime/file/archive.h"
#include "runtime/file/file_ops.h"
#include "runtime/graphics/image_decode.h"
#include "runtime/sound/sound_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// Far below any claim below, far above what these few bytes can fill.
const size_t kMostAllowed = 2u << 20;

typedef std::vector<uint8_t> Bytes;

void Le16(Bytes& b, uint32_t v) {
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}
void Le32(Bytes& b, uint32_t v) {
    Le16(b, v & 0xFFFF);
    Le16(b, v >> 16);
}
void Be16(Bytes& b, uint32_t v) {
    b.push_back((uint8_t)(v >> 8));
    b.push_back((uint8_t)v);
}
void Be32(Bytes& b, uint32_t v) {
    Be16(b, v >> 16);
    Be16(b, v & 0xFFFF);
}
void Text(Bytes& b, const char* s) {
    b.insert(b.end(), s, s + strlen(s));
}

// Decodes bytes as an image; returns the decoder's result and the largest allocation.
int DecodeImage(const Bytes& bytes, size_t* largest) {
    int before = TrackedBlockCount();
    GraphImage image;
    memset(&image, 0, sizeof(image));
    StartAllocWatch();
    int result = LoadGraphImageMemory(bytes.data(), (int)bytes.size(), &image);
    *largest = EndAllocWatch();
    if (result == 0) ReleaseGraphImage(&image);
    EXPECT_EQ(TrackedBlockCount(), before);
    return result;
}

Bytes BmpHeader(int32_t width, int32_t height, int bits, int compression, int dataBytes) {
    Bytes b;
    Text(b, "BM");
    Le32(b, 54 + dataBytes);
    Le32(b, 0);
    Le32(b, 54 + (bits <= 8 ? 4 << bits : 0));
    Le32(b, 40);
    Le32(b, (uint32_t)width);
    Le32(b, (uint32_t)height);
    Le16(b, 1);
    Le16(b, bits);
    Le32(b, compression);
    Le32(b, dataBytes);
    Le32(b, 2835);
    Le32(b, 2835);
    Le32(b, 0);
    Le32(b, 0);
    if (bits <= 8) b.resize(b.size() + (4u << bits), 0x40);
    b.resize(b.size() + dataBytes, 0);
    return b;
}

void PngChunk(Bytes& b, const char* type, const Bytes& body) {
    Be32(b, (uint32_t)body.size());
    size_t start = b.size();
    Text(b, type);
    b.insert(b.end(), body.begin(), body.end());
    Be32(b, (uint32_t)crc32(0, b.data() + start, (uInt)(b.size() - start)));
}

TEST(HeaderClaimsTest, ImagesOfHugeSizeInTinyFilesAreRefusedBeforeAllocating) {
    size_t largest = 0;
    // The watch sees the decoders' blocks: an honest 4 x 4 picture gets its pixels.
    ASSERT_EQ(DecodeImage(BmpHeader(4, 4, 24, 0, 48), &largest), 0);
    EXPECT_GE(largest, 48u);
    // BMP: 30000 x 30000 of 24-bit pixels claimed, 16 bytes present.
    EXPECT_EQ(DecodeImage(BmpHeader(30000, 30000, 24, 0, 16), &largest), -1);
    EXPECT_LT(largest, kMostAllowed);
    // BMP RLE8: 60000 x 60000, a single end-of-bitmap code.
    Bytes rle = BmpHeader(60000, 60000, 8, 1, 0);
    rle.push_back(0);
    rle.push_back(1);
    EXPECT_EQ(DecodeImage(rle, &largest), -1);
    EXPECT_LT(largest, kMostAllowed);
    // BMP bitfields 32-bit, top-down, 20000 x 20000.
    EXPECT_EQ(DecodeImage(BmpHeader(20000, -20000, 32, 0, 8), &largest), -1);
    EXPECT_LT(largest, kMostAllowed);

    // PNG: 65535 x 65535 RGBA and an IDAT of a few bytes.
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    Be32(ihdr, 65535);
    Be32(ihdr, 65535);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    PngChunk(png, "IHDR", ihdr);
    PngChunk(png, "IDAT", Bytes{0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01});
    PngChunk(png, "IEND", Bytes());
    EXPECT_EQ(DecodeImage(png, &largest), -1);
    EXPECT_LT(largest, kMostAllowed);

    // JPEG: a frame of 65000 x 65000 with three components and a scan header.
    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xC0};
    Be16(jpeg, 17);
    jpeg.push_back(8);
    Be16(jpeg, 65000);
    Be16(jpeg, 65000);
    jpeg.insert(jpeg.end(), {3, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0});
    jpeg.insert(jpeg.end(), {0xFF, 0xDA});
    Be16(jpeg, 12);
    jpeg.insert(jpeg.end(), {3, 1, 0, 2, 0, 3, 0, 0, 63, 0, 0x12, 0x34, 0xFF, 0xD9});
    EXPECT_EQ(DecodeImage(jpeg, &largest), -1);
    EXPECT_LT(largest, kMostAllowed);

    // TGA: run-length true colour, 65535 x 65535, one packet.
    Bytes tga = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Le16(tga, 65535);
    Le16(tga, 65535);
    tga.insert(tga.end(), {32, 8, 0xFF, 1, 2, 3, 4});
    EXPECT_EQ(DecodeImage(tga, &largest), -1);
    EXPECT_LT(largest, kMostAllowed);

    // DDS: uncompressed 32-bit, 40000 x 40000, no pixel data.
    Bytes dds;
    Text(dds, "DDS ");
    Le32(dds, 124);
    Le32(dds, 0x100F);
    Le32(dds, 40000);
    Le32(dds, 40000);
    Le32(dds, 160000);
    dds.resize(4 + 76, 0);
    Le32(dds, 32);
    Le32(dds, 0x41);
    Le32(dds, 0);
    Le32(dds, 32);
    Le32(dds, 0x00FF0000);
    Le32(dds, 0x0000FF00);
    Le32(dds, 0x000000FF);
    Le32(dds, 0xFF000000);
    dds.resize(128, 0);
    EXPECT_EQ(DecodeImage(dds, &largest), -1);
    EXPECT_LT(largest, kMostAllowed);

    // Raw BGRA: 0x7FFFFFF x 16 claimed in a 24-byte file.
    Bytes raw;
    Text(raw, "BGRA");
    Le32(raw, 0x08080808);
    Le32(raw, 0x7FFFFFF);
    Le32(raw, 16);
    Le32(raw, 0xFFFFFFFF);
    Le32(raw, 0xFFFFFFFF);
    EXPECT_EQ(DecodeImage(raw, &largest), -1);
    EXPECT_LT(largest, kMostAllowed);
}

// Decodes bytes as a sound through the decoder API; returns the PCM length or -1.
int DecodeSound(const Bytes& bytes, size_t* largest) {
    int before = TrackedBlockCount();
    MemoryStream* stream = OpenMemoryStream(bytes.data(), (int)bytes.size());
    if (!stream) return -2;
    SoundDecoder decoder;
    StartAllocWatch();
    int length = -1;
    if (SetupSoundDecoder(&g_memoryStream, (intptr_t)stream, &decoder) == 0) {
        PcmImage image;
        memset(&image, 0, sizeof(image));
        if (DecodeSoundToPcm(&decoder, &image) == 0) {
            length = image.length;
            if (image.bytes) RT_FREE(image.bytes);
        }
        TerminateSoundDecoder(&decoder);
    }
    *largest = EndAllocWatch();
    g_memoryStream.close((intptr_t)stream);
    EXPECT_EQ(TrackedBlockCount(), before);
    return length;
}

Bytes WaveFile(int tag, int channels, int rate, int blockAlign, int bits, const Bytes& extra, uint32_t claimedData,
               int presentData) {
    Bytes b;
    Text(b, "RIFF");
    Le32(b, 0x7FFFFFF0);
    Text(b, "WAVE");
    Text(b, "fmt ");
    Le32(b, 16 + (extra.empty() ? 0 : 2 + (uint32_t)extra.size()));
    Le16(b, tag);
    Le16(b, channels);
    Le32(b, rate);
    Le32(b, rate * blockAlign);
    Le16(b, blockAlign);
    Le16(b, bits);
    if (!extra.empty()) {
        Le16(b, (uint32_t)extra.size());
        b.insert(b.end(), extra.begin(), extra.end());
    }
    Text(b, "fact");
    Le32(b, 4);
    Le32(b, 0x7FFFFFF0);
    Text(b, "data");
    Le32(b, claimedData);
    b.resize(b.size() + presentData, 0x11);
    return b;
}

TEST(HeaderClaimsTest, SoundsClaimingHugeDataGetOnlyWhatIsPresent) {
    size_t largest = 0;
    // PCM: 2 GB of data claimed, 8 bytes present.
    int got = DecodeSound(WaveFile(1, 2, 44100, 4, 16, Bytes(), 0x7FFFFF00, 8), &largest);
    EXPECT_LE(got, 8);
    EXPECT_LT(largest, kMostAllowed);
    // IMA ADPCM with a fact chunk of 2^31 frames and 4 data bytes.
    Bytes ima = {0xF9, 0x01};
    got = DecodeSound(WaveFile(0x11, 1, 8000, 256, 4, ima, 0x7FFFFF00, 4), &largest);
    EXPECT_LE(got, 1 << 20);
    EXPECT_LT(largest, kMostAllowed);
    // A "fmt " chunk of 2 GB.
    Bytes fmt;
    Text(fmt, "RIFF");
    Le32(fmt, 40);
    Text(fmt, "WAVEfmt ");
    Le32(fmt, 0x7FFFFFF0);
    fmt.resize(44, 0);
    EXPECT_EQ(DecodeSound(fmt, &largest), -1);
    EXPECT_LT(largest, kMostAllowed);
    // MPEG: one frame header of the highest rate, repeated in 40 bytes.
    Bytes mpeg;
    for (int i = 0; i < 10; i++) mpeg.insert(mpeg.end(), {0xFF, 0xFB, 0xE4, 0x00});
    got = DecodeSound(mpeg, &largest);
    EXPECT_LE(got, 1 << 20);
    EXPECT_LT(largest, kMostAllowed);
}

// Writes bytes as a file in a scratch folder and opens it as an archive.
class ArchiveFile {
public:
    explicit ArchiveFile(const Bytes& bytes) {
        char path[] = "/tmp/bkt-claims-XXXXXX";
        if (!mkdtemp(path)) return;
        m_folder = path;
        m_file = m_folder + "/TEST.QMA";
        FILE* f = fopen(m_file.c_str(), "wb");
        if (!f) return;
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    ~ArchiveFile() {
        if (!m_file.empty()) remove(m_file.c_str());
        if (!m_folder.empty()) rmdir(m_folder.c_str());
    }
    const char* path() const { return m_file.c_str(); }

private:
    std::string m_folder, m_file;
};

// Scrambles an archive image with the key the reader tries first.
void Scramble(Bytes& bytes) {
    ArchiveKey key;
    BuildArchiveKey(&key);
    UnscrambleArchiveBytes(bytes.data(), (uint32_t)bytes.size(), 0, &key);
}

TEST(HeaderClaimsTest, ArchiveTablesAndEntriesLargerThanTheFileAreRefused) {
    size_t largest = 0;
    int before = TrackedBlockCount();
    // A header whose table block is 1 GB, in a 40-byte file.
    Bytes header;
    Text(header, "QM");
    Le16(header, 2);
    Le32(header, 0x40000000);
    Le32(header, 24);
    Le32(header, 24);
    Le32(header, 0);
    Le32(header, 0);
    header.resize(40, 0);
    Scramble(header);
    {
        ArchiveFile file(header);
        StartAllocWatch();
        OpenArchive* archive = OpenArchiveAt(file.path());
        largest = EndAllocWatch();
        EXPECT_EQ(archive, nullptr);
        CloseArchive(archive);
    }
    EXPECT_LT(largest, kMostAllowed);

    // A sound table with one compressed entry claiming 1 GB decoded from 12 stored bytes.
    Bytes a;
    Text(a, "QM");
    Le16(a, 2);
    uint32_t tableSize = 8 + 44 + 16;
    Le32(a, tableSize);
    Le32(a, 24);      // data area
    Le32(a, 24 + 12); // table block after the 12 data bytes
    Le32(a, 8);       // file table
    Le32(a, 8 + 44);  // directory table
    Bytes data = {0x00, 0x00, 0x00, 0x40, 12, 0, 0, 0, 0xFE, 1, 2, 3};
    a.insert(a.end(), data.begin(), data.end());
    Bytes table;
    Le16(table, 1); // name "A": one word
    Le16(table, 'A');
    Text(table, "A");
    table.resize(8, 0);
    Le32(table, 0);    // file entry: name at 0
    Le32(table, 0x20); // attributes
    table.resize(8 + 32, 0);
    Le32(table, 0);          // data offset
    Le32(table, 0x40000000); // decoded size
    Le32(table, 12);         // stored size
    Le32(table, 0);          // root directory: own entry
    Le32(table, 0xFFFFFFFF); // no parent
    Le32(table, 1);          // one entry
    Le32(table, 0);          // first entry
    a.insert(a.end(), table.begin(), table.end());
    Scramble(a);
    {
        ArchiveFile file(a);
        OpenArchive* archive = OpenArchiveAt(file.path());
        ASSERT_NE(archive, nullptr);
        ArchiveEntryState state;
        memset(&state, 0, sizeof(state));
        StartAllocWatch();
        EXPECT_EQ(OpenArchiveEntry(archive, "A", &state), -1);
        largest = EndAllocWatch();
        CloseArchive(archive);
    }
    EXPECT_LT(largest, kMostAllowed);
    EXPECT_EQ(TrackedBlockCount(), before);
}

} // namespace
