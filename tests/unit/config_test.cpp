/*
** config_test.cpp -- the global keys: defaults, how scripts override them,
** the playback variables reset at each start, and the shared random
** generator that reset reseeds.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "gldrv.h"
#include "tex.h"
#include "ps_random.h"

#include <dirent.h>
#include <ftw.h>
#include <string.h>
#include <unistd.h>

#include <string>

static int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return remove(path);
}

/* Loads the given scripts from a fresh working folder; returns the name of
** the one parsed last (the file system's listing order decides). */
static std::string loadScripts(const char* const* files, int count)
{
    char dir[] = "/tmp/lumeno_config_XXXXXX", home[4096];
    EXPECT_TRUE(getcwd(home, sizeof home) && mkdtemp(dir) && chdir(dir) == 0);
    for (int i = 0; i < count; i += 2) {
        FILE* f = fopen(files[i], "w");
        fputs(files[i + 1], f);
        fclose(f);
    }
    std::string last;
    DIR* d = opendir(".");
    while (struct dirent* e = readdir(d))
        if (strstr(e->d_name, ".lum"))
            last = e->d_name;
    closedir(d);
    dkernel_loadScripts();
    EXPECT_EQ(chdir(home), 0);
    nftw(dir, removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    return last;
}

TEST(Config, DefaultsWithoutAnyScript)
{
    demoSystem.fps = 7;
    demoSystem.section_list = (Section*)&demoSystem;   /* must be cleared */
    loadScripts(nullptr, 0);
    EXPECT_STREQ(demoSystem.demo_name, "Lumeno Visuals Engine");
    EXPECT_EQ(demoSystem.fps, 0);
    EXPECT_EQ(demoSystem.sound, 1);
    EXPECT_EQ(demoSystem.display_lists, 1);
    EXPECT_FLOAT_EQ(demoSystem.record_fps, 25.0f);
    EXPECT_FLOAT_EQ(demoSystem.bpm, 120.0f);
    EXPECT_FLOAT_EQ(demoSystem.gamma, 1.0f);
    EXPECT_FLOAT_EQ(demoSystem.demo_end, 20.0f);
    EXPECT_EQ(demoSystem.section_list, nullptr);
    EXPECT_EQ(glDriver.width, 640);
    EXPECT_EQ(glDriver.rtt_height, 512);
    EXPECT_EQ(tex_detail, 5);
}

TEST(Config, ScriptsOverrideDefaultsAndTheLastParsedWins)
{
    const char* files[] = {
        "one.lum", "GL_WIDTH 800\nfps 1.5\ngamma 1.8\ndemo_end abc\ntiming 2x\nsound\n"
                   "bpm fast\nloop 99999999999\ndemo_start nan\ngamma 1e39\nDemo_Name  My demo  \n"
                   "config_dialog 1\ntexture_detail 3\ngl_rttWidth 256\n",
        "two.lum", "gl_width 1024\ndemo_end 0\nrecord_fps 1e2\n",
    };
    std::string last = loadScripts(files, 4);
    EXPECT_EQ(glDriver.width, last == "two.lum" ? 1024 : 800);
    EXPECT_EQ(demoSystem.fps, 1);                   /* integer part */
    EXPECT_EQ(demoSystem.timing, 2);
    EXPECT_FLOAT_EQ(demoSystem.gamma, 1.8f);
    EXPECT_FLOAT_EQ(demoSystem.demo_end, 0.0f);
    EXPECT_FLOAT_EQ(demoSystem.record_fps, 100.0f);
    EXPECT_STREQ(demoSystem.demo_name, "My demo  ");
    EXPECT_EQ(demoSystem.config_dialog, 1);
    EXPECT_EQ(glDriver.rtt_width, 256);
    EXPECT_EQ(tex_detail, 3);
    /* unreadable numbers keep the value the key had */
    EXPECT_EQ(demoSystem.sound, 1);
    EXPECT_FLOAT_EQ(demoSystem.bpm, 120.0f);
    EXPECT_EQ(demoSystem.loop, 0);
    EXPECT_FLOAT_EQ(demoSystem.demo_start, 0.0f);
    tex_detail = 5;
}

TEST(Config, ResetRestartsClockCountersAndRandomSequence)
{
    demoSystem.demo_start = 3.5f;
    demoSystem.exit_flag = 1;
    demoSystem.time = demoSystem.step = demoSystem.frame_time = 9.0f;
    demoSystem.fps_value = demoSystem.fps_time = 9.0f;
    demoSystem.frames = demoSystem.fps_frames = 9;
    myRand();
    init_control_vars();
    EXPECT_EQ(demoSystem.exit_flag, 0);
    EXPECT_FLOAT_EQ(demoSystem.time, 3.5f);
    EXPECT_EQ(demoSystem.step + demoSystem.frame_time + demoSystem.fps_value + demoSystem.fps_time, 0.0f);
    EXPECT_EQ(demoSystem.frames + demoSystem.fps_frames, 0);
    EXPECT_EQ(myRand(), 1724332705u);
    EXPECT_EQ(SEED_X, 360015559u);
    EXPECT_EQ(SEED_Y, 543111841u);
    demoSystem.demo_start = 0.0f;

    rand_seed(5, 0);   /* a zero word selects its default */
    EXPECT_EQ(SEED_X, 5u);
    EXPECT_EQ(SEED_Y, DEF_SEED_Y);
    rand_seed(0xFFFFFFFFu, 7);   /* the words wrap */
    EXPECT_EQ(myRand(), ((23553u * 0xFFFFu + 0xFFFFu) << 16) + ((24699u * 7u) & 0xFFFFu));
}
