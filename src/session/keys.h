// The key handler: what one decoded key does. Any key clears a notice; the
// welcome screen, the guide, the ESC exits and the four pop-up prompts come
// first, then each screen's own keys (one table), and every other key edits
// the typed line, ENTER on a non-empty line handing the line on.
#pragma once
#include <cstdint>

struct ClientState;

constexpr int32_t GUIDE_LAST_PAGE = 3;     // pages 0 to 3
constexpr int32_t CARE_VISIBLE_LINES = 17; // care hub lines on screen at once
constexpr int32_t CARE_PAGE_KEY_LINES = 16;  // PGUP/PGDN keep one line of the last view
constexpr int32_t CHAT_SCROLL_STEP = 2;    // chat lines per PGUP/PGDN
constexpr int32_t SOLO_PAGE_LINES = 10;    // SPACE on the solo tale
constexpr int32_t STORY_REVIEW_LINES = 9;  // story lines the read-back shows

void keyDispatch(ClientState* state, int32_t key);

// Moves the care hub page (SCR_CARE_HUB) or the open section (SCR_CARE_TOPIC)
// by lines, kept within the text; with no section open the section scroll
// is put back to 0 and nothing else happens.
void careScrollBy(ClientState* state, int32_t lines);

// Letters compare without regard to case: the code with bit 0x20 cleared.
inline int32_t keyUpper(int32_t key) {
    return (key >= 'a' && key <= 'z') ? (key & ~0x20) : key;
}
