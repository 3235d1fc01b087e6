// The node log: each node appends diagnostic codes to its own
// wordwhirl-nodeN.log beside the executable.
#pragma once
#include <cstdint>

#include "platform/platform.h"

// One line into node `node`'s log; a negative node writes to node 0's. The
// file is opened and closed for every line: lines are rare, and a node
// that dies leaves nothing unwritten.
__attribute__((format(printf, 2, 3)))
void nodeLog(int32_t node, const char* format, ...);
