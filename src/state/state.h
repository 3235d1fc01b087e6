// Operations on the client state that every other module shares: the player
// list and room snapshot appliers, the announcement loader, the notice line,
// the chat log and the typed input line. None of them draws or sends; each
// changes the state and raises the dirty flag the renderer needs.
#pragma once
#include <cstdint>

#include "state/client_state.h"

struct JsonNode;

// Ink name the service uses ("gold", "cyan"...) to ANSI colour; 0 when the
// name is not one we know.
int32_t inkColour(const char* ink);

// Colour a player without a known ink gets at position index of a new list.
int32_t paletteColour(int32_t index);

// Replace players from a JSON array. Players seen before keep their colour,
// laughs, board number and source when the new entry lacks them. No list (or
// no array) leaves the list empty and raises nothing.
void applyPlayerList(ClientState* state, const JsonNode* list);

// Apply one table snapshot; mayShowTable lets it bring the caller to the
// table screen.
void applyRoomState(ClientState* state, const JsonNode* room, int32_t mayShowTable);

// Fill announcements from data's "announcements" array, skipping those the
// caller dismissed, keeping at most MAX_ANNOUNCEMENTS.
void applyAnnouncements(ClientState* state, const JsonNode* data);

// Show a one-line notice on row 23; null clears it quietly.
void setNotice(ClientState* state, const char* text);

// Append to the chat log, dropping the oldest line when it is full.
void appendChatLine(ClientState* state, const char* name, const char* text, int32_t kind,
                    const char* tag);
void appendSystemLine(ClientState* state, const char* name, const char* text, int32_t kind);

// Apply one key to the typed line: 1 when ENTER completes a non-empty line.
// A character past the 254th is refused with INPUT_FULL_NOTICE.
int32_t editInputLine(ClientState* state, int32_t key);
constexpr const char* INPUT_FULL_NOTICE = "That's as long as a line can be - 254 characters.";

// Everything on screen is drawn again from the state at the next render, as
// if the caller's screen held nothing of ours: what they asked for with
// Ctrl-L, and what a resized console window needs.
void requestRepaint(ClientState* state);

// The caller is no longer seated: the table's code, name, flags, players,
// pick state, deadlines, rating and reveal are emptied together.
void forgetTable(ClientState* state);
