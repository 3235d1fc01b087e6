// The line handler: what one typed line does on each screen (menu choices,
// list numbers, the word of a round, the pickers, mailbox and announcement
// choices), and everything else as chat with its slash commands.
#pragma once

struct ClientState;

// A completed, non-empty typed line (at most 254 printable characters),
// handed on by the key handler after it has cleared the input line.
void handleLine(ClientState* state, const char* line);
