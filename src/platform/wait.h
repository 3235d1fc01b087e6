#pragma once
#include <cstdint>

enum WaitKind : int32_t { WAIT_SOCKET, WAIT_STDIN };
struct WaitSource { int32_t handle; WaitKind kind; bool ready; };
// Blocks until a source is readable (or hung up) or timeoutMs passes; marks
// each source's ready. Returns how many are ready, 0 on timeout or a signal.
int32_t platWait(WaitSource* sources, int32_t count, uint32_t timeoutMs);
