/*
** audio_test.cpp -- the audio library: decoding, seeking, resampling,
** mixing, the device's pause and re-initialisation, error codes, and the
** sound section's positioning through the kernel wrapper.
**
** Mixing tests use the device-less output and pull the mix themselves, so
** they are exact and independent of timing; the device tests run SDL's
** dummy driver.
*/
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include <SDL/SDL.h>

#include "audio.h"
#include "aud_internal.h"
#include "audio_signal.h"
#include "dkernel.h"
#include "sectiontypes.h"
#include "vorbis_writer.h"

static const unsigned MODE = AUDIO_MODE_NORMAL | AUDIO_MODE_MEMORY | AUDIO_MODE_ACCURATE;

struct AudioTest : ::testing::Test {
    void TearDown() override { audio_close(); }
};

static AudioStream* openImage(const std::vector<unsigned char>& image)
{
    return audio_streamOpen(image.data(), MODE, 0, (int)image.size());
}

/* decoded stereo output of a stream at 44100 Hz, left channel only */
static std::vector<int> pullLeft(AudioStream* s, int frames)
{
    std::vector<int> mix(2 * frames, 0);
    int got = aud_streamPull(s, mix.data(), frames, 44100);
    std::vector<int> left(got);
    for (int i = 0; i < got; i++)
        left[i] = mix[2 * i];
    return left;
}

/* the shift (in frames) at which decoded samples best match the position
** signal around frame `at` */
static int bestShift(const std::vector<int>& decoded, long at, int range)
{
    int best = 0;
    double bestError = 1e300;
    for (int shift = -range; shift <= range; shift++) {
        double error = 0;
        for (size_t i = 0; i < decoded.size(); i++) {
            double d = decoded[i] / 32767.0 - sig_value(at + shift + (long)i, 44100);
            error += d * d;
        }
        if (error < bestError) {
            bestError = error;
            best = shift;
        }
    }
    return best;
}

