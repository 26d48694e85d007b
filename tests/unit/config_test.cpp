/*
** config_test.cpp -- the global keys: their table, defaults, how scripts
** override them, the playback variables reset at each start, and the
** shared random generator that reset reseeds.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "dk_script.h"
#include "gldrv.h"
#include "dk_random.h"
#include "testutil.h"

#include <dirent.h>
#include <math.h>
#include <string.h>
#include <strings.h>

#include <string>

/* Loads the given scripts (name, text pairs) from a fresh working folder;
** returns the name of the one parsed last (the file system's order decides). */
static std::string loadScripts(std::initializer_list<std::pair<const char*, const char*>> files)
{
    TempDir dir(true);
    for (auto& f : files) writeFile(f.first, f.second);
    std::string last;
    DIR* d = opendir(".");
    while (struct dirent* e = readdir(d))
        if (strstr(e->d_name, ".lum")) last = e->d_name;
    closedir(d);
    dkernel_loadScripts();
    return last;
}

/* A number key's value through its table entry; NaN when the key is missing. */
static double keyValue(const char* name)
{
    for (const ScriptCommand& c : scriptCommand)
        if (strcasecmp(c.name, name) == 0 && c.type != DK_KEY_STRING)
            return c.type == DK_KEY_INT ? *(int*)c.target : *(float*)c.target;
    ADD_FAILURE() << "no number key " << name;
    return NAN;
}

TEST(Config, EveryKeyStartsAtItsDefault)
{
    demoSystem.fps = 7;
    demoSystem.section_list = (Section*)&demoSystem;   /* must be cleared */
    loadScripts({});
    const std::pair<const char*, double> defaults[] = {
        { "config_dialog", 0 }, { "fps", 0 }, { "timing", 0 }, { "debug", 0 }, { "record", 0 }, { "record_fps", 25 },
        { "compress_tga", 0 }, { "loop", 0 }, { "sound", 1 }, { "bpm", 120 }, { "bench", 0 }, { "gamma", 1 },
        { "display_lists", 1 }, { "demo_start", 0 }, { "demo_end", 20 }, { "gl_fullscreen", 0 }, { "gl_panoramic", 1 },
        { "gl_info", 0 }, { "gl_width", 640 }, { "gl_height", 480 }, { "gl_bpp", 32 }, { "gl_zbuffer", 32 },
        { "gl_stencil", 0 }, { "gl_accum", 0 }, { "gl_multisampling", 0 }, { "gl_rttWidth", 1024 },
        { "gl_rttHeight", 512 }, { "gl_lowquality", 0 }, { "texture_detail", 5 },
        { "rows_per_beat", 8 }, { "sync", 0 }, { "sync_port", 1338 },
    };
    for (auto& d : defaults) EXPECT_EQ(keyValue(d.first), d.second) << d.first;
    EXPECT_STREQ(scriptCommand[0].name, "demo_name");
    EXPECT_STREQ(demoSystem.demo_name, "Lumeno Visuals Engine");
    EXPECT_STREQ(demoSystem.sync_host, "127.0.0.1");
    EXPECT_EQ(demoSystem.section_list, nullptr);
}

TEST(Config, ScriptsOverrideDefaultsAndTheLastParsedWins)
{
    std::string last = loadScripts({
        { "one.lum", "GL_WIDTH 800\nfps 1.5\ngamma 1.8\ndemo_end abc\ntiming 2x\nsound\n"
                     "bpm fast\nloop 99999999999\ndemo_start nan\ngamma 1e39\nDemo_Name  My demo  \n"
                     "config_dialog 1\ntexture_detail 3\ngl_rttWidth 256\n" },
        { "two.lum", "gl_width 1024\ndemo_end 0\nrecord_fps 1e2\n" },
    });
    EXPECT_EQ(keyValue("gl_width"), last == "two.lum" ? 1024 : 800);
    /* integer parts; unreadable numbers keep the value the key had */
    const std::pair<const char*, double> values[] = {
        { "fps", 1 }, { "timing", 2 }, { "gamma", 1.8f }, { "demo_end", 0 }, { "record_fps", 100 },
        { "config_dialog", 1 }, { "gl_rttWidth", 256 }, { "texture_detail", 3 }, { "sound", 1 }, { "bpm", 120 },
        { "loop", 0 }, { "demo_start", 0 },
    };
    for (auto& v : values) EXPECT_EQ(keyValue(v.first), v.second) << v.first;
    EXPECT_STREQ(demoSystem.demo_name, "My demo  ");
    loadScripts({});
}

TEST(Config, ResetRestartsClockCountersAndRandomSequence)
{
    demoSystem.demo_start = 3.5f;
    demoSystem.exit_flag = 1;
    demoSystem.time = demoSystem.step = demoSystem.frame_time = demoSystem.fps_value = demoSystem.fps_time = 9.0f;
    demoSystem.frames = demoSystem.fps_frames = 9;
    myRand();
    init_control_vars();
    EXPECT_TRUE(demoSystem.exit_flag == 0 && demoSystem.time == 3.5f);
    EXPECT_EQ(demoSystem.step + demoSystem.frame_time + demoSystem.fps_value + demoSystem.fps_time, 0.0f);
    EXPECT_EQ(demoSystem.frames + demoSystem.fps_frames, 0);
    EXPECT_EQ(myRand(), 1724332705u);
    EXPECT_TRUE(SEED_X == 360015559u && SEED_Y == 543111841u);
    demoSystem.demo_start = 0.0f;

    rand_seed(5, 0);   /* a zero word selects its default */
    EXPECT_TRUE(SEED_X == 5u && SEED_Y == DEF_SEED_Y);
    rand_seed(0xFFFFFFFFu, 7);   /* the words wrap */
    EXPECT_EQ(myRand(), ((23553u * 0xFFFFu + 0xFFFFu) << 16) + ((24699u * 7u) & 0xFFFFu));
}
