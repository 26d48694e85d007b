/*
** st_socket.cpp -- non-blocking TCP for the sync client on Linux (BSD
** sockets) and Windows (Winsock).  Whatever differs between the two stays
** in this file: starting Winsock, the non-blocking switch, the error codes
** and their texts, and how a finished connect shows.
*/
#include "st_socket.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32

static int failure;   /* the Winsock code of the last failure */

static int fail(void)
{
    failure = WSAGetLastError();
    return -1;
}

int sock_open(int family)
{
    static int started;
    if (!started) {
        WSADATA data;
        if ((failure = WSAStartup(MAKEWORD(2, 2), &data)) != 0)
            return -1;
        started = 1;
    }
    SOCKET s = socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return fail();
    u_long on = 1;
    BOOL nodelay = TRUE;
    if (ioctlsocket(s, FIONBIO, &on) != 0) {
        fail();
        closesocket(s);
        return -1;
    }
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, (const char*)&nodelay, sizeof nodelay);
    /* socket handles are small numbers in practice, as the int fd of the
    ** client record expects */
    return (int)s;
}

int sock_connect(int s, const sockaddr* address, socklen_t length)
{
    if (connect((SOCKET)s, address, length) == 0)
        return 1;
    return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : fail();
}

int sock_connected(int s)
{
    /* select, not WSAPoll: older Windows never reports a refused connect
    ** to WSAPoll */
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET((SOCKET)s, &writable);
    FD_SET((SOCKET)s, &failed);
    timeval now = { 0, 0 };
    if (select(0, nullptr, &writable, &failed, &now) <= 0)
        return 0;
    if (FD_ISSET((SOCKET)s, &failed)) {
        int err = 0;
        int length = sizeof err;
        getsockopt((SOCKET)s, SOL_SOCKET, SO_ERROR, (char*)&err, &length);
        failure = err ? err : WSAECONNREFUSED;
        return -1;
    }
    return 1;
}

long sock_send(int s, const char* data, size_t size)
{
    int n = send((SOCKET)s, data, size > 65536 ? 65536 : (int)size, 0);
    if (n >= 0)
        return n;
    return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : fail();
}

long sock_recv(int s, char* data, size_t size)
{
    int n = recv((SOCKET)s, data, (int)size, 0);
    if (n >= 0)
        return n;
    if (WSAGetLastError() == WSAEWOULDBLOCK)
        return -1;
    fail();
    return -2;
}

void sock_close(int s)
{
    closesocket((SOCKET)s);
}

const char* sock_error(void)
{
    static char text[256];
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, (DWORD)failure,
                        0, text, sizeof text, nullptr))
        snprintf(text, sizeof text, "socket error %d", failure);
    /* the system's texts end in a line end and a full stop */
    size_t n = strlen(text);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.'))
        text[--n] = '\0';
    return text;
}

#else

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

static int failure;   /* the errno of the last failure */

static int fail(void)
{
    failure = errno;
    return -1;
}

int sock_open(int family)
{
    int s = socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s < 0)
        return fail();
    int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return s;
}

int sock_connect(int s, const sockaddr* address, socklen_t length)
{
    if (connect(s, address, length) == 0)
        return 1;
    return errno == EINPROGRESS ? 0 : fail();
}

int sock_connected(int s)
{
    pollfd p = { s, POLLOUT, 0 };
    if (poll(&p, 1, 0) <= 0)
        return 0;
    int err = 0;
    socklen_t length = sizeof err;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &length) != 0)
        return fail();
    failure = err;
    return err ? -1 : 1;
}

long sock_send(int s, const char* data, size_t size)
{
    for (;;) {
        ssize_t n = send(s, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0)
            return (long)n;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : fail();
    }
}

long sock_recv(int s, char* data, size_t size)
{
    for (;;) {
        ssize_t n = recv(s, data, size, MSG_DONTWAIT);
        if (n >= 0)
            return (long)n;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return -1;
        fail();
        return -2;
    }
}

void sock_close(int s)
{
    close(s);
}

const char* sock_error(void)
{
    return strerror(failure);
}

#endif
