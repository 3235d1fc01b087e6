#include "input/lines.h"

void handleLine(ClientState* state, const char* line) {
    (void)state;
    (void)line;
}
