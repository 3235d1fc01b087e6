// Character sets on the caller's side: the door composes every screen in
// CP437; a terminal in UTF-8 gets each byte above 127 as the character it
// stands for and types UTF-8, which the key decoder joins back into CP437.
// The table itself lives with the other CP437 conversions in platform.
#pragma once
#include <cstdint>

#include "platform/cp437.h"

enum CharsetKind : int32_t {
    CHARSET_CP437 = 0,  // bytes go out as composed (BBS callers, the default)
    CHARSET_UTF8 = 1,   // high bytes go out as UTF-8 (a local UTF-8 terminal)
};
