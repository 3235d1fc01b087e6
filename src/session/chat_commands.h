// The chat path of the line handler: a typed line that is no screen's own
// choice is said to the table or the Lounge, unless it is one of the slash
// commands, which are tried in a fixed order. Also the command matcher.
#pragma once

struct ClientState;

// True when line starts with command (any case) followed by the end of the
// line or a blank: "/QUIT" matches "/quit", "/quitting" does not. rest, when
// asked for, gets the text after the command with leading blanks skipped.
bool matchCommand(const char* line, const char* command, const char** rest);

// Chat, or the first slash command that takes the line; a line no command
// takes ("/Bob hello", a whisper) goes out as chat unchanged.
void chatLine(ClientState* state, const char* line);

// Empty the feedback note and open its editor (main menu F and /feedback).
void openFeedbackNote(ClientState* state);
