// Compression for archive entries. The escape byte is the input's least
// frequent byte; matches of 4..8195 bytes at distances up to 16 M are found
// through a hash chain over 4-byte prefixes, with one step of lazy matching,
// and a match is only emitted when its token is shorter than its literals.
#include "compressor.h"

#include <string.h>

#include "runtime/file/archive_format.h"

namespace {

const uint32_t kNoPosition = 0xFFFFFFFFu;

uint32_t Hash4(const uint8_t* p, int bits) {
    uint32_t v;
    memcpy(&v, p, 4);
    return (v * 2654435761u) >> (32 - bits);
}

// About two buckets per input byte (at most 2^22), so chains hold few
// positions whose prefixes merely share a hash.
int HashBitsFor(size_t size) {
    int bits = 10;
    while (bits < 22 && ((size_t)1 << bits) < size * 2) bits++;
    return bits;
}

// Bytes that agree at a and b, at most limit; eight at a time.
size_t MatchLength(const uint8_t* a, const uint8_t* b, size_t limit) {
    size_t n = 0;
    while (n + 8 <= limit) {
        uint64_t x, y;
        memcpy(&x, a + n, 8);
        memcpy(&y, b + n, 8);
        uint64_t diff = x ^ y;
        if (diff) return n + (size_t)(__builtin_ctzll(diff) >> 3);
        n += 8;
    }
    while (n < limit && a[n] == b[n]) n++;
    return n;
}

int DistanceBytes(uint32_t distance) {
    uint32_t d = distance - 1;
    return d < 0x100 ? 1 : d < 0x10000 ? 2 : 3;
}

// Bytes the token of a match costs.
int MatchCost(uint32_t length, uint32_t distance) {
    return 2 + ((length - ArchiveMinMatch) >= 32 ? 1 : 0) + DistanceBytes(distance);
}

struct Match {
    uint32_t length = 0;
    uint32_t distance = 0;
    int gain = 0; // literal bytes saved
};

struct Matcher {
    const uint8_t* data;
    size_t size;
    uint8_t escape;
    int hashBits;
    std::vector<uint32_t> head;
    std::vector<uint32_t> prev;
    const CompressorOptions* options;

    void Insert(size_t i) {
        if (i + 4 > size) return;
        uint32_t h = Hash4(data + i, hashBits);
        prev[i] = head[h];
        head[h] = (uint32_t)i;
    }

    // Cost of the bytes as literals (an escape byte costs two).
    int LiteralCost(size_t from, uint32_t length) const {
        int cost = 0;
        for (uint32_t k = 0; k < length; k++) cost += data[from + k] == escape ? 2 : 1;
        return cost;
    }

    Match Best(size_t i) const {
        Match best;
        if (i + ArchiveMinMatch > size) return best;
        size_t limit = size - i < (size_t)ArchiveMaxMatch ? size - i : (size_t)ArchiveMaxMatch;
        uint32_t candidate = prev[i];
        int chain = options->maxChain;
        while (candidate != kNoPosition && chain-- > 0) {
            size_t distance = i - candidate;
            if (distance > (size_t)ArchiveMaxDistance) break;
            const uint8_t* a = data + candidate;
            const uint8_t* b = data + i;
            if (best.length == 0 || (best.length < limit && a[best.length] == b[best.length])) {
                size_t n = MatchLength(a, b, limit);
                if (n >= (size_t)ArchiveMinMatch) {
                    int gain = LiteralCost(i, (uint32_t)n) - MatchCost((uint32_t)n, (uint32_t)distance);
                    if (gain > best.gain) {
                        best.length = (uint32_t)n;
                        best.distance = (uint32_t)distance;
                        best.gain = gain;
                        if (n >= (size_t)options->niceLength || n == limit) break;
                        if (n >= (size_t)options->goodLength && chain > options->maxChain / 4)
                            chain = options->maxChain / 4;
                    }
                }
            }
            candidate = prev[candidate];
        }
        return best;
    }
};

uint8_t LeastFrequentByte(const uint8_t* data, size_t size) {
    size_t counts[256] = {};
    for (size_t i = 0; i < size; i++) counts[data[i]]++;
    int best = 0;
    for (int b = 1; b < 256; b++)
        if (counts[b] < counts[best]) best = b;
    return (uint8_t)best;
}

void EmitLiteral(std::vector<uint8_t>& out, uint8_t b, uint8_t escape) {
    out.push_back(b);
    if (b == escape) out.push_back(escape);
}

void EmitMatch(std::vector<uint8_t>& out, uint32_t length, uint32_t distance, uint8_t escape) {
    uint32_t l = length - ArchiveMinMatch;
    uint32_t d = distance - 1;
    int code = d < 0x100 ? 0 : d < 0x10000 ? 1 : 2;
    uint32_t c = ((l & 31) << 3) | (l >= 32 ? 4u : 0u) | (uint32_t)code;
    // The decoder takes one off any code above the escape, so the escape value
    // itself stays free to mean a literal escape byte. c never exceeds 0xFE.
    if (c >= escape) c++;
    out.push_back(escape);
    out.push_back((uint8_t)c);
    if (l >= 32) out.push_back((uint8_t)(l >> 5));
    out.push_back((uint8_t)d);
    if (code >= 1) out.push_back((uint8_t)(d >> 8));
    if (code == 2) out.push_back((uint8_t)(d >> 16));
}

} // namespace

bool CompressArchiveData(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                         const CompressorOptions& options) {
    out.clear();
    if (size <= ArchiveCompressedHeadSize || size > 0x7FFFFFFF) return false;
    Matcher m;
    m.data = data;
    m.size = size;
    m.escape = LeastFrequentByte(data, size);
    m.hashBits = HashBitsFor(size);
    m.head.assign((size_t)1 << m.hashBits, kNoPosition);
    m.prev.assign(size, kNoPosition);
    m.options = &options;

    out.reserve(size / 2 + 64);
    out.resize(ArchiveCompressedHeadSize);
    size_t i = 0;
    m.Insert(0);
    Match pending = m.Best(0);
    while (i < size) {
        Match match = pending;
        if (match.length && match.length < (uint32_t)options.maxLazy && i + 1 < size) {
            m.Insert(i + 1);
            Match next = m.Best(i + 1);
            if (next.gain > match.gain) {
                // A better match starts one byte later: emit this byte alone.
                EmitLiteral(out, data[i], m.escape);
                i++;
                pending = next;
                continue;
            }
            if (match.length) {
                EmitMatch(out, match.length, match.distance, m.escape);
                for (size_t k = i + 2; k < i + match.length; k++) m.Insert(k);
                i += match.length;
                if (i < size) {
                    m.Insert(i);
                    pending = m.Best(i);
                }
                continue;
            }
        }
        if (match.length) {
            EmitMatch(out, match.length, match.distance, m.escape);
            for (size_t k = i + 1; k < i + match.length; k++) m.Insert(k);
            i += match.length;
        } else {
            EmitLiteral(out, data[i], m.escape);
            i++;
        }
        if (i < size) {
            m.Insert(i);
            pending = m.Best(i);
        }
        if (out.size() >= size) break;
    }
    if (i < size || out.size() >= size) {
        out.clear();
        return false;
    }
    WriteLe32(out.data(), (uint32_t)size);
    WriteLe32(out.data() + 4, (uint32_t)out.size());
    out[8] = m.escape;
    return true;
}
