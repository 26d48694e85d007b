/*
** st_socket.h -- the few socket calls the sync client makes, alike on
** Linux and Windows: a non-blocking TCP socket that connects, sends and
** receives without ever waiting, and the text of the last failure.
*/
#ifndef ST_SOCKET_H
#define ST_SOCKET_H

#include <stddef.h>
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

/* A non-blocking stream socket with Nagle off; -1 on failure. */
int  sock_open(int family);
/* 1 connected, 0 under way (ask sock_connected), -1 failed. */
int  sock_connect(int s, const sockaddr* address, socklen_t length);
/* 1 connected, 0 still under way, -1 failed. */
int  sock_connected(int s);
/* Bytes sent, 0 when the socket takes nothing now, -1 on failure. */
long sock_send(int s, const char* data, size_t size);
/* Bytes received, 0 when the peer closed, -1 when nothing is there now,
** -2 on failure. */
long sock_recv(int s, char* data, size_t size);
void sock_close(int s);
/* Why the last call above failed. */
const char* sock_error(void);

#endif
