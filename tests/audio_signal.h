/*
** audio_signal.h -- test signals for the audio and end-to-end tests.
**
** The position signal is a sine whose frequency steps up every second, so
** a block of decoded samples tells which second, and by its phase which
** sample, of the stream it came from.
*/
#ifndef AUDIO_SIGNAL_H
#define AUDIO_SIGNAL_H

#include <math.h>
#include <stdint.h>
#include <string.h>
#include <string>
#include <vector>

/* 300 Hz in second 0, 400 Hz in second 1, ... */
static inline float sig_value(long frame, int rate)
{
    double hz = 300.0 + 100.0 * (double)(frame / rate);
    return 0.5f * (float)sin(2.0 * 3.14159265358979323846 * hz * (double)frame / rate);
}

static inline std::vector<float> sig_positionSignal(long frames, int rate)
{
    std::vector<float> v(frames);
    for (long i = 0; i < frames; i++)
        v[i] = sig_value(i, rate);
    return v;
}

static inline std::vector<short> sig_toShort(const std::vector<float>& v)
{
    std::vector<short> s(v.size());
    for (size_t i = 0; i < v.size(); i++)
        s[i] = (short)lrintf(v[i] * 32767.0f);
    return s;
}

static inline void sig_put16(std::vector<unsigned char>& b, unsigned v) { b.push_back(v & 255); b.push_back((v >> 8) & 255); }
static inline void sig_put32(std::vector<unsigned char>& b, uint32_t v) { sig_put16(b, v & 0xFFFF); sig_put16(b, v >> 16); }

/* a RIFF WAVE image around raw sample bytes; tag 1 integer PCM, 3 float */
static inline std::vector<unsigned char> sig_wavImage(const void* data, size_t bytes, int channels, int rate,
                                                      int bits, int tag = 1)
{
    std::vector<unsigned char> b;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    sig_put32(b, (uint32_t)(36 + bytes));
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    sig_put32(b, 16);
    sig_put16(b, tag);
    sig_put16(b, channels);
    sig_put32(b, rate);
    sig_put32(b, rate * channels * bits / 8);
    sig_put16(b, channels * bits / 8);
    sig_put16(b, bits);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    sig_put32(b, (uint32_t)bytes);
    const unsigned char* p = (const unsigned char*)data;
    b.insert(b.end(), p, p + bytes);
    return b;
}

static inline std::vector<unsigned char> sig_wav16(const std::vector<short>& samples, int channels, int rate)
{
    return sig_wavImage(samples.data(), samples.size() * 2, channels, rate, 16);
}

#endif
