// Blocking until there is something to do: the door sleeps in one call on
// the caller's input and the service link, bounded by its next deadline,
// instead of waking on a fixed beat.
#pragma once
#include <cstdint>

// What the door waits on: the caller's input and the service link.
enum WaitKind : int32_t { WAIT_SOCKET, WAIT_STDIN };
struct WaitSource { int32_t handle; WaitKind kind; bool ready; };
// Blocks until a source is readable (or hung up) or timeoutMs passes; marks
// each source's ready. Returns how many are ready, 0 on timeout or a signal.
int32_t platWait(WaitSource* sources, int32_t count, uint32_t timeoutMs);
