// The key handler: what one decoded key does. Any key clears a notice; the
// welcome screen and the guide take their own keys; every other key edits
// the typed line, and ENTER on a non-empty line hands the line on.
#pragma once
#include <cstdint>

struct ClientState;

constexpr int32_t GUIDE_LAST_PAGE = 3;  // pages 0 to 3

void keyDispatch(ClientState* state, int32_t key);

// Letters compare without regard to case: the code with bit 0x20 cleared.
inline int32_t keyUpper(int32_t key) {
    return (key >= 'a' && key <= 'z') ? (key & ~0x20) : key;
}
