/*
** st_sync.cpp -- the connection to a sync editor and what its commands do
** to the demo.
**
** The demo never waits for the editor: connecting, the greeting, sending
** and receiving all go on across frames with non-blocking sockets.  With
** no editor, or when it goes away or sends something we cannot take, the
** tracks are read from their files again, one warning says so, and a new
** connection is tried about once a second.  While connected the tracks
** are the editor's (syncState.live) and their files are left alone.
*/
#include "st_sync.h"
#include "st_socket.h"
#include "st_syncproto.h"
#include "dk_loop.h"
#include "dk_sync.h"
#include "dkernel.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

SyncClient syncClient = { -1, SYNCCLIENT_IDLE, 0, 0, 0, 0, {}, {}, 0, -1, 0, {}, 0, 0, nullptr, {}, 0 };

#define SYNCCLIENT_RETRY_MS     1000
#define SYNCCLIENT_CONNECT_MS   2000   /* a host that drops the attempt */
#define SYNCCLIENT_GREETING_MS  3000   /* a listener that is no editor */
#define SYNCCLIENT_READ_MAX     65536  /* bytes waiting before we stop reading */
#define SYNCCLIENT_COMMANDS_MAX 1024   /* a frame's share of a flood */
#define SYNCCLIENT_OUT_MAX      (1 << 20)

static SyncClient& c = syncClient;

/* The row the editor should show: whole, and within what it can hold. */
static long long currentRow(void)
{
    double row = floor(sync_row(demoSystem.time));
    if (!(row > 0.0))
        return 0;
    return row < 4294967295.0 ? (long long)row : 4294967295LL;
}

/* Ends the connection (if any); with a reason, warns once per absence. */
static void drop(const char* why)
{
    if (c.fd >= 0)
        sock_close(c.fd);
    c.fd = -1;
    c.phase = SYNCCLIENT_IDLE;
    c.in.clear();
    c.out.clear();
    c.tried = 1;
    c.next_try = dkernel_ticks() + SYNCCLIENT_RETRY_MS;
    if (why && !c.warned) {
        dkernel_warn("sync editor at %s:%d: %s; playing the saved tracks and trying again every second",
                     c.host.c_str(), c.port, why);
        c.warned = 1;
    }
    if (syncState.live) {
        syncState.live = 0;
        sync_readAllFiles();
    }
}

/* ---- the address ---- */

static int resolve(void)
{
    std::string host = demoSystem.sync_host ? demoSystem.sync_host : "";
    /* a string key is the whole rest of its line */
    size_t first = host.find_first_not_of(" \t\r\n");
    size_t last = host.find_last_not_of(" \t\r\n");
    host = first == std::string::npos ? "" : host.substr(first, last - first + 1);
    if (c.resolved && host == c.host && demoSystem.sync_port == c.port)
        return c.resolved > 0;

    c.host = host;
    c.port = demoSystem.sync_port;
    c.resolved = -1;
    memset(&c.address, 0, sizeof c.address);
    if (c.port < 1 || c.port > 65535) {
        c.lookup_error = "sync_port is no TCP port (1 to 65535)";
        return 0;
    }
    sockaddr_in* v4 = (sockaddr_in*)&c.address;
    sockaddr_in6* v6 = (sockaddr_in6*)&c.address;
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons((uint16_t)c.port);
        c.address_length = sizeof *v4;
    } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons((uint16_t)c.port);
        c.address_length = sizeof *v6;
    } else {
        /* A name is looked up once (the one call that may wait), not on
        ** every retry; a numeric address never waits. */
        addrinfo hints;
        memset(&hints, 0, sizeof hints);
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
            c.lookup_error = "sync_host is no address or known host name";
            return 0;
        }
        memcpy(&c.address, found->ai_addr, found->ai_addrlen);
        c.address_length = found->ai_addrlen;
        freeaddrinfo(found);
        if (c.address.ss_family == AF_INET)
            v4->sin_port = htons((uint16_t)c.port);
        else
            v6->sin6_port = htons((uint16_t)c.port);
    }
    c.resolved = 1;
    return 1;
}

/* ---- the connection ---- */

static void startGreeting(void)
{
    c.phase = SYNCCLIENT_GREETING;
    c.since = dkernel_ticks();
    c.out.assign(syncproto_hello, sizeof syncproto_hello - 1);
}

static void startConnect(void)
{
    c.tried = 1;
    c.next_try = dkernel_ticks() + SYNCCLIENT_RETRY_MS;
    if (!resolve()) {
        drop(c.lookup_error);
        return;
    }
    c.fd = sock_open(c.address.ss_family);
    if (c.fd < 0) {
        drop(sock_error());
        return;
    }
    int done = sock_connect(c.fd, (const sockaddr*)&c.address, c.address_length);
    if (done > 0) {
        startGreeting();
    } else if (done == 0) {
        c.phase = SYNCCLIENT_CONNECTING;
        c.since = dkernel_ticks();
    } else {
        drop(sock_error());
    }
}

static void checkConnect(void)
{
    int done = sock_connected(c.fd);
    if (done > 0)
        startGreeting();
    else if (done < 0)
        drop(sock_error());
    else if (dkernel_ticks() - c.since > SYNCCLIENT_CONNECT_MS)
        drop("no answer to the connection");
}

static void flushOut(void)
{
    while (!c.out.empty()) {
        long n = sock_send(c.fd, c.out.data(), c.out.size());
        if (n > 0) {
            c.out.erase(0, (size_t)n);
        } else if (n == 0) {
            break;
        } else {
            drop(sock_error());
            return;
        }
    }
    if (c.out.size() > SYNCCLIENT_OUT_MAX)
        drop("the editor does not read what the player sends");
}

