/*
** config_test.cpp -- the global keys: table, defaults, how scripts
** override them, the playback variables reset at each start, and the
** shared random generator that reset reseeds.
*/
#include <gtest/gtest.h>

#include "dkernel.h"
#include "dk_script.h"
#include "gldrv.h"
#include "tex.h"
#include "ps_random.h"

#include <dirent.h>
#include <ftw.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

static void writeFile(const std::string& path, const std::string& text)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

static int removeEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return remove(path);
}

/* Each test loads the scripts of its own empty working folder. */
class Config : public ::testing::Test {
protected:
    char dir[64] = "/tmp/lumeno_config_XXXXXX";
    char home[4096] = "";

    void SetUp() override
    {
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        ASSERT_NE(mkdtemp(dir), nullptr);
        ASSERT_EQ(chdir(dir), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(home), 0);
        nftw(dir, removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
};

TEST(ConfigTable, ThirtyKeysInOrderWithTheirStorage)
{
    const char* names[DK_SCRIPT_COMMANDS] = {
        "demo_name", "config_dialog", "fps", "timing", "debug", "record", "record_fps",
        "compress_tga", "loop", "sound", "bpm", "bench", "gamma", "display_lists",
        "demo_start", "demo_end", "gl_fullscreen", "gl_panoramic", "gl_info", "gl_width",
        "gl_height", "gl_bpp", "gl_zbuffer", "gl_stencil", "gl_accum", "gl_multisampling",
        "gl_rttWidth", "gl_rttHeight", "gl_lowquality", "texture_detail",
    };
    for (int i = 0; i < DK_SCRIPT_COMMANDS; i++) {
        EXPECT_STREQ(scriptCommand[i].name, names[i]);
        int expected = i == 0 ? DK_KEY_STRING
                     : (i == 6 || i == 10 || i == 12 || i == 14 || i == 15) ? DK_KEY_FLOAT
                     : DK_KEY_INT;
        EXPECT_EQ(scriptCommand[i].type, expected) << names[i];
    }
    EXPECT_EQ(scriptCommand[15].target, &demoSystem.demo_end);
    EXPECT_EQ(scriptCommand[26].target, &glDriver.rtt_width);
    EXPECT_EQ(scriptCommand[28].target, &glDriver.lowquality);
    EXPECT_EQ(scriptCommand[29].target, &tex_detail);
}

TEST_F(Config, DefaultsWithoutAnyScript)
{
    demoSystem.fps = 7;
    demoSystem.section_list = (Section*)&demoSystem;   /* must be cleared */
    dkernel_loadScripts();
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
    EXPECT_EQ(glDriver.height, 480);
    EXPECT_EQ(glDriver.panoramic, 1);
    EXPECT_EQ(glDriver.rtt_width, 1024);
    EXPECT_EQ(glDriver.rtt_height, 512);
    EXPECT_EQ(tex_detail, 5);
}

TEST_F(Config, ScriptsOverrideDefaultsAndTheLastParsedWins)
{
    writeFile("one.lum", "GL_WIDTH 800\nfps 1.5\ngamma 1.8\ndemo_end abc\ntiming 2x\n"
                         "Demo_Name  My demo  \nconfig_dialog 1\ntexture_detail 3\n");
    writeFile("two.lum", "gl_width 1024\ndemo_end 0\nrecord_fps 1e2\n");

    /* the file system's listing order decides which script is last */
    std::string last;
    DIR* d = opendir(".");
    while (struct dirent* e = readdir(d))
        if (strstr(e->d_name, ".lum"))
            last = e->d_name;
    closedir(d);

    dkernel_loadScripts();
    EXPECT_EQ(glDriver.width, last == "two.lum" ? 1024 : 800);
    EXPECT_EQ(demoSystem.fps, 1);                   /* integer part */
    EXPECT_EQ(demoSystem.timing, 2);
    EXPECT_FLOAT_EQ(demoSystem.gamma, 1.8f);
    EXPECT_FLOAT_EQ(demoSystem.demo_end, 0.0f);     /* abc kept the value it had */
    EXPECT_FLOAT_EQ(demoSystem.record_fps, 100.0f);
    EXPECT_STREQ(demoSystem.demo_name, "My demo  ");
    EXPECT_EQ(demoSystem.config_dialog, 1);
    EXPECT_EQ(tex_detail, 3);
    tex_detail = 5;
}

TEST_F(Config, UnreadableNumbersKeepTheDefault)
{
    writeFile("a.lum", "sound\nbpm fast\nloop 99999999999\ndemo_start nan\n");
    dkernel_loadScripts();
    EXPECT_EQ(demoSystem.sound, 1);
    EXPECT_FLOAT_EQ(demoSystem.bpm, 120.0f);
    EXPECT_EQ(demoSystem.loop, 0);
    EXPECT_FLOAT_EQ(demoSystem.demo_start, 0.0f);
}

TEST_F(Config, UnknownKeyIsFatal)
{
    writeFile("a.lum", "fps 1\nwidth 800\n");
    EXPECT_EXIT(dkernel_loadScripts(), ::testing::ExitedWithCode(1),
                "Error: Unknown variable \\(script '\\./a\\.lum', line 2\\)");
}

TEST(ConfigPlayback, ResetRestartsClockCountersAndRandomSequence)
{
    char* argv[] = { (char*)"player", nullptr };
    dkernel_getArguments(1, argv);
    EXPECT_EQ(demoSystem.argc, 1);
    EXPECT_EQ(demoSystem.argv, argv);

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
}

TEST(ConfigPlayback, RandomSeedZeroSelectsTheDefaultWord)
{
    rand_seed(5, 0);
    EXPECT_EQ(SEED_X, 5u);
    EXPECT_EQ(SEED_Y, DEF_SEED_Y);
    rand_seed(0, 7);
    EXPECT_EQ(SEED_X, DEF_SEED_X);
    EXPECT_EQ(SEED_Y, 7u);
    /* the words wrap: a maximal seed keeps producing the same sequence */
    rand_seed(0xFFFFFFFFu, 0xFFFFFFFFu);
    uint32_t a = myRand();
    rand_seed(0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_EQ(myRand(), a);
    EXPECT_EQ(a, ((23553u * 0xFFFFu + 0xFFFFu) << 16) + ((24699u * 0xFFFFu + 0xFFFFu) & 0xFFFFu));
}
