// The node log: each node appends diagnostic codes to its own
// wordwhirl-nodeN.log beside the executable.
#pragma once
#include <cstdint>

#include "platform/platform.h"

struct CallerInfo;

// The node log follows this caller record's node number; before a record
// is bound (or while its node is negative) lines go to node 0's log.
void nodeLogBind(const CallerInfo* info);

__attribute__((format(printf, 1, 2)))
void nodeLog(const char* format, ...);