/* Takes what has arrived; false when the editor has closed the connection. */
static bool receive(void)
{
    char buffer[16384];
    /* what is not decoded yet waits in the socket, so a flood costs each
    ** frame the same bounded work */
    while (c.in.size() < SYNCCLIENT_READ_MAX) {
        long n = sock_recv(c.fd, buffer, sizeof buffer);
        if (n > 0)
            c.in.append(buffer, (size_t)n);
        else if (n == -1)
            break;
        else   /* closed, or a reset: the caller reports it as closed */
            return false;
    }
    return true;
}

static void requestTracks(void)
{
    while (c.requested < (unsigned)syncState.track_count)
        syncproto_getTrack(c.out, syncState.tracks[c.requested++].name);
}

static void connected(void)
{
    c.phase = SYNCCLIENT_CONNECTED;
    c.warned = 0;
    /* the editor's keys replace the files' from now on, all of them */
    syncState.live = 1;
    for (int i = 0; i < syncState.track_count; i++)
        track_clear(&syncState.tracks[i]);
    c.requested = 0;
    c.row = currentRow();
    c.state = demoSystem.state;
    printf("sync: connected to the editor at %s:%d\n", c.host.c_str(), c.port);
    fflush(stdout);
    requestTracks();
}

static void checkGreeting(void)
{
    size_t want = sizeof syncproto_welcome - 1;
    bool open = receive();
    size_t have = c.in.size() < want ? c.in.size() : want;
    if (memcmp(c.in.data(), syncproto_welcome, have) != 0) {
        drop("it answered the greeting with something else");
    } else if (have == want) {
        c.in.erase(0, want);
        connected();
    } else if (!open) {
        drop("it closed the connection during the greeting");
    } else if (dkernel_ticks() - c.since > SYNCCLIENT_GREETING_MS) {
        drop("it did not answer the greeting");
    }
}

/* ---- what the editor's commands do ---- */

static void seek(uint32_t row)
{
    float seconds = sync_seconds((double)row);
    if (seconds < demoSystem.demo_start)
        seconds = demoSystem.demo_start;
    if (demoSystem.demo_end > 0.0f && seconds > demoSystem.demo_end)
        seconds = demoSystem.demo_end;
    demoSystem.time = seconds;
    /* as after the debug keys: the sections due now start again there, the
    ** music among them when playing */
    reinit_sectionQueues();
    c.row = currentRow();
}

static void saveTracks(void)
{
    int saved = 0;
    for (int i = 0; i < syncState.track_count; i++)
        saved += sync_writeFile(i);
    printf("sync: %d of %d track files saved\n", saved, syncState.track_count);
    fflush(stdout);
}

/* Applies a command; false when it ended the connection. */
static bool apply(const SyncCommand& command)
{
    switch (command.type) {
    case SYNC_SET_KEY:
        if (!track_setKey(&syncState.tracks[command.track], command.row, command.value, command.interpolation)) {
            drop("it sent more keys than a track may hold");
            return false;
        }
        break;
    case SYNC_DELETE_KEY:
        track_deleteKey(&syncState.tracks[command.track], command.row);
        break;
    case SYNC_SET_ROW:
        seek(command.row);
        break;
    case SYNC_PAUSE:
        if (command.pause && demoSystem.state == 0)
            dkernel_pause();
        else if (!command.pause && demoSystem.state != 0)
            dkernel_play();
        c.state = demoSystem.state;
        break;
    case SYNC_SAVE_TRACKS:
        saveTracks();
        break;
    default:
        break;
    }
    return true;
}

static void exchange(void)
{
    bool open = receive();
    size_t at = 0;
    int done = 0;
    for (; c.phase == SYNCCLIENT_CONNECTED && done < SYNCCLIENT_COMMANDS_MAX; done++) {
        SyncCommand command;
        const char* why = nullptr;
        int used = syncproto_decode((const unsigned char*)c.in.data() + at, c.in.size() - at, c.requested,
                                    &command, &why);
        if (used == 0)
            break;
        if (used < 0) {
            char message[128];
            snprintf(message, sizeof message, "it sent %s (command %d); connection dropped", why,
                     (unsigned char)c.in[at]);
            drop(message);
            return;
        }
        at += (size_t)used;
        if (!apply(command))
            return;
    }
    c.in.erase(0, at);
    /* a closed connection still reads as closed next frame: the commands
    ** it sent before are all taken first */
    if (!open && done < SYNCCLIENT_COMMANDS_MAX) {
        drop(c.in.empty() ? "it closed the connection" : "the connection ended in the middle of a command");
        return;
    }
    requestTracks();
    /* playing, or moved by the player's own keys: the editor follows */
    long long row = currentRow();
    if (row != c.row || demoSystem.state != c.state) {
        syncproto_setRow(c.out, (uint32_t)row);
        c.row = row;
        c.state = demoSystem.state;
    }
}

void syncclient_poll(void)
{
    if (!sync_wantsEditor()) {
        /* a reload turned sync off: the files rule again, quietly */
        if (c.phase != SYNCCLIENT_IDLE || syncState.live)
            drop(nullptr);
        c.tried = 0;
        c.warned = 0;
        return;
    }
    if (c.phase == SYNCCLIENT_IDLE) {
        if (c.tried && (int)(dkernel_ticks() - c.next_try) < 0)
            return;
        startConnect();
    }
    if (c.phase == SYNCCLIENT_CONNECTING)
        checkConnect();
    if (c.phase == SYNCCLIENT_GREETING) {
        flushOut();
        if (c.phase == SYNCCLIENT_GREETING)
            checkGreeting();
    }
    if (c.phase == SYNCCLIENT_CONNECTED) {
        exchange();
        if (c.phase == SYNCCLIENT_CONNECTED)
            flushOut();
    }
}
