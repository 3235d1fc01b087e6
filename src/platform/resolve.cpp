// Name resolution for net.h, the same calls on every OS: only the header
// that declares getaddrinfo differs.
#include "platform/net.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include "platform/win32.h"

#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

addrinfo* platResolve4(const char* host, int port) {
    char service[16];
    snprintf(service, sizeof service, "%d", port);
    addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host, service, &hints, &list) != 0) return nullptr;
    return list;
}

void platFreeAddrs(addrinfo* list) {
    if (list) freeaddrinfo(list);
}
