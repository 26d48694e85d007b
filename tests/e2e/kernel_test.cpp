/*
** kernel_test.cpp -- the real player end to end: loading phase, viewport,
** record-mode clock, bench score, fatal messages, section order and layers
** drawn with the colour effects.
*/
#include "harness.h"

#include <string>

static std::string recordDemo(const std::string& globals, const std::string& sections)
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(8, 8, 0, 0, 0));
    e2e_writeFile(dir, "demo.lum", "record 1\nsound 0\n" + globals +
                  e2e_loadingSection("black.tga") + sections);
    return dir;
}

TEST(Kernel, MissingLoadingSectionIsFatal)
{
    std::string dir = e2e_makeDemo();
    e2e_writeFile(dir, "demo.lum", "sound 0\n[efxInverse]\nstart 0\nend 1\n");
    E2eRun run = e2e_run(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: Loading section not found\n");
}

TEST(Kernel, FaderOverBlackGivesExactColour)
{
    std::string dir = recordDemo("demo_end 0.5\n",
        "[efxFader]\nstart 0\nend 1\nparam 1 0 0 1 1 0 0 1\n");
    E2eRun run = e2e_run(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    E2eImage f = e2e_frame(dir, 3);
    ASSERT_TRUE(f.ok());
    EXPECT_TRUE(e2e_rgbNear(f, 320, 240, 255, 0, 0, 1));
}
