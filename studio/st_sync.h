/*
** st_sync.h -- the player as a sync editor's client: with `sync 1` in
** debug mode it connects to the editor at sync_host:sync_port, asks for
** every track, takes the editor's keys, seeks, pauses and saves, and tells
** the editor its row.  Never waits on the network: every socket call is
** non-blocking and the work is done a little each frame.
*/
#ifndef ST_SYNC_H
#define ST_SYNC_H

#include "st_socket.h"

#include <string>

/* where the connection stands */
#define SYNCCLIENT_IDLE       0   /* none; another try at next_try */
#define SYNCCLIENT_CONNECTING 1   /* connect() under way */
#define SYNCCLIENT_GREETING   2   /* hello sent, the answer awaited */
#define SYNCCLIENT_CONNECTED  3

struct SyncClient {
    int         fd;           /* -1 without a connection */
    int         phase;
    unsigned    since;        /* tick the phase began */
    unsigned    next_try;     /* tick of the next attempt, once one was made */
    int         tried;
    int         warned;       /* the one warning of this absence was given */
    std::string out;          /* bytes not sent yet */
    std::string in;           /* bytes not decoded yet */
    unsigned    requested;    /* tracks asked for: 0 ... requested-1 */
    long long   row;          /* the row the editor was last told or sent */
    int         state;        /* playback state when it was */
    /* the address, looked up once per host and port */
    std::string host;
    int         port;
    int         resolved;     /* 1 found, -1 not found, 0 not looked up */
    const char* lookup_error;
    sockaddr_storage address;
    socklen_t   address_length;
};

extern SyncClient syncClient;

/* Once a frame: connects, retries, exchanges what is due.  Does nothing
** (and lets go of an editor) unless the run should follow one. */
void syncclient_poll(void);

#endif
