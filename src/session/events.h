// The event dispatcher: one table from the event names the game service
// sends to their handlers. A name the table does not hold is ignored.
// Handlers change the state and raise flags; they never draw.
#pragma once
#include <cstdint>

struct ClientState;
struct JsonNode;

using EventHandler = void (*)(ClientState* state, const JsonNode* data);

struct EventRoute {
    const char* name;      // compared exactly, case-sensitive
    EventHandler handler;
};

// Run the handler of `name` with the message's data (the whole message when
// it has no data member); unknown names and null names do nothing.
void eventDispatch(ClientState* state, const char* name, const JsonNode* data);

// The handler the table holds for name, or null.
EventHandler eventHandlerFor(const char* name);

// The name in row `index` of the table, or null past its end: lets a caller
// walk every routed event without a copy of the list.
const char* eventRouteName(int index);
