/*
** render_test.cpp -- the driver, texture loading and frame capture through
** the real player: fatal messages for impossible sizes and bad pictures,
** the GL information printout, compressed record frames, and record mode
** without a video folder.
*/
#include "harness.h"

#include <stdio.h>
#include <string>

namespace {

std::string demoWith(const std::string& globals, const std::string& picture = "black.tga")
{
    std::string dir = e2e_makeDemo();
    e2e_writeTga(dir, "black.tga", e2e_solid(8, 8, 0, 0, 0));
    e2e_writeFile(dir, "demo.lum", "record 1\nsound 0\ndemo_end 0.12\n" + globals +
                  e2e_loadingSection(picture) +
                  "[efxFader]\nstart 0\nend 1\nparam 0 1 0 1 0 1 0 1\n");
    return dir;
}

TEST(Render, ImpossibleSizesStopWithAMessage)
{
    E2eRun run = e2e_run(demoWith("gl_width 0\n"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: Set video mode failed: invalid window size 0 x 480\n");

    run = e2e_run(demoWith("gl_height 100000\n"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: Set video mode failed: invalid window size 640 x 100000\n");

    run = e2e_run(demoWith("gl_rttWidth 0\n"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: Invalid render-to-texture size 0 x 512\n");
}

TEST(Render, BadPicturesStopWithTheirMessage)
{
    E2eRun run = e2e_run(demoWith("", "missing.tga"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("Error: Error loading 'missing.tga': ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;

    // a TGA header announcing 20000 x 20000 pixels and nothing else
    std::string dir = demoWith("", "huge.tga");
    std::string header(18, '\0');
    header[2] = 2;
    header[12] = (char)(20000 & 0xFF);
    header[13] = (char)(20000 >> 8);
    header[14] = header[12];
    header[15] = header[13];
    header[16] = 24;
    e2e_writeFile(dir, "huge.tga", header);
    run = e2e_run(dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Error: Error loading 'huge.tga': picture too large (20000 x 20000)\n");
}

TEST(Render, GlInformationAndCapabilitySummary)
{
    E2eRun run = e2e_run(demoWith("gl_info 1\n"));
    ASSERT_EQ(run.status, 0) << run.err;
    std::string sep(60, '=');
    EXPECT_NE(run.out.find("\n" + sep + "\nOpenGL driver information\nvendor: "), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("standard extensions:\n   GL_"), std::string::npos);
    EXPECT_NE(run.out.find("\n   GL_ARB_multitexture\n"), std::string::npos);
    EXPECT_EQ(run.out.find("Maximum texture size"), std::string::npos) << "summary is debug only";
}

TEST(Render, CompressedRecordFramesHoldThePicture)
{
    std::string dir = demoWith("compress_tga 1\n");
    E2eRun run = e2e_run(dir);
    ASSERT_EQ(run.status, 0) << run.err;
    FILE* f = fopen((dir + "/video/00000001.tga").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char header[18];
    ASSERT_EQ(fread(header, 1, 18, f), 18u);
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    fclose(f);
    EXPECT_EQ(header[2], 10);
    EXPECT_LT(size, 640 * 480 * 3 / 10) << "flat frames compress well";
    E2eImage img = e2e_frame(dir, 1);
    ASSERT_TRUE(img.ok());
    EXPECT_TRUE(e2e_rgbNear(img, 0, 60, 0, 255, 0, 0));
    EXPECT_TRUE(e2e_rgbNear(img, 639, 419, 0, 255, 0, 0));
    EXPECT_TRUE(e2e_rgbNear(img, 320, 420, 0, 0, 0, 0));
}

TEST(Render, RecordWithoutVideoFolderWarnsOnceAndPlaysOn)
{
    std::string dir = demoWith("demo_end 0.4\n");
    ASSERT_EQ(remove((dir + "/video").c_str()), 0);
    E2eRun run = e2e_run(dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("video/00000000.tga"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Warning"), run.err.rfind("Warning")) << run.err;
    EXPECT_FALSE(e2e_exists(dir + "/video"));
}

}  // namespace
