/*
** vorbis_writer.h -- encodes float samples into an Ogg Vorbis file image.
**
** Shared by the music generator and the audio tests and benchmark, which
** all need streams of known content; links against libvorbisenc.
*/
#ifndef VORBIS_WRITER_H
#define VORBIS_WRITER_H

#include <string.h>
#include <vector>
#include <vorbis/vorbisenc.h>

/* samples: interleaved, -1..1; quality: -0.1 (smallest) to 1.0 (best).
** Returns false when the encoder refuses the settings. */
static inline bool vorbisWrite(const float* samples, long frames, int channels, int rate,
                               float quality, std::vector<unsigned char>& out)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) {
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    /* a fixed serial number keeps generated files identical run to run */
    ogg_stream_init(&stream, 0x4C756D65);

    out.clear();
    auto emit = [&](const ogg_page& page) {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page))
        emit(page);

    const long chunk = 1024;
    long done = 0;
    bool finished = false;
    while (!finished) {
        long n = frames - done < chunk ? frames - done : chunk;
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, (int)n);
            for (long i = 0; i < n; i++)
                for (int c = 0; c < channels; c++)
                    buffer[c][i] = samples[(done + i) * channels + c];
            vorbis_analysis_wrote(&dsp, (int)n);
            done += n;
        } else {
            vorbis_analysis_wrote(&dsp, 0);   /* end of stream */
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page)) {
                    emit(page);
                    if (ogg_page_eos(&page))
                        finished = true;
                }
            }
        }
        if (n == 0 && !finished) {
            while (ogg_stream_flush(&stream, &page))
                emit(page);
            finished = true;
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

#endif
