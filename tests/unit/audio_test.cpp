/*
** audio_test.cpp -- the audio library: decoding, seeking, resampling,
** mixing, the device's load figure, and the refusals the player can meet.
**
** Mixing tests use the device-less output and pull the mix themselves, so
** they are exact and independent of timing; the device tests run SDL's
** dummy driver. Damaged files are the audio fuzz target's work.
*/
#include <gtest/gtest.h>

#include <stdlib.h>
#include <SDL/SDL.h>

#include "audio.h"
#include "aud_internal.h"
#include "audio_signal.h"
#include "testutil.h"
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
    for (int i = 0; i < got; i++) left[i] = mix[2 * i];
    return left;
}

/* the shift (in frames) at which decoded samples best match the position
** signal around frame `at` */
static int bestShift(const std::vector<int>& decoded, long at, int range = 60)
{
    int best = 0;
    double bestError = 1e300;
    for (int shift = -range; shift <= range; shift++) {
        double error = 0;
        for (size_t i = 0; i < decoded.size(); i++) {
            double d = decoded[i] / 32767.0 - sig_value(at + shift + (long)i, 44100);
            error += d * d;
        }
        if (error < bestError) bestError = error, best = shift;
    }
    return best;
}

/* Seeks a stream of the position signal to each time in milliseconds and
** checks the decoded frames are the ones of that time. */
static void expectExactSeeks(AudioStream* s, std::initializer_list<unsigned> ms)
{
    for (unsigned t : ms) {
        ASSERT_TRUE(audio_streamSetTime(s, t));
        std::vector<int> decoded = pullLeft(s, 512);
        ASSERT_EQ(decoded.size(), 512u) << t;
        EXPECT_EQ(bestShift(decoded, (long)t * 441 / 10), 0) << t << " ms";
    }
}

TEST_F(AudioTest, RefusedOpensAndNoFreeChannel)
{
    /* no buffer, an offset past the end */
    std::string junk = "this is not music at all";
    struct { const void* data; int offset, size; } opens[] = { { nullptr, 0, 10 }, { junk.data(), 5, 4 } };
    for (auto& o : opens) {
        EXPECT_EQ(audio_streamOpen(o.data, MODE, o.offset, o.size), nullptr) << o.offset;
        EXPECT_EQ(audio_getError(), AUDIO_ERR_INVALID_PARAM);
    }

    /* more music at once than there are channels */
    std::vector<unsigned char> image = sig_wav16(std::vector<short>(100, 0), 1, 44100);
    ASSERT_TRUE(audio_setOutput(AUDIO_OUTPUT_NONE));
    ASSERT_TRUE(audio_init(44100, 2, 0));
    AudioStream* s = openImage(image);
    AudioStream* t = openImage(image);
    AudioStream* u = openImage(image);
    EXPECT_TRUE(audio_streamPlay(AUDIO_FREE, s) >= 0 && audio_streamPlay(AUDIO_FREE, t) >= 0);
    EXPECT_EQ(audio_streamPlay(AUDIO_FREE, u), -1);   /* both channels taken */
    EXPECT_EQ(audio_getError(), AUDIO_ERR_CHANNEL_ALLOC);
    for (AudioStream* x : { s, t, u }) audio_streamClose(x);
}

TEST_F(AudioTest, VorbisSeeksToTheExactSample)
{
    std::vector<float> signal = sig_positionSignal(14L * 44100, 44100);
    std::vector<unsigned char> ogg;
    ASSERT_TRUE(vorbisWrite(signal.data(), (long)signal.size(), 1, 44100, 0.5f, ogg));
    AudioStream* s = openImage(ogg);
    ASSERT_NE(s, nullptr) << audio_errorString(audio_getError());
    EXPECT_TRUE(s->rate == 44100 && s->frames == 14L * 44100);
    expectExactSeeks(s, { 12345, 0, 3001 });   /* back to the start and forwards again */
    /* past the end: positioned at the end, nothing left to play */
    ASSERT_TRUE(audio_streamSetTime(s, 60000));
    EXPECT_TRUE(pullLeft(s, 512).empty());
    audio_streamClose(s);
}

