// Sound file decoding: a SoundDecoder recognises PCM WAVE, compressed WAVE, Ogg
// Vorbis and MPEG audio on a DataStream and delivers linear PCM in the WaveFormat
// it fixes when it opens. Sounds are decoded whole at load time.
#pragma once

#include "runtime/file/file_ops.h"
#include "runtime/platform/platform.h"

#include <stdint.h>
#include <vorbis/vorbisfile.h>

enum SoundDecoderKind {
    SoundKindPcm = 0,       // PCM WAVE read straight from the stream
    SoundKindConverted = 1, // compressed WAVE or MPEG frames through the platform codec
    SoundKindVorbis = 2     // Ogg Vorbis through vorbisfile
};

struct SoundDecoder {
    int ready;                // set by a successful SetupSoundDecoder
    int endReached;           // a read was not satisfied in full
    int kind;                 // SoundDecoderKind
    const DataStream* stream; // the stream's operations (not owned)
    intptr_t streamHandle;    // the stream's handle (not owned)
    int dataStart;            // stream offset of the first sound byte
    int dataSize;             // sound bytes in the stream
    WaveFormat outputFormat;  // PCM format of what the decoder delivers
    uint8_t* outputBuffer;    // owned block of decoded bytes
    int outputCapacity;       // its size
    int outputValid;          // decoded bytes not yet handed out
    int outputOffset;         // read offset within the block
    // kind 1
    uint8_t* sourceFormat;     // owned: the "fmt " body or the built MPEG format record
    int sourceFormatSize;      // its length
    PlatformSoundCodec* codec; // the conversion stream
    uint8_t* sourceData;       // owned copy of all source bytes
    int sourceSize;            // their length
    int sourceConsumed;        // source bytes converted so far
    int64_t totalFrames;       // sample frames in the source, -1 when not counted
    // kind 2
    OggVorbis_File vorbis; // vorbisfile state
    int vorbisOpen;        // vorbis holds an open file
    int bytesPerSample;    // bytes of one output sample (2)
    int64_t streamLength;  // bytes in the stream (caps the Vorbis size estimate)
};

// A whole decoded sound: owned PCM bytes, their length and format.
struct PcmImage {
    uint8_t* bytes;    // RT_ALLOC block (null when the length is 0)
    int length;        // bytes delivered
    WaveFormat format; // PCM format
};

// Recognises the stream's format and prepares decoding. 0, or -1 when no decoder
// accepts the stream or memory runs out.
int SetupSoundDecoder(const DataStream* stream, intptr_t handle, SoundDecoder* decoder);
// Copies up to n bytes of PCM; bytes copied, 0 once the end was reached, -1 when
// the decoder is not ready.
int ReadSoundDecoder(SoundDecoder* decoder, void* buffer, int n);
// Total PCM bytes the decoder expects to deliver (-1 when it cannot be told).
int GetSoundDecoderPcmSize(SoundDecoder* decoder);
// Decodes the whole sound into image. 0, or -1 when the image cannot be allocated.
int DecodeSoundToPcm(SoundDecoder* decoder, PcmImage* image);
// Releases everything the decoder holds. 0, or -1 when it was not ready.
int TerminateSoundDecoder(SoundDecoder* decoder);

// The format decoders' open steps (tried in this order by SetupSoundDecoder); each
// returns 0 and fills the decoder, or -1 leaving nothing allocated. Output capacity
// is chosen by the winner and written to decoder->outputCapacity.
int OpenPcmWave(SoundDecoder* decoder);
int OpenCompressedWave(SoundDecoder* decoder);
int OpenOggVorbis(SoundDecoder* decoder);
int OpenMpegAudio(SoundDecoder* decoder);

// Refills the output buffer by kind: 0 with outputValid > 0, or -1 at the end.
int RefillPcmWave(SoundDecoder* decoder);
int RefillConverted(SoundDecoder* decoder);
int RefillOggVorbis(SoundDecoder* decoder);
// Kind 2's total PCM bytes, -1 when too large.
int OggVorbisPcmSize(SoundDecoder* decoder);

// Stream helpers shared by the format decoders.
int StreamReadBytes(SoundDecoder* decoder, void* buffer, int bytes);
int64_t StreamLength(SoundDecoder* decoder);
// Releases what a kind 1 decoder holds (codec, source format, source data).
void ReleaseConvertedSource(SoundDecoder* decoder);
// Fills the conversion fields from a source format and data range, as decoders 2
// and 4 share: data read whole, suggested PCM format, codec opened. 0 or -1.
int OpenConvertedSource(SoundDecoder* decoder);