TEST_F(AudioTest, ErrorTextsAndCodes)
{
    EXPECT_STREQ(audio_errorString(0), "No errors");
    EXPECT_STREQ(audio_errorString(3), "Error initializing output device.");
    EXPECT_STREQ(audio_errorString(10), "Unknown file format");
    EXPECT_STREQ(audio_errorString(12), "Not enough memory ");
    EXPECT_STREQ(audio_errorString(16), "Failed to allocate a new channel");
    EXPECT_STREQ(audio_errorString(18), "Required Mediaplayer codec is not installed");
    EXPECT_STREQ(audio_errorString(19), "Unknown error");
    EXPECT_STREQ(audio_errorString(-1), "Unknown error");
    EXPECT_GE(audio_getVersion(), 3.741f);

    const char junk[] = "this is not music at all";
    EXPECT_EQ(audio_streamOpen(junk, MODE, 0, sizeof junk), nullptr);
    EXPECT_EQ(audio_getError(), AUDIO_ERR_FILE_FORMAT);
    EXPECT_EQ(audio_streamOpen(junk, MODE, 0, 0), nullptr);
    EXPECT_EQ(audio_getError(), AUDIO_ERR_FILE_FORMAT);
    EXPECT_EQ(audio_streamOpen(nullptr, MODE, 0, 10), nullptr);
    EXPECT_EQ(audio_getError(), AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(audio_streamOpen(junk, MODE, 5, 4), nullptr);
    EXPECT_EQ(audio_getError(), AUDIO_ERR_INVALID_PARAM);

    /* recognised headers with nothing sensible behind them */
    std::string ogg = "OggS" + std::string(200, 'x');
    EXPECT_EQ(audio_streamOpen(ogg.data(), MODE, 0, (int)ogg.size()), nullptr);
    EXPECT_EQ(audio_getError(), AUDIO_ERR_FILE_BAD);
    std::string opus = std::string("OggS\0\x02", 6) + std::string(20, '\0') + "\x01\x13" + "OpusHead" + std::string(11, '\1');
    EXPECT_EQ(audio_streamOpen(opus.data(), MODE, 0, (int)opus.size()), nullptr);
    EXPECT_EQ(audio_getError(), AUDIO_ERR_FILE_FORMAT);
    std::string wav = std::string("RIFF\x04\0\0\0WAVE", 12) + "LIST" + std::string(4, '\0');
    EXPECT_EQ(audio_streamOpen(wav.data(), MODE, 0, (int)wav.size()), nullptr);
    EXPECT_EQ(audio_getError(), AUDIO_ERR_FILE_BAD);
    std::vector<unsigned char> adpcm = sig_wavImage("\0\0\0\0", 4, 1, 44100, 16, 2);
    EXPECT_EQ(openImage(adpcm), nullptr);
    EXPECT_EQ(audio_getError(), AUDIO_ERR_FILE_FORMAT);

    std::vector<unsigned char> image = sig_wav16(std::vector<short>(100, 0), 1, 44100);
    AudioStream* s = openImage(image);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(audio_streamPlay(AUDIO_FREE, s), -1);
    EXPECT_EQ(audio_getError(), AUDIO_ERR_UNINITIALIZED);
    EXPECT_EQ(audio_streamSetTime(s, -1), 0);
    EXPECT_EQ(audio_getError(), AUDIO_ERR_INVALID_PARAM);
    ASSERT_TRUE(audio_setOutput(AUDIO_OUTPUT_NONE));
    ASSERT_TRUE(audio_init(44100, 2, 0));
    EXPECT_FALSE(audio_setOutput(AUDIO_OUTPUT_SYSTEM));
    EXPECT_EQ(audio_getError(), AUDIO_ERR_BUSY);
    EXPECT_GE(audio_streamPlay(AUDIO_FREE, s), 0);
    AudioStream* t = openImage(image);
    EXPECT_GE(audio_streamPlay(AUDIO_FREE, t), 0);
    AudioStream* u = openImage(image);
    EXPECT_EQ(audio_streamPlay(AUDIO_FREE, u), -1);   /* both channels taken */
    EXPECT_EQ(audio_getError(), AUDIO_ERR_CHANNEL_ALLOC);
    audio_streamClose(s);
    audio_streamClose(t);
    audio_streamClose(u);
}

TEST_F(AudioTest, VorbisSeeksToTheExactSample)
{
    std::vector<float> signal = sig_positionSignal(14L * 44100, 44100);
    std::vector<unsigned char> ogg;
    ASSERT_TRUE(vorbisWrite(signal.data(), (long)signal.size(), 1, 44100, 0.5f, ogg));
    AudioStream* s = openImage(ogg);
    ASSERT_NE(s, nullptr) << audio_errorString(audio_getError());
    EXPECT_EQ(s->rate, 44100);
    EXPECT_EQ(s->frames, 14L * 44100);

    ASSERT_TRUE(audio_streamSetTime(s, 12345));
    std::vector<int> decoded = pullLeft(s, 512);
    ASSERT_EQ(decoded.size(), 512u);
    EXPECT_EQ(bestShift(decoded, 544414, 60), 0);   /* 12.345 s at 44100 Hz */

    /* back to the start and forwards again */
    ASSERT_TRUE(audio_streamSetTime(s, 0));
    EXPECT_EQ(bestShift(pullLeft(s, 512), 0, 60), 0);
    ASSERT_TRUE(audio_streamSetTime(s, 3001));
    EXPECT_EQ(bestShift(pullLeft(s, 512), 132344, 60), 0);

    /* past the end: positioned at the end, nothing left to play */
    ASSERT_TRUE(audio_streamSetTime(s, 60000));
    EXPECT_TRUE(pullLeft(s, 512).empty());
    audio_streamClose(s);
}

/* the sound section's own path: load a file, start at elapsed 12.3456 s,
** the first mixed frame is the one at 12.345 s */
TEST_F(AudioTest, SoundSectionStartsAtItsElapsedTime)
{
    char dir[] = "/tmp/audio_testXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string path = std::string(dir) + "/music.wav";
    std::vector<short> pcm = sig_toShort(sig_positionSignal(14L * 44100, 44100));
    std::vector<unsigned char> image = sig_wav16(pcm, 1, 44100);
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(image.data(), 1, image.size(), f);
    fclose(f);

    Section section{};
    section.type = 36;
    section.start = 1.0f;
    section.end = 20.0f;
    section.string_count = 1;
    section.strings[0] = (char*)path.c_str();
    mySection = &section;
    demoSystem.sound = 1;
    demoSystem.state = 0;
    ASSERT_TRUE(audio_setOutput(AUDIO_OUTPUT_NONE));
    ASSERT_TRUE(audio_init(44100, 32, 0));
    load_sound();
    ASSERT_NE(section.vars, nullptr);

    section.elapsed = 12.3456f;
    init_sound();
    std::vector<short> out(2 * 256);
    aud_mix(out.data(), 256);
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(out[2 * i], pcm[544414 + i]) << "frame " << i;
    EXPECT_EQ(audio_getChannelsPlaying(), 1);

    /* ending the section stops the music; a start at elapsed 0 plays from the top */
    end_sound();
    EXPECT_EQ(audio_getChannelsPlaying(), 0);
    section.elapsed = 0.0f;
    init_sound();
    aud_mix(out.data(), 256);
    for (int i = 0; i < 256; i++)
        ASSERT_EQ(out[2 * i], pcm[i]) << "frame " << i;

    /* while paused, rewinding or fast-forwarding the section starts nothing */
    end_sound();
    demoSystem.state = DK_STATE_PAUSED;
    init_sound();
    EXPECT_EQ(audio_getChannelsPlaying(), 0);
    demoSystem.state = 0;
    unlink(path.c_str());
    rmdir(dir);
}

TEST_F(AudioTest, WavSampleFormats)
{
    /* the same four values in each encoding: 0, +half, -half, near full scale */
    const unsigned char u8[] = { 128, 192, 64, 255 };
    const short s16[] = { 0, 16384, -16384, 32767 };
    const unsigned char s24[] = { 0, 0, 0, 0, 0, 0x40, 0, 0, 0xC0, 0xFF, 0xFF, 0x7F };
    const int s32[] = { 0, 0x40000000, -0x40000000, 0x7FFFFFFF };
    const float f32[] = { 0.0f, 0.5f, -0.5f, 2.0f };   /* over-range floats saturate */
    struct { std::vector<unsigned char> image; const char* name; } cases[] = {
        { sig_wavImage(u8, sizeof u8, 1, 44100, 8), "u8" },
        { sig_wavImage(s16, sizeof s16, 1, 44100, 16), "s16" },
        { sig_wavImage(s24, sizeof s24, 1, 44100, 24), "s24" },
        { sig_wavImage(s32, sizeof s32, 1, 44100, 32), "s32" },
        { sig_wavImage(f32, sizeof f32, 1, 44100, 32, 3), "f32" },
    };
    for (auto& c : cases) {
        AudioStream* s = openImage(c.image);
        ASSERT_NE(s, nullptr) << c.name;
        std::vector<int> got = pullLeft(s, 10);
        ASSERT_EQ(got.size(), 4u) << c.name;
        EXPECT_EQ(got[0], 0) << c.name;
        EXPECT_EQ(got[1], 16384) << c.name;
        EXPECT_EQ(got[2], -16384) << c.name;
        EXPECT_GE(got[3], 32512) << c.name;
        audio_streamClose(s);
    }

    /* stereo keeps its channels apart; mono goes to both */
    const short stereo[] = { 100, -100, 200, -200 };
    std::vector<unsigned char> image = sig_wavImage(stereo, sizeof stereo, 2, 44100, 16);
    AudioStream* s = openImage(image);
    ASSERT_NE(s, nullptr);
    int mix[4] = { 0, 0, 0, 0 };
    ASSERT_EQ(aud_streamPull(s, mix, 2, 44100), 2);
    EXPECT_EQ(mix[0], 100);
    EXPECT_EQ(mix[1], -100);
    EXPECT_EQ(mix[3], -200);
    audio_streamClose(s);
}

TEST_F(AudioTest, ResamplesByLinearInterpolation)
{
    std::vector<short> src(2205);
    for (size_t i = 0; i < src.size(); i++)
        src[i] = (short)(10000 * sin(2 * 3.14159265 * 1000.0 * i / 22050.0));
    std::vector<unsigned char> image = sig_wav16(src, 1, 22050);
    AudioStream* s = openImage(image);
    ASSERT_NE(s, nullptr);
    std::vector<int> out = pullLeft(s, 10000);
    /* twice the frames, the source on even frames, midpoints between */
    ASSERT_EQ(out.size(), 2 * src.size());
    for (size_t k = 0; k + 1 < src.size(); k++) {
        ASSERT_EQ(out[2 * k], src[k]) << k;
        ASSERT_NEAR(out[2 * k + 1], (src[k] + src[k + 1]) / 2.0, 0.51) << k;
    }
    /* still 1000 Hz: 200 sign changes in 0.1 s */
    int crossings = 0;
    for (size_t i = 1; i < out.size(); i++)
        crossings += (out[i - 1] < 0) != (out[i] < 0);
    EXPECT_NEAR(crossings, 200, 2);
    audio_streamClose(s);
}

TEST_F(AudioTest, MixSaturatesInsteadOfWrapping)
{
    std::vector<unsigned char> loud = sig_wav16({ 30000, -30000, 30000, 1000 }, 1, 44100);
    std::vector<unsigned char> quiet = sig_wav16({ 30000, -30000, -30000, 1000 }, 1, 44100);
    AudioStream* a = openImage(loud);
    AudioStream* b = openImage(quiet);
    ASSERT_TRUE(audio_setOutput(AUDIO_OUTPUT_NONE));
    ASSERT_TRUE(audio_init(44100, 32, 0));
    ASSERT_GE(audio_streamPlay(AUDIO_FREE, a), 0);
    ASSERT_GE(audio_streamPlay(AUDIO_FREE, b), 0);
    EXPECT_EQ(audio_getChannelsPlaying(), 2);
    short out[2 * 6];
    aud_mix(out, 6);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[2], -32768);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(out[6], 2000);
    EXPECT_EQ(out[8], 0);   /* both streams have ended: silence, channels freed */
    EXPECT_EQ(audio_getChannelsPlaying(), 0);
    audio_streamClose(a);
    audio_streamClose(b);
}

