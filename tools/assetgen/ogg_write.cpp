// libvorbisenc driver. The stream serial number is fixed (it would otherwise be random)
// and no time or host data goes into the comment header.
#include "ogg_write.h"

#include <cstddef>
#include <vorbis/vorbisenc.h>

#include <cstdio>

namespace {
const int kSerial = 0x424B5431; // fixed Ogg stream serial
bool WritePage(FILE* f, const ogg_page& pg) {
    return std::fwrite(pg.header, 1, pg.header_len, f) == static_cast<size_t>(pg.header_len) &&
           std::fwrite(pg.body, 1, pg.body_len, f) == static_cast<size_t>(pg.body_len);
}
} // namespace

bool WriteOggVorbis(const std::string& path, const std::vector<float>& left, const std::vector<float>& right, int rate,
                    float quality) {
    if (left.size() != right.size()) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 2, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        std::fclose(f);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", "Borra Kez Ti - climbing theme");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, kSerial);
    ogg_packet hdr, hdrComm, hdrCode;
    vorbis_analysis_headerout(&vd, &vc, &hdr, &hdrComm, &hdrCode);
    ogg_stream_packetin(&os, &hdr);
    ogg_stream_packetin(&os, &hdrComm);
    ogg_stream_packetin(&os, &hdrCode);
    ogg_page og;
    ogg_packet op;
    bool ok = true;
    while (ogg_stream_flush(&os, &og) != 0) ok = ok && WritePage(f, og);
    size_t pos = 0;
    bool eos = false;
    while (!eos) {
        size_t n = left.size() - pos;
        if (n > 1024) n = 1024;
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t k = 0; k < n; ++k) {
                buf[0][k] = left[pos + k];
                buf[1][k] = right[pos + k];
            }
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            pos += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (!eos && ogg_stream_pageout(&os, &og) != 0) {
                    ok = ok && WritePage(f, og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return std::fclose(f) == 0 && ok;
}