TEST_F(AudioTest, WavSampleFormatsResamplingAndMixing)
{
    /* 0, +half, -half, near full scale in each encoding but the 16 bits the
    ** end-to-end runs play, over-range floats saturating; and 16-bit stereo,
    ** whose right channel must stay out of the left */
    const unsigned char u8[] = { 128, 192, 64, 255 };
    const unsigned char s24[] = { 0, 0, 0, 0, 0, 0x40, 0, 0, 0xC0, 0xFF, 0xFF, 0x7F };
    const int s32[] = { 0, 0x40000000, -0x40000000, 0x7FFFFFFF };
    const float f32[] = { 0.0f, 0.5f, -0.5f, 2.0f };
    const short stereo[] = { 0, -99, 16384, -99, -16384, -99, 32767, -99 };
    std::vector<unsigned char> images[] = {
        sig_wavImage(u8, sizeof u8, 1, 44100, 8), sig_wavImage(s24, sizeof s24, 1, 44100, 24),
        sig_wavImage(s32, sizeof s32, 1, 44100, 32), sig_wavImage(f32, sizeof f32, 1, 44100, 32, 3),
        sig_wavImage(stereo, sizeof stereo, 2, 44100, 16),
    };
    for (int i = 0; i < 5; i++) {
        AudioStream* s = openImage(images[i]);
        ASSERT_NE(s, nullptr) << "encoding " << i;
        std::vector<int> got = pullLeft(s, 10);
        ASSERT_EQ(got.size(), 4u) << "encoding " << i;
        EXPECT_TRUE(got[0] == 0 && got[1] == 16384 && got[2] == -16384 && got[3] >= 32512) << "encoding " << i;
        audio_streamClose(s);
    }
    /* 22050 Hz plays at twice the frames, the source on even frames and
    ** midpoints between */
    std::vector<short> src(2205);
    for (size_t i = 0; i < src.size(); i++) src[i] = (short)(10000 * sin(2 * 3.14159265 * 1000.0 * i / 22050.0));
    std::vector<unsigned char> image = sig_wav16(src, 1, 22050);
    AudioStream* s = openImage(image);
    ASSERT_NE(s, nullptr);
    std::vector<int> out = pullLeft(s, 10000);
    ASSERT_EQ(out.size(), 2 * src.size());
    for (size_t k = 0; k + 1 < src.size(); k++) {
        ASSERT_EQ(out[2 * k], src[k]) << k;
        ASSERT_NEAR(out[2 * k + 1], (src[k] + src[k + 1]) / 2.0, 0.51) << k;
    }
    audio_streamClose(s);

    /* two streams mixed saturate instead of wrapping; once both have ended
    ** the mix is silence and the channels are free */
    std::vector<unsigned char> loud = sig_wav16({ 30000, -30000, 30000, 1000 }, 1, 44100);
    std::vector<unsigned char> quiet = sig_wav16({ 30000, -30000, -30000, 1000 }, 1, 44100);
    AudioStream* a = openImage(loud);
    AudioStream* b = openImage(quiet);
    ASSERT_TRUE(audio_setOutput(AUDIO_OUTPUT_NONE));
    ASSERT_TRUE(audio_init(44100, 32, 0));
    ASSERT_TRUE(audio_streamPlay(AUDIO_FREE, a) >= 0 && audio_streamPlay(AUDIO_FREE, b) >= 0);
    short mixed[2 * 6];
    aud_mix(mixed, 6);
    EXPECT_TRUE(mixed[0] == 32767 && mixed[2] == -32768 && mixed[4] == 0 && mixed[6] == 2000 && mixed[8] == 0);
    EXPECT_EQ(audio_getChannelsPlaying(), 0);
    audio_streamClose(a);
    audio_streamClose(b);
}

/* the load figure of the timing overlay needs the real device thread */
TEST_F(AudioTest, DeviceLoadFigure)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<unsigned char> image = sig_wav16(sig_toShort(sig_positionSignal(20L * 44100, 44100)), 1, 44100);
    AudioStream* s = openImage(image);
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(audio_setOutput(AUDIO_OUTPUT_SYSTEM) && audio_setDriver(0));
    ASSERT_TRUE(audio_init(44100, 32, 0)) << audio_errorString(audio_getError());
    ASSERT_GE(audio_streamPlay(AUDIO_FREE, s), 0);
    SDL_Delay(300);
    audio_update();
    EXPECT_TRUE(audio_getCPUUsage() > 0.0f && audio_getCPUUsage() < 100.0f);
    audio_close();
    EXPECT_TRUE(s->channel == -1 && audio_getChannelsPlaying() == 0);
    audio_streamClose(s);
}

/* ---- MPEG audio: encoded by ffmpeg's LAME encoder when present ---- */

/* 128 kbit/s mono; the encoder's first frame records its delay and padding.
** Empty when ffmpeg cannot make it. */
static std::vector<unsigned char> mp3Of(const std::vector<short>& pcm)
{
    TempDir dir;
    std::vector<unsigned char> wav = sig_wav16(pcm, 1, 44100);
    writeFile(dir.path + "in.wav", std::string(wav.begin(), wav.end()));
    std::string cmd = "ffmpeg -v quiet -nostdin -i " + dir.path + "in.wav -c:a libmp3lame -b:a 128k " + dir.path + "out.mp3";
    std::string mp3 = system(cmd.c_str()) == 0 ? readFile(dir.path + "out.mp3") : "";
    return std::vector<unsigned char>(mp3.begin(), mp3.end());
}

TEST_F(AudioTest, Mp3DecodesAndSeeksToTheExactSample)
{
    std::vector<short> pcm = sig_toShort(sig_positionSignal(14L * 44100, 44100));
    std::vector<unsigned char> mp3 = mp3Of(pcm);
    if (mp3.empty()) GTEST_SKIP() << "no MP3 encoder on this machine";
    AudioStream* s = openImage(mp3);
    ASSERT_NE(s, nullptr) << audio_errorString(audio_getError());
    /* encoder delay and padding removed */
    EXPECT_TRUE(s->rate == 44100 && s->channels == 1 && s->frames == (long long)pcm.size());
    EXPECT_EQ(bestShift(pullLeft(s, 512), 0), 0);
    expectExactSeeks(s, { 12345, 5000 });
    audio_streamClose(s);
}
