/*
** sync_editor_test.cpp -- the player and a sync editor: a stand-in editor (a TCP
** server in this test) drives a debug session whose fill colour follows a
** track, and a recording and --check read the track files.
**
** The live session is not recorded (record mode plays the files, never an
** editor): the private X server's screen shows each frame instead.
*/
#include "harness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <string.h>
#include <time.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string be32(uint32_t v) { return std::string{ (char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v }; }
std::string le32(uint32_t v) { return std::string{ (char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24) }; }
uint32_t bits(float f) { uint32_t b; memcpy(&b, &f, 4); return b; }
std::string fileKey(uint32_t row, float v, int i) { return le32(row) + le32(bits(v)) + (char)i; }
std::string setKey(uint32_t track, uint32_t row, float v, int i)
{
    return std::string(1, '\0') + be32(track) + be32(row) + be32(bits(v)) + (char)i;
}
std::string setRow(uint32_t row) { return "\3" + be32(row); }

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

/* The stand-in editor: a socket on a free port of 127.0.0.1, listening
** only once told to, so that the player first finds no editor. */
struct Editor {
    int listener = -1, peer = -1, port = 0;
    Editor()
    {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        bind(listener, (sockaddr*)&a, n);
        getsockname(listener, (sockaddr*)&a, &n);
        port = ntohs(a.sin_port);
    }
    ~Editor() { hangUp(); close(listener); }
    void hangUp() { if (peer >= 0) close(peer); peer = -1; }
    bool wait(int fd, double seconds) { pollfd p = { fd, POLLIN, 0 }; return poll(&p, 1, (int)(seconds * 1000)) > 0; }
    /* n bytes, or what came within the time */
    std::string read(size_t n, double seconds = 5)
    {
        std::string got;
        char b[256];
        while (got.size() < n && wait(peer, seconds)) {
            ssize_t k = recv(peer, b, std::min(sizeof b, n - got.size()), 0);
            if (k <= 0) break;
            got.append(b, (size_t)k);
        }
        return got;
    }
    void send(const std::string& bytes) { ::send(peer, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    /* accepts the player, greets it and returns the tracks it asks for */
    std::string accept(double seconds = 5)
    {
        if (!wait(listener, seconds)) return "no connection";
        peer = ::accept(listener, nullptr, nullptr);
        if (read(19) != "hello, synctracker!") return "no greeting";
        send("hello, demo!");
        std::string names;
        for (int i = 0; i < 4; i++) {
            std::string head = read(5);
            if (head.size() < 5 || head[0] != 2) return names + " no GET_TRACK";
            names += read((unsigned char)head[4]) + " ";
        }
        return names;
    }
    /* the rows the player reports within the time */
    std::vector<uint32_t> rows(double seconds)
    {
        std::vector<uint32_t> r;
        timespec t0, t;
        clock_gettime(CLOCK_MONOTONIC, &t0);
        for (double left = seconds; left > 0;) {
            std::string c = read(5, left);
            if (c.size() < 5 || c[0] != 3) break;
            r.push_back((uint32_t)(unsigned char)c[1] << 24 | (unsigned char)c[2] << 16 | (unsigned char)c[3] << 8 |
                        (unsigned char)c[4]);
            clock_gettime(CLOCK_MONOTONIC, &t);
            left = seconds - (t.tv_sec - t0.tv_sec) - (t.tv_nsec - t0.tv_nsec) * 1e-9;
        }
        return r;
    }
};

::testing::AssertionResult shows(const E2eProc& p, int red)
{
    for (int i = 0; i < 60; i++) {
        if (e2e_rgbNear(e2e_screen(p, 320, 240), 160, 120, red, 0, 0, 3)) return ::testing::AssertionSuccess();
        e2e_sleep(0.05);
    }
    return e2e_rgbNear(e2e_screen(p, 320, 240), 160, 120, red, 0, 0, 3);
}

/* A full-screen fill whose red is track fill:1 (green, blue, alpha: fill:2 to 4). */
std::string demo(const std::string& globals)
{
    std::string dir = e2e_demo("sound 0\ngl_width 320\ngl_height 240\ngl_panoramic 0\nbpm 120\n" + globals,
                               "[efxViewport]\nstart 0\nend 1000\nspline full.spl\nspline sync:fill\n");
    e2e_writeFile(dir, "full.spl", "0 0 1 1\n");
    return dir;
}

TEST(Sync, StandInEditorDrivesTheDemo)
{
    Editor editor;
    std::string dir = demo("debug 1\ndemo_end 0\nsync 1\nsync_port " + std::to_string(editor.port) + "\n");
    E2eProc p = e2e_start(dir);
    e2e_sleep(2.5);   /* no editor yet: a warning, and a retry every second */
    listen(editor.listener, 1);
    ASSERT_EQ(editor.accept(), "fill:1 fill:2 fill:3 fill:4 ");

    editor.send(std::string("\4\1", 2) + setKey(0, 16, 0.2f, 0) + setKey(0, 32, 0.6f, 1) + setKey(0, 48, 0.2f, 2) +
                setKey(0, 64, 1.0f, 3) + setKey(0, 80, 0.4f, 0));
    const struct { uint32_t row; double value; } table[] = {
        { 8, 0.2 }, { 24, 0.2 }, { 40, 0.4 }, { 56, 0.6 }, { 72, 0.85 }, { 100, 0.4 },
    };
    for (const auto& c : table) {
        editor.send(setRow(c.row));
        EXPECT_TRUE(shows(p, (int)(c.value * 255 + 0.5))) << "row " << c.row;
    }
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
    EXPECT_EQ(count(run.err, "sync editor at 127.0.0.1:"), 3) << run.err;
    EXPECT_EQ(count(run.err, "Connection refused; playing the saved tracks"), 1) << run.err;
    EXPECT_EQ(count(run.err, "it closed the connection;"), 1) << run.err;
    EXPECT_EQ(count(run.err, "it sent an unknown command (command 9)"), 1) << run.err;
}

TEST(Sync, RecordingAndCheckReadTheTrackFiles)
{
    Editor absent;   /* a port nobody listens on: record mode must not try it */
    std::string dir = demo("debug 1\nrecord 1\nrecord_fps 16\ndemo_end 0.7\nsync 1\nsync_port " +
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
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 2), 160, 120, 64, 0, 0, 3));
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 4), 160, 120, 128, 0, 0, 3));
    EXPECT_TRUE(e2e_rgbNear(e2e_frame(dir, 10), 160, 120, 255, 0, 0, 3));
    EXPECT_EQ(count(run.err, "sync editor"), 0) << run.err;
    EXPECT_EQ(count(run.err, "track file 'sync_fill-3A2.track' refused: shorter than its key count says"), 1)
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
