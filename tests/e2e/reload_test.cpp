/*
** reload_test.cpp -- live reload in the real player: a picture, a broken
** script, its fix and its removal, all while one debug session plays.
*/
#include "harness.h"

#include <string>
#include <unistd.h>

namespace {

const char* kScript =
    "debug 1\nsound 0\ndemo_end 0\ngl_width 320\ngl_height 240\ngl_panoramic 0\n";

const char* kPicture = "[background]\nstart 0\nend 100\nstring pic.tga\n";

std::string demoScript(const std::string& more)
{
    return kScript + e2e_loadingSection("black.tga") + kPicture + more;
}

bool waitCount(const E2eProc& p, const std::string& what, int n)
{
    for (int i = 0; i < 200; i++) {
        if (e2e_count(e2e_currentOutput(p), what) >= n) return true;
        e2e_sleep(0.05);
    }
    return false;
}

/* The time the Return key prints: the last line of the output so far. */
std::string printedTime(const E2eProc& p, int nth)
{
    int before = e2e_count(e2e_currentOutput(p), "\n");
    e2e_key(p, "Return");
    for (int i = 0; i < 100 && e2e_count(e2e_currentOutput(p), "\n") == before; i++) e2e_sleep(0.05);
    std::string out = e2e_currentOutput(p);
    size_t end = out.rfind('\n');
    size_t start = out.rfind('\n', end - 1);
    SCOPED_TRACE(nth);
    return out.substr(start + 1, end - start - 1);
}

::testing::AssertionResult shows(const E2eProc& p, int r, int g, int b)
{
    return e2e_waitScreen(p, { { 160, 120, r, g, b } }, 2.0, 4);
}

TEST(LiveReload, PicturesAndScriptsReloadAtTheSameSecond)
{
    std::string dir = e2e_demo(kScript, kPicture);
    e2e_writeTga(dir, "pic.tga", e2e_solid(8, 8, 200, 0, 0));
    e2e_writeTga(dir, "blue.tga", e2e_solid(8, 8, 0, 0, 200));
    E2eProc p = e2e_start(dir);
    ASSERT_TRUE(e2e_waitOutput(p, "live reload: watching")) << e2e_currentOutput(p);
    ASSERT_TRUE(shows(p, 200, 0, 0));

    /* paused: a reload must leave the clock exactly where it was */
    e2e_key(p, "space");
    e2e_sleep(0.3);
    std::string paused = printedTime(p, 1);

    e2e_writeTga(dir, "pic.tga", e2e_solid(8, 8, 0, 200, 0));
    ASSERT_TRUE(waitCount(p, "live reload: second", 1)) << e2e_currentOutput(p);
    EXPECT_TRUE(shows(p, 0, 200, 0)) << "the changed picture";
    EXPECT_EQ(printedTime(p, 2), paused);
    EXPECT_NE(e2e_currentOutput(p).find("1 of 1 sections loaded again"), std::string::npos);

    /* a broken script: the error is printed and the demo plays on */
    e2e_writeFile(dir, "demo.lum", demoScript("bogus_key 1\n"));
    e2e_sleep(1.0);
    EXPECT_TRUE(shows(p, 0, 200, 0)) << "the last good demo";
    EXPECT_EQ(e2e_count(e2e_currentOutput(p), "live reload: second"), 1);

    /* the fix loads only the new section; the old one is kept */
    e2e_writeFile(dir, "demo.lum", demoScript("[background]\nstart 0\nend 100\nlayer 3\nstring blue.tga\n"));
    ASSERT_TRUE(waitCount(p, "live reload: second", 2)) << e2e_currentOutput(p);
    EXPECT_TRUE(shows(p, 0, 0, 200));
    EXPECT_NE(e2e_currentOutput(p).find("1 of 2 sections loaded again"), std::string::npos);
    EXPECT_EQ(printedTime(p, 3), paused);

    /* the script goes away: nothing to load, the demo plays on */
    unlink((dir + "/demo.lum").c_str());
    e2e_sleep(1.0);
    EXPECT_TRUE(shows(p, 0, 0, 200));
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Error: Unknown section variable (script './demo.lum', line 18)\n"
                           "live reload: the demo plays on as it was"),
              std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Error: Loading section not found\nlive reload:"), std::string::npos) << run.err;
}

}  // namespace
