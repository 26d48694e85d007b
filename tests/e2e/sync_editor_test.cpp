/*
** sync_editor_test.cpp -- the player and a sync editor: a stand-in editor (a TCP
** server in this test) drives a debug session whose fill colour follows a
** track, and a recording and --check read the track files.
**
** The live session is not recorded (record mode plays the files, never an
** editor): the private X server's screen shows each frame instead.
*/
#include "harness.h"
#include "sync_editor.h"


#include <string>

namespace {

::testing::AssertionResult shows(const E2eProc& p, int red)
{
    return e2e_waitScreen(p, { { 160, 120, red, 0, 0 } }, 3.0);
}

TEST(Sync, StandInEditorDrivesTheDemo)
{
    Editor editor;
    std::string dir = syncDemo("debug 1\ndemo_end 0\nsync 1\nsync_port " + std::to_string(editor.port) + "\n");
    E2eProc p = e2e_start(dir);
    e2e_sleep(2.5);   /* no editor yet: a warning, and a retry every second */
    listen(editor.listener, 1);
    ASSERT_EQ(editor.accept(), "fill:1 fill:2 fill:3 fill:4 ");

    editor.send(std::string("\4\1", 2) + setKey(0, 16, 0.2f, 0) + setKey(0, 32, 0.6f, 1) + setKey(0, 48, 0.2f, 2) +
                setKey(0, 64, 1.0f, 3) + setKey(0, 80, 0.4f, 0));
    /* each interpolation's values: SyncTrack.ValueAtRowsForEveryInterpolation */
    editor.send(setRow(40));   /* half-way down the linear key: 0.4 */
    EXPECT_TRUE(shows(p, 102));
    editor.send(setRow(100));   /* past the last key: 0.4 */
    EXPECT_TRUE(shows(p, 102));
    editor.send(setKey(0, 100, 0.9f, 1));   /* live, on the row shown */
    EXPECT_TRUE(shows(p, 230));

    editor.rows(0.3);   /* rows it played through before the first pause came */
    editor.send(std::string("\4\0", 2));   /* play: the player reports its rows */
    std::vector<uint32_t> rows = editor.rows(0.5);
    ASSERT_GE(rows.size(), 2u);
    EXPECT_GT(rows.back(), rows.front());
    EXPECT_GE(rows.front(), 100u);
    editor.send(std::string("\4\1", 2));
    editor.rows(0.3);
    EXPECT_TRUE(editor.rows(0.5).empty()) << "paused";
    e2e_keyDown(p, "F3");   /* the player's own seek key: the editor hears of it */
    e2e_sleep(0.3);
    e2e_keyUp(p, "F3");
    EXPECT_FALSE(editor.rows(1.0).empty());

    editor.send("\5");
    ASSERT_TRUE(e2e_waitOutput(p, "sync: 4 of 4 track files saved"));
    EXPECT_EQ(e2e_readFile(dir + "/sync_fill-3A1.track"), le32(6) + fileKey(16, 0.2f, 0) + fileKey(32, 0.6f, 1) +
                  fileKey(48, 0.2f, 2) + fileKey(64, 1.0f, 3) + fileKey(80, 0.4f, 0) + fileKey(100, 0.9f, 1));
    EXPECT_EQ(e2e_readFile(dir + "/sync_fill-3A4.track"), le32(0));

    /* an unsaved key, then the editor goes: the saved tracks play */
    editor.send(setKey(0, 100, 0.5f, 0) + setKey(0, 100000, 0.5f, 0));
    EXPECT_TRUE(shows(p, 128));
    editor.hangUp();
    EXPECT_TRUE(shows(p, 230));
    e2e_writeFile(dir, "sync_fill-3A1.track", le32(1) + fileKey(0, 0.3f, 0));   /* live reload reads it */
    EXPECT_TRUE(shows(p, 77));
    /* it comes back; then it sends nonsense and is dropped, and back again */
    EXPECT_EQ(editor.accept(), "fill:1 fill:2 fill:3 fill:4 ");
    editor.send("\x09");
    EXPECT_EQ(editor.read(1, 2.0), "") << "dropped";
    editor.hangUp();
    EXPECT_EQ(editor.accept(), "fill:1 fill:2 fill:3 fill:4 ");

    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(e2e_count(run.err, "sync editor at 127.0.0.1:"), 3) << run.err;
    EXPECT_EQ(e2e_count(run.err, "Connection refused; playing the saved tracks"), 1) << run.err;
    EXPECT_EQ(e2e_count(run.err, "it closed the connection;"), 1) << run.err;
    EXPECT_EQ(e2e_count(run.err, "it sent an unknown command (command 9)"), 1) << run.err;
}

TEST(Sync, RecordingAndCheckReadTheTrackFiles)
{
    Editor absent;   /* a port nobody listens on: record mode must not try it */
    std::string dir = syncDemo("debug 1\nrecord 1\nrecord_fps 16\ndemo_end 0.7\nsync 1\nsync_port " +
                           std::to_string(absent.port) + "\n");
    /* 16 frames a second at 16 rows a second: frame n is row n */
    e2e_writeFile(dir, "sync_fill-3A1.track", le32(2) + fileKey(0, 0.0f, 1) + fileKey(8, 1.0f, 0));
    e2e_writeFile(dir, "sync_fill-3A2.track", le32(2) + fileKey(0, 0.5f, 0));
    e2e_writeFile(dir, "sync_other-3A1.track", "unused and damaged");
    E2eProc p = e2e_start(dir);
    for (int i = 0; i < 200 && e2e_frameCount(dir) < 12; i++) e2e_sleep(0.05);
    e2e_key(p, "Escape");
    E2eRun run = e2e_finish(p);
    EXPECT_EQ(run.status, 0) << run.err;
    /* the values between keys: SyncTrack.ValueAtRowsForEveryInterpolation */
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 4), 160, 120, 128, 0, 0, 3));
    EXPECT_EQ(e2e_count(run.err, "sync editor"), 0) << run.err;
    EXPECT_EQ(e2e_count(run.err, "track file 'sync_fill-3A2.track' refused: shorter than its key count says"), 1)
        << run.err;

    E2eRun check = e2e_command(dir, { LUMENO_PLAYER, "--check" });
    const std::string& report = check.out;
    EXPECT_EQ(check.status, 1) << report << check.err;
    EXPECT_NE(report.find("demo.lum:19: efxViewport: track file 'sync_fill-3A2.track' refused: shorter than its key "
                          "count says"), std::string::npos) << report;
    EXPECT_NE(report.find("demo.lum:19: efxViewport: cannot read 'sync_fill-3A3.track'"), std::string::npos) << report;
    EXPECT_EQ(report.find("sync_other"), std::string::npos) << report;
    EXPECT_NE(report.find(": 3 errors, 0 warnings"), std::string::npos) << report;
}

}  // namespace