/* the real device thread: paused channels hold their place, and a stream
** survives closing and re-initialising the library */
TEST_F(AudioTest, DevicePauseResumeAndReinit)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<unsigned char> image = sig_wav16(sig_toShort(sig_positionSignal(20L * 44100, 44100)), 1, 44100);
    AudioStream* s = openImage(image);
    ASSERT_NE(s, nullptr);
    auto position = [&] {
        std::lock_guard<std::mutex> hold(aud_lock);
        return s->position;
    };
    for (int round = 0; round < 2; round++) {
        ASSERT_TRUE(audio_setOutput(AUDIO_OUTPUT_SYSTEM));
        ASSERT_TRUE(audio_setDriver(0));
        ASSERT_TRUE(audio_init(44100, 32, 0)) << audio_errorString(audio_getError());
        ASSERT_GE(audio_streamPlay(AUDIO_FREE, s), 0);
        long long before = position();
        for (int i = 0; i < 40 && position() == before; i++)
            SDL_Delay(10);
        EXPECT_GT(position(), before) << "round " << round;

        audio_setPaused(AUDIO_ALL, 1);
        EXPECT_EQ(audio_getChannelsPlaying(), 0);
        long long held = position();
        SDL_Delay(120);
        EXPECT_EQ(position(), held);
        audio_setPaused(AUDIO_ALL, 0);
        EXPECT_EQ(audio_getChannelsPlaying(), 1);
        for (int i = 0; i < 40 && position() == held; i++)
            SDL_Delay(10);
        EXPECT_GT(position(), held);

        /* the load figure covers decoding and mixing over wall time */
        SDL_Delay(300);
        audio_update();
        EXPECT_GT(audio_getCPUUsage(), 0.0f);
        EXPECT_LT(audio_getCPUUsage(), 100.0f);
        audio_close();
        EXPECT_EQ(s->channel, -1);
        EXPECT_EQ(audio_getChannelsPlaying(), 0);
    }
    audio_streamClose(s);
}

