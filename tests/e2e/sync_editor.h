/*
** sync_editor.h -- a stand-in sync editor for the tests: a TCP server on
** 127.0.0.1 that greets the player, reads the tracks it asks for, sends
** the editor's commands and hears the rows it reports; the byte coding of
** commands and track files; and a demo whose full-screen fill follows the
** tracks fill:1 to fill:4.
*/
#ifndef SYNC_EDITOR_H
#define SYNC_EDITOR_H

#include "harness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

inline std::string be32(uint32_t v) { return std::string{ (char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v }; }
inline std::string le32(uint32_t v) { return std::string{ (char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24) }; }
inline uint32_t bits(float f) { uint32_t b; memcpy(&b, &f, 4); return b; }
inline std::string fileKey(uint32_t row, float v, int i) { return le32(row) + le32(bits(v)) + (char)i; }
inline std::string setKey(uint32_t track, uint32_t row, float v, int i)
{
    return std::string(1, '\0') + be32(track) + be32(row) + be32(bits(v)) + (char)i;
}
inline std::string setRow(uint32_t row) { return "\3" + be32(row); }

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
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds((long)(seconds * 1000));
        for (std::string c; std::chrono::steady_clock::now() < until;) {
            c = read(5, std::chrono::duration<double>(until - std::chrono::steady_clock::now()).count());
            if (c.size() < 5 || c[0] != 3) break;
            r.push_back((uint32_t)(unsigned char)c[1] << 24 | (unsigned char)c[2] << 16 | (unsigned char)c[3] << 8 |
                        (unsigned char)c[4]);
        }
        return r;
    }
};

/* A full-screen fill whose red is track fill:1 (green, blue, alpha: fill:2 to 4). */
inline std::string syncDemo(const std::string& globals)
{
    std::string dir = e2e_demo("sound 0\ngl_width 320\ngl_height 240\ngl_panoramic 0\nbpm 120\n" + globals,
                               "[efxViewport]\nstart 0\nend 1000\nspline full.spl\nspline sync:fill\n");
    e2e_writeFile(dir, "full.spl", "0 0 1 1\n");
    return dir;
}

#endif
