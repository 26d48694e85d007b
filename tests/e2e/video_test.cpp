/*
** video_test.cpp -- `player --render` end to end (ffprobe and ffmpeg read
** what it wrote back, also against a party's video rules), its refusals,
** and the beat level seen through a BEAT-modified picture in record mode.
*/
#include "harness.h"
#include "audio_signal.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const int RATE = 44100;

/* --render needs no display: it must bring its own. */
E2eRun render(const std::string& dir, const std::string& output, const std::string& path = "")
{
    std::vector<std::string> env = { "DISPLAY" };
    if (!path.empty()) env.push_back("PATH=" + path);
    return e2e_command(dir, { LUMENO_PLAYER, "--render", output }, env);
}

std::vector<short> tone(double hz, double seconds, double amplitude)
{
    std::vector<short> pcm((size_t)(seconds * RATE));
    for (size_t i = 0; i < pcm.size(); i++)
        pcm[i] = (short)(amplitude * 32767.0 * sin(2 * M_PI * hz * (double)i / RATE));
    return pcm;
}

void writeWav(const std::string& dir, const std::string& name, const std::vector<short>& pcm)
{
    std::vector<unsigned char> wav = sig_wav16(pcm, 1, RATE);
    e2e_writeFile(dir, name, std::string(wav.begin(), wav.end()));
}

const char* kWindow = "gl_width 320\ngl_height 240\ngl_panoramic 0\nrecord_fps 25\n";

/* Goertzel power of one frequency over a window of mono samples. */
double power(const std::vector<short>& s, size_t from, size_t n, double hz)
{
    double k = 2 * cos(2 * M_PI * hz / RATE), a = 0, b = 0;
    for (size_t i = from; i < from + n && i < s.size(); i++) {
        double c = s[i] / 32768.0 + k * a - b;
        b = a;
        a = c;
    }
    return (a * a + b * b - k * a * b) / ((double)n * n);
}