TEST_F(AudioTest, NoDeviceFailsInit)
{
    setenv("SDL_AUDIODRIVER", "nonexistent", 1);
    ASSERT_TRUE(audio_setOutput(AUDIO_OUTPUT_SYSTEM));
    EXPECT_FALSE(audio_init(44100, 32, 0));
    EXPECT_EQ(audio_getError(), AUDIO_ERR_INIT);
    audio_close();   /* harmless when init failed */
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_TRUE(audio_init(44100, 32, 0));
}

/* ---- MPEG audio: encoded with the system's LAME library when present ---- */

struct Lame {
    void* lib = nullptr;
    void* (*init)();
    int (*setRate)(void*, int);
    int (*setChannels)(void*, int);
    int (*setMode)(void*, int);
    int (*setBitrate)(void*, int);
    int (*initParams)(void*);
    int (*encode)(void*, const short*, const short*, int, unsigned char*, int);
    int (*flush)(void*, unsigned char*, int);
    size_t (*tagFrame)(void*, unsigned char*, size_t);
    int (*close)(void*);
};

static bool loadLame(Lame& l)
{
    l.lib = dlopen("libmp3lame.so.0", RTLD_NOW);
    if (!l.lib)
        return false;
    bool ok = true;
    auto sym = [&](auto& fn, const char* name) {
        *(void**)&fn = dlsym(l.lib, name);
        ok = ok && fn;
    };
    sym(l.init, "lame_init");
    sym(l.setRate, "lame_set_in_samplerate");
    sym(l.setChannels, "lame_set_num_channels");
    sym(l.setMode, "lame_set_mode");
    sym(l.setBitrate, "lame_set_brate");
    sym(l.initParams, "lame_init_params");
    sym(l.encode, "lame_encode_buffer");
    sym(l.flush, "lame_encode_flush");
    sym(l.tagFrame, "lame_get_lametag_frame");
    sym(l.close, "lame_close");
    return ok;
}

