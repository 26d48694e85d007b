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
static const int SECONDS = 12;

/* never zero, so silence and music cannot be confused */
static std::vector<short> noiseMusic()
{
    std::vector<short> pcm((size_t)SECONDS * RATE);
    uint32_t seed = 2024;
    for (short& s : pcm) {
        seed = seed * 1664525u + 1013904223u;
        int v = (int)(seed >> 16) % 20000 - 10000;
        s = (short)(v == 0 ? 1 : v);
    }
    return pcm;
}

static std::string demoWithMusic(const std::string& globals, const std::string& sections)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(8, 8, 0, 0, 0));
    std::vector<unsigned char> wav = sig_wav16(noiseMusic(), 1, RATE);
    e2e_writeFile(dir, "music.wav", std::string(wav.begin(), wav.end()));
    e2e_writeFile(dir, "demo.lum", "sound 1\n" + globals + e2e_loadingSection("black.tga") + sections);
    return dir;
}

static void useDiskAudio(const std::string& file)
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    /* the writer sleeps this long per 1024-frame buffer (23.2 ms of sound):
    ** a little faster than real time, so the music never lags the demo clock */
    setenv("SDL_DISKAUDIODELAY", "20", 1);
}

/* A run of captured frames that are consecutive frames of the music. */
struct Segment {
    long captured;   /* first captured frame */
    long music;      /* the music frame it holds */
    long length;
};

/* the captured file cut into runs of music, in order; silent frames are skipped */
static std::vector<Segment> musicSegments(const std::string& file)
{
    static std::vector<short> pcm = noiseMusic();
    static std::unordered_map<uint64_t, long> where;
    auto key = [](const short* p) {
        return (uint64_t)(uint16_t)p[0] | (uint64_t)(uint16_t)p[1] << 16 |
               (uint64_t)(uint16_t)p[2] << 32 | (uint64_t)(uint16_t)p[3] << 48;
    };
    if (where.empty())
        for (size_t i = 0; i + 4 <= pcm.size(); i++)
            where[key(&pcm[i])] = (long)i;

    std::vector<short> left;
    FILE* f = fopen(file.c_str(), "rb");
    if (!f)
        return {};
    short frame[2];
    while (fread(frame, sizeof frame, 1, f) == 1)
        left.push_back(frame[0]);
    fclose(f);

    std::vector<Segment> segments;
    long i = 0, n = (long)left.size();
    while (i + 4 <= n) {
        if (left[i] == 0) {
            i++;
            continue;
        }
        auto found = where.find(key(&left[i]));
        if (found == where.end()) {
            segments.push_back({ i, -1, 1 });   /* something that is not the music */
            i++;
            continue;
        }
        Segment s{ i, found->second, 0 };
        while (i < n && s.music + s.length < (long)pcm.size() && left[i] == pcm[s.music + s.length]) {
            s.length++;
            i++;
        }
        segments.push_back(s);
    }
    return segments;
}

/* A debug-mode demo whose music is captured by the disk driver, started
** and playing; false (with the player's errors) when it never got there. */
static ::testing::AssertionResult startDebugMusic(const char* demoStart, std::string* dir, E2eProc* p)
{
    *dir = demoWithMusic(std::string("debug 1\ndemo_start ") + demoStart + "\ndemo_end 0\n",
                         "[sound]\nstart 0\nend 30\nstring music.wav\n");
    useDiskAudio(*dir + "/out.raw");
    *p = e2e_start(*dir);
    if (e2e_waitOutput(*p, "main demo loop!")) return ::testing::AssertionSuccess();
    E2eRun failed = e2e_finish(*p);
    return ::testing::AssertionFailure() << "player not playing: " << failed.err;
}

static std::string describe(const std::vector<Segment>& segments)
{
    std::string text;
    for (const Segment& s : segments)
        text += "[captured " + std::to_string(s.captured) + ": music " + std::to_string(s.music) + " x " +
                std::to_string(s.length) + "] ";
    return text;
}

/* A section starting at 0 plays the music from its first frame; with
** demo_start at 5 it starts 5 seconds into the music, without a glitch */
TEST(Sound, MusicStartsAtTheSectionsElapsedTime)
{
    const char* cases[][2] = { { "demo_start 0\ndemo_end 1.5\n", "0" }, { "demo_start 5\ndemo_end 6.5\n", "220500" } };
    for (auto& c : cases) {
        std::string dir = demoWithMusic(c[0], "[sound]\nstart 0\nend 30\nstring music.wav\n");
        useDiskAudio(dir + "/out.raw");
        E2eRun run = e2e_run(dir);
        ASSERT_EQ(run.status, 0) << run.err;
        std::vector<Segment> segments = musicSegments(dir + "/out.raw");
        ASSERT_FALSE(segments.empty()) << c[0];
        EXPECT_EQ(segments[0].music, atol(c[1])) << describe(segments);
        EXPECT_GT(segments[0].length, RATE / 2) << describe(segments);
        EXPECT_EQ(segments.size(), 1u) << describe(segments);
    }
}

