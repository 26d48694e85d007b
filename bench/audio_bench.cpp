/*
** audio_bench.cpp -- cost of playing one Vorbis stream: decoding plus
** resampling-free mixing through the audio library, next to bare
** vorbisfile decoding of the same stream.  Each reports its real-time
** factor: seconds of music produced per second of CPU.
*/
#include <benchmark/benchmark.h>

#include <math.h>
#include <stdint.h>
#include <string.h>
#include <vector>
#include <vorbis/vorbisfile.h>

#include "audio.h"
#include "aud_internal.h"
#include "vorbis_writer.h"

static const int RATE = 44100;
static const int SECONDS = 10;

/* ten seconds of stereo: a drifting chord over soft noise, encoded at the
** quality the showcase music uses */
static const std::vector<unsigned char>& music()
{
    static std::vector<unsigned char> ogg;
    if (ogg.empty()) {
        long frames = (long)SECONDS * RATE;
        std::vector<float> pcm(frames * 2);
        uint32_t seed = 1;
        for (long i = 0; i < frames; i++) {
            double t = (double)i / RATE;
            seed = seed * 1664525u + 1013904223u;
            double noise = ((int)(seed >> 9) - (1 << 22)) / (double)(1 << 22);
            double chord = sin(2 * M_PI * 220 * t) + sin(2 * M_PI * (277.2 + t) * t) + sin(2 * M_PI * 329.6 * t);
            pcm[2 * i] = (float)(0.2 * chord + 0.05 * noise);
            pcm[2 * i + 1] = (float)(0.2 * chord - 0.05 * noise);
        }
        vorbisWrite(pcm.data(), frames, 2, RATE, 0.0f, ogg);
    }
    return ogg;
}

static void BM_LibraryDecodeAndMix(benchmark::State& state)
{
    const std::vector<unsigned char>& ogg = music();
    audio_setOutput(AUDIO_OUTPUT_NONE);
    audio_init(RATE, 32, 0);
    AudioStream* s = audio_streamOpen(ogg.data(), AUDIO_MODE_NORMAL | AUDIO_MODE_MEMORY, 0, (int)ogg.size());
    if (!s) {
        state.SkipWithError("stream did not open");
        return;
    }
    std::vector<short> out(2 * AUD_DEVICE_SAMPLES);
    for (auto _ : state) {
        audio_streamSetTime(s, 0);
        audio_streamPlay(AUDIO_FREE, s);
        for (long done = 0; done < (long)SECONDS * RATE; done += AUD_DEVICE_SAMPLES)
            aud_mix(out.data(), AUD_DEVICE_SAMPLES);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["realtime_factor"] = benchmark::Counter(SECONDS * (double)state.iterations(),
                                                           benchmark::Counter::kIsRate);
    audio_streamClose(s);
    audio_close();
}
BENCHMARK(BM_LibraryDecodeAndMix)->Unit(benchmark::kMillisecond);

struct Memory {
    const unsigned char* data;
    long size, pos;
};

static size_t memRead(void* ptr, size_t size, size_t count, void* src)
{
    Memory* m = (Memory*)src;
    size_t left = (size_t)(m->size - m->pos) / size;
    if (count > left)
        count = left;
    memcpy(ptr, m->data + m->pos, count * size);
    m->pos += (long)(count * size);
    return count;
}

static void BM_PlainOvRead(benchmark::State& state)
{
    const std::vector<unsigned char>& ogg = music();
    char buffer[4096 * 4];
    for (auto _ : state) {
        Memory m{ ogg.data(), (long)ogg.size(), 0 };
        OggVorbis_File file;
        ov_callbacks io = { memRead, nullptr, nullptr, nullptr };
        if (ov_open_callbacks(&m, &file, nullptr, 0, io) < 0) {
            state.SkipWithError("ov_open_callbacks failed");
            return;
        }
        int link = 0;
        while (ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &link) > 0)
            benchmark::DoNotOptimize(buffer);
        ov_clear(&file);
    }
    state.counters["realtime_factor"] = benchmark::Counter(SECONDS * (double)state.iterations(),
                                                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlainOvRead)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