static std::vector<unsigned char> encodeMp3(Lame& l, const std::vector<short>& pcm)
{
    void* enc = l.init();
    l.setRate(enc, 44100);
    l.setChannels(enc, 1);
    l.setMode(enc, 3);   /* mono */
    l.setBitrate(enc, 128);
    l.initParams(enc);
    std::vector<unsigned char> out(pcm.size() * 5 / 4 + 7200 + 8192);
    int n = l.encode(enc, pcm.data(), pcm.data(), (int)pcm.size(), out.data(), (int)out.size());
    n += l.flush(enc, out.data() + n, (int)out.size() - n);
    out.resize(n > 0 ? n : 0);
    /* the first frame was a placeholder for the delay and padding record */
    unsigned char tag[8192];
    size_t tagSize = l.tagFrame(enc, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= out.size())
        memcpy(out.data(), tag, tagSize);
    l.close(enc);
    return out;
}

TEST_F(AudioTest, Mp3DecodesAndSeeksToTheExactSample)
{
    Lame lame;
    if (!loadLame(lame))
        GTEST_SKIP() << "no MP3 encoder library on this machine";
    std::vector<short> pcm = sig_toShort(sig_positionSignal(14L * 44100, 44100));
    std::vector<unsigned char> mp3 = encodeMp3(lame, pcm);
    ASSERT_GT(mp3.size(), 1000u);
    AudioStream* s = openImage(mp3);
    ASSERT_NE(s, nullptr) << audio_errorString(audio_getError());
    EXPECT_EQ(s->rate, 44100);
    EXPECT_EQ(s->channels, 1);
    EXPECT_EQ(s->frames, (long long)pcm.size());   /* encoder delay and padding removed */

    EXPECT_EQ(bestShift(pullLeft(s, 512), 0, 60), 0);
    ASSERT_TRUE(audio_streamSetTime(s, 12345));
    EXPECT_EQ(bestShift(pullLeft(s, 512), 544414, 60), 0);
    ASSERT_TRUE(audio_streamSetTime(s, 5000));
    EXPECT_EQ(bestShift(pullLeft(s, 512), 220500, 60), 0);
    audio_streamClose(s);
    dlclose(lame.lib);
}

/* damaged files: truncated anywhere or with bytes overwritten, they open
** or fail with an error code, and decode to their end without faults */
TEST_F(AudioTest, DamagedFilesNeverCrash)
{
    std::vector<std::vector<unsigned char>> images;
    std::vector<float> signal = sig_positionSignal(2L * 44100, 44100);
    std::vector<unsigned char> ogg;
    ASSERT_TRUE(vorbisWrite(signal.data(), (long)signal.size(), 1, 44100, 0.2f, ogg));
    images.push_back(ogg);
    images.push_back(sig_wav16(sig_toShort(signal), 1, 44100));
    Lame lame;
    if (loadLame(lame)) {
        images.push_back(encodeMp3(lame, sig_toShort(signal)));
        dlclose(lame.lib);
    }
    uint32_t seed = 7;
    for (const auto& original : images) {
        for (int trial = 0; trial < 24; trial++) {
            std::vector<unsigned char> image = original;
            seed = seed * 1664525u + 1013904223u;
            if (trial % 2 == 0) {
                image.resize(seed % image.size());
            } else {
                for (int k = 0; k < 8; k++) {
                    seed = seed * 1664525u + 1013904223u;
                    image[(seed >> 4) % image.size()] = (unsigned char)(seed >> 24);
                }
            }
            AudioStream* s = audio_streamOpen(image.data(), MODE, 0, (int)image.size());
            if (!s) {
                EXPECT_GT(audio_getError(), 0);
                continue;
            }
            audio_streamSetTime(s, 700);
            int total = 0;
            for (int guard = 0; guard < 400; guard++) {
                int got = (int)pullLeft(s, 4096).size();
                total += got;
                if (got < 4096)
                    break;
            }
            EXPECT_LE(total, 3 * 44100);
            audio_streamClose(s);
        }
    }
}
