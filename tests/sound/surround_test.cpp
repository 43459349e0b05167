// Sounds of more than two channels: Ogg Vorbis files (encoded here in Vorbis channel
// order) and a 6-channel WAVE file play their front left and front right on the left
// and right speakers, and the decoded image keeps every channel in WAVE order.
#include <vorbis/vorbisenc.h>

#include <math.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "sound_runtime_fixture.h"

namespace {

void AppendPage(Bytes& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// One second of a sine per channel, given in the file's own (Vorbis) channel order.
Bytes EncodeVorbisTones(const std::vector<int>& frequencies, int rate) {
    int channels = (int)frequencies.size();
    Bytes out;
#if defined(__SANITIZE_ADDRESS__)
    // libvorbisenc's set-up for six channels keeps one block (2848 bytes) that
    // vorbis_info_clear never frees; it is the library's, not ours.
    __lsan::ScopedDisabler libraryLeak;
#endif
    vorbis_info vi;
    vorbis_info_init(&vi);
    EXPECT_EQ(vorbis_encode_init_vbr(&vi, channels, rate, 0.5f), 0);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);
    ogg_packet header, comment, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    while (ogg_stream_flush(&os, &page)) AppendPage(out, page);
    float** buffer = vorbis_analysis_buffer(&vd, rate);
    for (int c = 0; c < channels; c++)
        for (int j = 0; j < rate; j++) buffer[c][j] = 0.4f * (float)sin(2 * M_PI * frequencies[(size_t)c] * j / rate);
    vorbis_analysis_wrote(&vd, rate);
    vorbis_analysis_wrote(&vd, 0);
    ogg_packet packet;
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
        vorbis_analysis(&vb, nullptr);
        vorbis_bitrate_addblock(&vb);
        while (vorbis_bitrate_flushpacket(&vd, &packet)) {
            ogg_stream_packetin(&os, &packet);
            while (ogg_stream_pageout(&os, &page)) AppendPage(out, page);
        }
    }
    while (ogg_stream_flush(&os, &page)) AppendPage(out, page);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

// Distinct tones, none a multiple of another, so every channel is recognisable.
const int kFrontLeft = 300, kFrontRight = 700, kCentre = 500, kRearLeft = 900, kRearRight = 1100, kLfe = 60;

struct SurroundCase {
    const char* name;
    std::vector<int> fileOrder; // the tone of each channel as stored in the file
    std::vector<int> waveOrder; // the tone each channel of the image must hold
};

using Surround = SoundRuntime;

TEST_F(Surround, FrontPairPlaysLeftAndRightAndTheImageIsInWaveOrder) {
    const SurroundCase cases[] = {
        {"ogg3", {kFrontLeft, kCentre, kFrontRight}, {kFrontLeft, kFrontRight, kCentre}},
        {"ogg6",
         {kFrontLeft, kCentre, kFrontRight, kRearLeft, kRearRight, kLfe},
         {kFrontLeft, kFrontRight, kCentre, kLfe, kRearLeft, kRearRight}},
        {"wav6",
         {kFrontLeft, kFrontRight, kCentre, kLfe, kRearLeft, kRearRight},
         {kFrontLeft, kFrontRight, kCentre, kLfe, kRearLeft, kRearRight}},
    };
    Start();
    for (const SurroundCase& t : cases) {
        SCOPED_TRACE(t.name);
        int channels = (int)t.fileOrder.size();
        std::string path = ScratchFolder() + "/" + t.name + (t.name[0] == 'o' ? ".ogg" : ".wav");
        if (t.name[0] == 'o') {
            WriteFileBytes(path, EncodeVorbisTones(t.fileOrder, 44100));
        } else {
            if (!HaveTool("sox")) continue;
            std::string tones;
            for (int f : t.fileOrder) tones += " sine " + std::to_string(f);
            ASSERT_TRUE(RunTool("/usr/bin/sox -n -r 44100 -c 6 -b 16 " + path + " synth 1" + tones + " vol 0.4"));
        }
        DecodeResult image = DecodeBytes(ReadFileBytes(path));
        ASSERT_TRUE(image.decoded);
        ASSERT_EQ(image.format.Channels, channels);
        std::vector<int16_t> s = AsSamples(image.pcm);
        for (int c = 0; c < channels; c++)
            EXPECT_NEAR(ZeroCrossingFrequency(Channel(s, channels, c), 44100), t.waveOrder[(size_t)c],
                        t.waveOrder[(size_t)c] / 50 + 2)
                << "channel " << c;

        SoundHandle h = LoadSoundFile(path.c_str(), 1);
        ASSERT_NE(h, -1);
        ASSERT_EQ(PlaySoundHandle(h, 1, 0), 0);
        std::vector<int16_t> out = Mix(22050);
        StopSoundHandle(h);
        DeleteSoundHandle(h);
        // Only the front pair is heard: a centre mixed in would move the crossings.
        EXPECT_NEAR(ZeroCrossingFrequency(Channel(out, 2, 0), 44100), kFrontLeft, 6);
        EXPECT_NEAR(ZeroCrossingFrequency(Channel(out, 2, 1), 44100), kFrontRight, 14);
        EXPECT_GT(Rms(Channel(out, 2, 1)), 5000);
    }
}

} // namespace