TEST(Render, TwoSecondsWithLateAndSeveralMusicSections)
{
    std::string dir = e2e_demo(std::string(kWindow) + "record 1\nsound 1\ndemo_end 2\n",
                               "[background]\nstart 0\nend 2\nstring quad.tga\n"
                               "[sound]\nstart 0\nend 2\nstring low.wav\n"
                               "[sound]\nstart 1\nend 2\nstring high.wav\n");
    e2e_writeTga(dir, "quad.tga", e2e_quadrants(64));
    writeWav(dir, "low.wav", tone(300, 3, 0.3));
    writeWav(dir, "high.wav", tone(2000, 3, 0.3));

    E2eRun recorded = e2e_run(dir, 60);
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    E2eRun run = render(dir, "out.mp4");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("render: frame 50/50, second 2.00 of 2.00"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("with music"), std::string::npos) << run.err;

    E2eRun probe = e2e_command(dir, { "ffprobe", "-v", "error", "-count_frames", "-show_entries",
                                     "stream=codec_type,width,height,nb_read_frames:format=duration",
                                     "-of", "default=nw=1", "out.mp4" });
    ASSERT_EQ(probe.status, 0) << probe.err;
    EXPECT_NE(probe.out.find("codec_type=video\nwidth=320\nheight=240\nnb_read_frames=50\n"),
              std::string::npos) << probe.out;
    EXPECT_NE(probe.out.find("codec_type=audio"), std::string::npos) << probe.out;
    size_t at = probe.out.find("duration=");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NEAR(atof(probe.out.c_str() + at + 9), 2.0, 0.05) << probe.out;

    /* frame 25 of the video is record mode's frame 25, up to the codec */
    E2eRun frame = e2e_command(dir, { "ffmpeg", "-v", "error", "-i", "out.mp4", "-vf", "select=eq(n\\,25)",
                                     "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "frame25.rgb" });
    ASSERT_EQ(frame.status, 0) << frame.err;
    std::string rgb = e2e_readFile(dir + "/frame25.rgb");
    E2eImage tga = e2e_frame(dir, 25);
    ASSERT_TRUE(tga.ok());
    ASSERT_EQ(rgb.size(), tga.rgb.size());
    double diff = 0;
    for (size_t i = 0; i < rgb.size(); i++) diff += abs((unsigned char)rgb[i] - tga.rgb[i]);
    EXPECT_LT(diff / rgb.size(), 4.0);

    /* the music: the low tone from the start, the high one from second 1 */
    E2eRun pcm = e2e_command(dir, { "ffmpeg", "-v", "error", "-i", "out.mp4", "-ac", "1", "-ar", "44100",
                                   "-f", "s16le", "music.raw" });
    ASSERT_EQ(pcm.status, 0) << pcm.err;
    std::string raw = e2e_readFile(dir + "/music.raw");
    std::vector<short> mono(raw.size() / 2);
    memcpy(mono.data(), raw.data(), mono.size() * 2);
    ASSERT_GT(mono.size(), (size_t)RATE * 19 / 10);
    const size_t win = RATE / 100;
    long highFrom = -1;
    for (size_t w = 0; w + win <= (size_t)RATE * 19 / 10; w += win) {
        EXPECT_GT(power(mono, w + win, win, 300), 1e-3) << "low tone at " << w;
        if (highFrom < 0 && power(mono, w, win, 2000) > 1e-3) highFrom = (long)w;
    }
    EXPECT_NEAR(highFrom, RATE, RATE / 50) << "the high tone starts at second 1";

    /* a party's video rules: H.264 High, 4:2:0 and AAC, at the size and rate asked for */
    run = e2e_command(dir, { LUMENO_PLAYER, "--render", "party.mp4", "--size", "1280x720", "--fps", "60" }, { "DISPLAY" });
    ASSERT_EQ(run.status, 0) << run.err;
    probe = e2e_command(dir, { "ffprobe", "-v", "error", "-show_entries",
                               "stream=codec_name,profile,width,height,pix_fmt,r_frame_rate", "-of", "default=nw=1", "party.mp4" });
    for (const char* want : { "codec_name=h264\nprofile=High\nwidth=1280\nheight=720\npix_fmt=yuv420p\n"
                              "r_frame_rate=60/1\n", "codec_name=aac\n" })
        EXPECT_NE(probe.out.find(want), std::string::npos) << want << "\n" << probe.out;
}

TEST(Render, RefusesWhatCannotBecomeAVideo)
{
    std::string dir = e2e_demo(std::string(kWindow) + "sound 1\ndemo_end 0.4\n",
                               "[background]\nstart 0\nend 1\nstring black.tga\n");
    mkdir((dir + "/bin").c_str(), 0755);
    mkdir((dir + "/clip.mp4").c_str(), 0755);
    symlink("/usr/bin/Xvfb", (dir + "/bin/Xvfb").c_str());

    struct Case { std::string output; const char* path; std::string message; };
    const Case cases[] = {
        { "missing/out.mp4", nullptr, "folder '" + dir + "/missing' does not exist" },
        { "clip.mp4", nullptr, "it is not a writable file" },
        { "out", nullptr, "its extension (.mp4, .mkv ...) chooses the format" },
        { "out.mp4", "bin", "Error: Rendering a video needs ffmpeg, which was not found" },
    };
    for (const Case& c : cases) {
        E2eRun run = render(dir, c.output, c.path ? dir + "/" + c.path : "");
        EXPECT_EQ(run.status, 1) << c.output;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(render(dir, "").status, 1);

    /* an ffmpeg that fails: a clear error, and no file left behind */
    e2e_writeFile(dir, "bin/ffmpeg", "#!/bin/sh\necho 'Unknown encoder' >&2\nexit 1\n");
    chmod((dir + "/bin/ffmpeg").c_str(), 0755);
    E2eRun failed = render(dir, "out.mp4", dir + "/bin");
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("Error: ffmpeg failed to write '" + dir + "/out.mp4': Unknown encoder"),
              std::string::npos) << failed.err;
    EXPECT_FALSE(e2e_exists(dir + "/out.mp4"));
    EXPECT_EQ(e2e_command(dir, { "sh", "-c", "ls -A | grep rendering" }).out, "");

    /* no sound section: a video without an audio track */
    E2eRun silent = render(dir, "silent.mkv");
    ASSERT_EQ(silent.status, 0) << silent.err;
    E2eRun probe = e2e_command(dir, { "ffprobe", "-v", "error", "-show_entries", "stream=codec_type",
                                     "-of", "default=nw=1", "silent.mkv" });
    EXPECT_EQ(probe.out, "codec_type=video\n");

    /* a demo that never ends */
    E2eRun endless = render(e2e_demo(std::string(kWindow) + "demo_end 0\n", ""), "endless.mp4");
    EXPECT_EQ(endless.status, 1);
    EXPECT_NE(endless.err.find("demo_end is 0: the demo never ends"), std::string::npos) << endless.err;
}

/* ---- the beat, seen as the x position of a small white picture ---- */

/* The picture sits at x = 64 with beat 0; each unit of beat moves it
** 80 pixels to the right (10 units of the transform at scale 0.05). */
std::string beatDemo(const std::string& globals, const std::string& more)
{
    std::string dir = e2e_demo(std::string(kWindow) + "record 1\ndemo_end 2\n" + globals,
                               "[image]\nstart 0\nend 3\nstring white.tga\nspline pos.spl\nmodify 1 7 BEAT\n" + more);
    e2e_writeTga(dir, "white.tga", e2e_solid(4, 4, 255, 255, 255));
    e2e_writeFile(dir, "pos.spl", "0.05 0.05 1  0 0 0  -12 0 0\n");
    return dir;
}

std::vector<double> beatLevels(const std::string& dir)
{
    std::vector<double> levels;
    for (int n = 0; n < 50; n++) {
        E2eImage f = e2e_frame(dir, n);
        int first = -1, last = -1;
        for (int x = 0; x < f.width; x++)
            if (e2e_channel(f, x, 120, 1) > 128) {
                if (first < 0) first = x;
                last = x;
            }
        levels.push_back(first < 0 ? -1.0 : ((first + last) / 2.0 - 64.0) / 80.0);
    }
    return levels;
}

std::vector<int> peaks(const std::vector<double>& v, double above)
{
    std::vector<int> at;
    for (size_t i = 0; i < v.size(); i++)
        if (v[i] > above && (i == 0 || v[i] > v[i - 1]) && (i + 1 == v.size() || v[i] >= v[i + 1]))
            at.push_back((int)i);
    return at;
}

TEST(Beat, FollowsTheClicksOfTheMusic)
{
    /* clicks half-way between frames: each shows in the frame after it */
    const double clicks[] = { 0.30, 0.74, 1.22, 1.50 };
    std::vector<short> pcm = tone(110, 2.5, 0.0);
    for (double c : clicks)
        for (int i = 0; i < 440; i++)
            pcm[(size_t)(c * RATE) + i] = (short)(20000 * exp(-i / 80.0) * sin(2 * M_PI * 1000 * i / RATE));
    std::string dir = beatDemo("sound 1\nbeat_source 2\n", "[sound]\nstart 0\nend 3\nstring clicks.wav\n");
    writeWav(dir, "clicks.wav", pcm);
    E2eRun run = e2e_run(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<double> level = beatLevels(dir);
    std::vector<int> at = peaks(level, 0.5);
    ASSERT_EQ(at.size(), 4u) << ::testing::PrintToString(level);
    for (size_t i = 0; i < at.size(); i++) {
        EXPECT_NEAR(at[i], ceil(clicks[i] * 25), 1) << "click " << i;
        EXPECT_GT(level[at[i]], 0.6);
    }
    EXPECT_LT(level[5], 0.05) << "no beat before the first click";
}

}  // namespace
