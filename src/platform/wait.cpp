#include "platform/wait.h"

#include <poll.h>
#include <unistd.h>

// More sources than the door ever has (caller and service) are not waited on.
constexpr int32_t WAIT_SOURCES_MAX = 4;

int32_t platWait(WaitSource* sources, int32_t count, uint32_t timeoutMs) {
    struct pollfd fds[WAIT_SOURCES_MAX];
    int32_t n = count < WAIT_SOURCES_MAX ? count : WAIT_SOURCES_MAX;
    for (int32_t i = 0; i < n; i++) {
        sources[i].ready = false;
        fds[i].fd = sources[i].kind == WAIT_STDIN ? STDIN_FILENO : sources[i].handle;
        fds[i].events = POLLIN;
        fds[i].revents = 0;
    }
    // poll takes an int: longer waits are cut to about 24 days, far past any deadline.
    int timeout = timeoutMs > 0x7FFFFFFFu ? 0x7FFFFFFF : (int)timeoutMs;
    // A signal (a window resize) ends the wait early: the pass looks at it.
    if (poll(fds, (nfds_t)n, timeout) <= 0) return 0;
    int32_t ready = 0;
    for (int32_t i = 0; i < n; i++) {
        // POLLNVAL too: a closed handle reads as gone at once instead of
        // leaving the door asleep on it.
        sources[i].ready = (fds[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (sources[i].ready) ready++;
    }
    return ready;
}
