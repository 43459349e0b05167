// MPEG audio frame headers (MPEG-1 and MPEG-2, layers I to III): what the frame
// walk of the MPEG decoder needs from each 4-byte header.
#pragma once

#include <stdint.h>

struct MpegFrameInfo {
    int mpeg1;           // 1 = MPEG-1, 0 = MPEG-2
    int layer;           // 0 = Layer I, 1 = Layer II, 2 = Layer III
    int kbps;            // bit rate in kbit/s
    int sampleRate;      // Hz
    int padding;         // the padding bit
    int channels;        // 1 (single channel) or 2
    int frameLength;     // bytes, header included
    int samplesPerFrame; // sample frames the frame decodes to
};

// Parses a header; 0, or -1 when it is no usable header (no sync, reserved layer,
// bit-rate index 0 (free format) or 15, sample-rate index 3, frame under 4 bytes).
int ParseMpegFrameHeader(const uint8_t header[4], MpegFrameInfo* info);