/* F1: the library is closed and reopened and the music starts again at
** the section's elapsed time at demo_start (4 seconds in), wherever it was */
TEST(Sound, RestartRepositionsTheMusic)
{
    std::string dir;
    E2eProc p;
    ASSERT_TRUE(startDebugMusic("4", &dir, &p));
    e2e_sleep(2.0);
    ASSERT_TRUE(e2e_key(p, "F1"));
    e2e_sleep(1.5);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    ASSERT_EQ(run.status, 0) << run.err;
    /* reopening the device started a new capture file */
    std::vector<Segment> segments = musicSegments(dir + "/out.raw");
    ASSERT_FALSE(segments.empty());
    EXPECT_EQ(segments[0].music, 4 * RATE) << describe(segments);
    EXPECT_GT(segments[0].length, RATE / 4) << describe(segments);
}

/* F2 held: the music pauses; released: it starts again at the rewound
** position, on a whole millisecond, earlier than where it stopped */
TEST(Sound, RewindRestartsTheMusicEarlier)
{
    std::string dir;
    E2eProc p;
    ASSERT_TRUE(startDebugMusic("0", &dir, &p));
    e2e_sleep(6.0);
    ASSERT_TRUE(e2e_keyDown(p, "F2"));
    e2e_sleep(0.1);
    ASSERT_TRUE(e2e_keyUp(p, "F2"));
    e2e_sleep(1.5);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<Segment> segments = musicSegments(dir + "/out.raw");
    ASSERT_EQ(segments.size(), 2u) << describe(segments);
    const Segment& before = segments[0];
    const Segment& after = segments[1];
    EXPECT_EQ(before.music, 0);
    EXPECT_GT(before.length, 2 * RATE);
    long stoppedAt = before.music + before.length;
    EXPECT_GT(after.music, 0) << describe(segments);
    EXPECT_LT(after.music, stoppedAt - RATE / 2) << describe(segments);
    long ms = after.music * 1000L / RATE;
    bool onMillisecond = ms * RATE / 1000 == after.music || (ms + 1) * RATE / 1000 == after.music;
    EXPECT_TRUE(onMillisecond) << describe(segments);
    EXPECT_GT(after.length, RATE / 4);
}

static E2eRun runWithDummyAudio(const std::string& sections)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string dir = demoWithMusic("demo_end 0.5\n", sections);
    e2e_writeFile(dir, "broken.ogg", "OggS" + std::string(300, '\x07'));
    e2e_writeFile(dir, "notes.txt", "these are not music");
    return e2e_run(dir);
}

TEST(Sound, LoadErrors)
{
    E2eRun run = runWithDummyAudio("[sound]\nstart 0\nend 10\nstring music.wav\nstring music.wav\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: sound (0, 0.000000 -> 10.000000): 1 string needed\n");

    run = runWithDummyAudio("[sound]\nstart 0.25\nend 10\nstring missing.ogg\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: sound (0, 0.250000 -> 10.000000): file 'missing.ogg' not found\n");

    run = runWithDummyAudio("[sound]\nstart 0\nend 10\nstring broken.ogg\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: sound (0, 0.000000 -> 10.000000): Error loading file\n");

    run = runWithDummyAudio("[sound]\nstart 0\nend 10\nstring notes.txt\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: sound (0, 0.000000 -> 10.000000): Unknown file format\n");
}

/* sound 0: nothing is loaded, the device is never opened (no capture
** file), so even a missing music file is no error */
TEST(Sound, SoundOffMakesNoAudioCall)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(8, 8, 0, 0, 0));
    e2e_writeFile(dir, "demo.lum", "sound 0\ndemo_end 0.5\n" + e2e_loadingSection("black.tga") +
                  "[sound]\nstart 0\nend 10\nstring missing.ogg\n");
    useDiskAudio(dir + "/out.raw");
    E2eRun run = e2e_run(dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(e2e_exists(dir + "/out.raw"));
}

TEST(Sound, NoAudioDeviceIsFatal)
{
    std::string dir = demoWithMusic("demo_end 0.5\n", "[sound]\nstart 0\nend 10\nstring music.wav\n");
    setenv("SDL_AUDIODRIVER", "nonexistent", 1);
    E2eRun run = e2e_run(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: Error initializing output device.\n"
                       "Hint: no audio output could be opened. Put \"sound 0\" in a script to play "
                       "without music, or start the player with SDL_AUDIODRIVER=dummy to play it silently.\n");
}
