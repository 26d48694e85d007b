/*
** sound_test.cpp -- the music in the real player: SDL's disk driver writes
** the mixed output to a file, and the captured samples are matched against
** the music file to see which of its frames played, and when.
**
** The music is white noise in a WAV file: every few consecutive samples
** occur once only, so any captured run of samples names its position in
** the file exactly.
*/
#include "harness.h"
#include "audio_signal.h"

#include <stdint.h>
#include <stdlib.h>
#include <string>
#include <unordered_map>
#include <vector>

static const int RATE = 44100;
static const char* kMusic = "[sound]\nstart 0\nend 30\nstring music.wav\n";

/* 12 seconds, never zero, so silence and music cannot be confused */
static const std::vector<short>& noiseMusic()
{
    static std::vector<short> pcm;
    uint32_t seed = 2024;
    while (pcm.size() < (size_t)12 * RATE) {
        seed = seed * 1664525u + 1013904223u;
        int v = (int)(seed >> 16) % 20000 - 10000;
        pcm.push_back((short)(v == 0 ? 1 : v));
    }
    return pcm;
}

/* A demo playing the music, whose mix the disk driver writes to out.raw. */
static std::string demoWithMusic(const std::string& globals, const std::string& sections = kMusic)
{
    std::string dir = e2e_demo("sound 1\n" + globals, sections);
    std::vector<unsigned char> wav = sig_wav16(noiseMusic(), 1, RATE);
    e2e_writeFile(dir, "music.wav", std::string(wav.begin(), wav.end()));
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (dir + "/out.raw").c_str(), 1);
    /* the writer sleeps this long per 1024-frame buffer (23.2 ms of sound):
    ** a little faster than real time, so the music never lags the demo clock */
    setenv("SDL_DISKAUDIODELAY", "20", 1);
    return dir;
}

/* A run of captured frames that are consecutive frames of the music. */
struct Segment {
    long captured;   /* first captured frame */
    long music;      /* the music frame it holds, -1 for something else */
    long length;
};

/* the captured file cut into runs of music, in order; silent frames are skipped */
static std::vector<Segment> musicSegments(const std::string& dir)
{
    const std::vector<short>& pcm = noiseMusic();
    static std::unordered_map<uint64_t, long> where;
    auto key = [](const short* p) {
        return (uint64_t)(uint16_t)p[0] | (uint64_t)(uint16_t)p[1] << 16 |
               (uint64_t)(uint16_t)p[2] << 32 | (uint64_t)(uint16_t)p[3] << 48;
    };
    if (where.empty())
        for (size_t i = 0; i + 4 <= pcm.size(); i++) where[key(&pcm[i])] = (long)i;

    std::vector<short> left;
    short frame[2];
    FILE* f = fopen((dir + "/out.raw").c_str(), "rb");
    while (f && fread(frame, sizeof frame, 1, f) == 1) left.push_back(frame[0]);
    if (f) fclose(f);

    std::vector<Segment> segments;
    for (long i = 0, n = (long)left.size(); i + 4 <= n;) {
        auto found = left[i] ? where.find(key(&left[i])) : where.end();
        if (found == where.end()) {
            if (left[i]) segments.push_back({ i, -1, 1 });
            i++;
            continue;
        }
        Segment s{ i, found->second, 0 };
        for (; i < n && s.music + s.length < (long)pcm.size() && left[i] == pcm[s.music + s.length]; i++) s.length++;
        segments.push_back(s);
    }
    return segments;
}

/* How a failed check prints a segment. */
static void PrintTo(const Segment& s, std::ostream* os)
{
    *os << "[captured " << s.captured << ": music " << s.music << " x " << s.length << "]";
}

/* F1: the library is closed and reopened (a new capture file) and the music
   starts again at the section's elapsed time at demo_start, 4 s in.  F2
   held pauses it; released, it starts at the rewound position, on a whole
   millisecond, earlier than where it stopped. */
TEST(Sound, RestartAndRewindRepositionTheMusic)
{
    std::string dir = demoWithMusic("debug 1\ndemo_start 4\ndemo_end 0\n");
    E2eProc p = e2e_start(dir);
    ASSERT_TRUE(e2e_waitOutput(p, "main demo loop!")) << e2e_finish(p).err;
    e2e_sleep(1.0);
    ASSERT_TRUE(e2e_key(p, "F1"));
    /* Rewinding runs ten times faster than the demo, frame by frame: a hold
    ** of a few frames goes back well over half a second, and five seconds of
    ** music leave room for a slow frame before it could reach the start. */
    e2e_sleep(5.0);
    ASSERT_TRUE(e2e_keyDown(p, "F2"));
    e2e_sleep(0.25);
    ASSERT_TRUE(e2e_keyUp(p, "F2"));
    e2e_sleep(1.5);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<Segment> segments = musicSegments(dir);
    SCOPED_TRACE(::testing::PrintToString(segments));
    ASSERT_EQ(segments.size(), 2u);
    const Segment& before = segments[0];
    const Segment& after = segments[1];
    EXPECT_TRUE(before.music == 4 * RATE && before.length > 2 * RATE);
    EXPECT_TRUE(after.music > 4 * RATE && after.music < before.music + before.length - RATE / 2);
    long ms = after.music * 1000L / RATE;
    EXPECT_TRUE(ms * RATE / 1000 == after.music || (ms + 1) * RATE / 1000 == after.music);
    EXPECT_GT(after.length, RATE / 4);
}

/* No audio device is fatal, with a way out; with sound 0 nothing is loaded
   and the device is never opened, so neither the missing device nor a
   missing music file is an error. */
TEST(Sound, NoDeviceIsFatalUnlessSoundIsOff)
{
    std::string off = demoWithMusic("sound 0\ndemo_end 0.5\n", "[sound]\nstart 0\nend 10\nstring missing.ogg\n");
    std::string dir = demoWithMusic("demo_end 0.5\n");
    setenv("SDL_AUDIODRIVER", "nonexistent", 1);
    E2eRun run = e2e_run(off);
    EXPECT_EQ(run.status, 0) << run.err;
    run = e2e_run(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: Error initializing output device.\n"
                       "Hint: no audio output could be opened. Put \"sound 0\" in a script to play "
                       "without music, or start the player with SDL_AUDIODRIVER=dummy to play it silently.\n");
}
