// wait.h on Windows: WSAPoll for sockets. Standard input cannot join a
// WSAPoll, so with both kinds the wait goes in 20 ms slices, looking at
// standard input between them; a console alone is waited on by its handle,
// a pipe alone by 20 ms sleeps (a pipe has no wait that signals data).
#include "platform/wait.h"

#include "platform/platform.h"
#include "platform/win32.h"

constexpr int32_t WAIT_MAX = 8;
constexpr uint32_t STDIN_SLICE_MS = 20;

// Sockets ready now or within waitMs: marks them, returns how many.
static int32_t pollSockets(WaitSource* sources, int32_t count, uint32_t waitMs) {
    WSAPOLLFD polls[WAIT_MAX];
    int32_t index[WAIT_MAX], n = 0;
    for (int32_t i = 0; i < count && n < WAIT_MAX; i++) {
        if (sources[i].kind != WAIT_SOCKET) continue;
        polls[n] = {(SOCKET)sources[i].handle, POLLRDNORM, 0};
        index[n++] = i;
    }
    if (n == 0) return 0;
    if (WSAPoll(polls, (ULONG)n, (INT)waitMs) <= 0) return 0;
    int32_t ready = 0;
    for (int32_t k = 0; k < n; k++) {
        // A hang-up or error counts: the reader finds out what happened.
        if (polls[k].revents & (POLLRDNORM | POLLHUP | POLLERR | POLLNVAL)) {
            sources[index[k]].ready = true;
            ready++;
        }
    }
    return ready;
}

// Standard input sources, ready when a byte waits or the input ended.
static int32_t checkStdin(WaitSource* sources, int32_t count) {
    int32_t ready = 0;
    bool waiting = stdinWaiting() != 0;
    for (int32_t i = 0; i < count; i++) {
        if (sources[i].kind != WAIT_STDIN || !waiting) continue;
        sources[i].ready = true;
        ready++;
    }
    return ready;
}

int32_t platWait(WaitSource* sources, int32_t count, uint32_t timeoutMs) {
    bool anySocket = false, anyStdin = false;
    for (int32_t i = 0; i < count; i++) {
        sources[i].ready = false;
        if (sources[i].kind == WAIT_SOCKET) anySocket = true;
        else anyStdin = true;
    }
    uint32_t start = platTickCount();
    for (;;) {
        uint32_t spent = platTickCount() - start;
        uint32_t left = spent >= timeoutMs ? 0 : timeoutMs - spent;
        uint32_t slice = anyStdin && left > STDIN_SLICE_MS ? STDIN_SLICE_MS : left;
        int32_t ready = anyStdin ? checkStdin(sources, count) : 0;
        if (anySocket) ready += pollSockets(sources, count, ready ? 0 : slice);
        else if (!ready && stdinKind() == STDIN_CONSOLE) WaitForSingleObject(GetStdHandle(STD_INPUT_HANDLE), slice);
        else if (!ready) Sleep(slice);
        if (!ready && anyStdin && anySocket) ready = checkStdin(sources, count);
        if (ready || left == 0) return ready;
    }
}
