// The game service's end of a unit test: a zeroed client state whose server
// connection is one end of a socket pair, the test reading what the door
// sends off the other end, and service lines fed through the event and
// reply dispatchers.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/json.h"
#include "request_lines.h"
#include "state/client_state.h"

// Connect the state's server connection to one end of a fresh socket pair;
// the other end, non-blocking, is the service's. -1 when no pair was made.
int serviceWire(ClientState* state);
// Close both ends again.
void serviceUnwire(ClientState* state, int peer);
// Everything the door sent since the last read, line feeds kept.
std::string serviceRead(int peer);
// The same cut into whole lines without their line feeds.
std::vector<std::string> serviceReadLines(int peer);

// Parse one service line into doc; null, and a test failure, when it does not parse.
const JsonNode* parseServiceLine(JsonDocument* doc, const std::string& line);
// Hand a parsed line on as the main loop does: the event name and its data,
// or the whole message when it has no data member.
void dispatchEvent(ClientState* state, const JsonNode* root);
// Parse and dispatch in one step.
void feedEvent(ClientState* state, JsonDocument* doc, const std::string& line);
void feedReply(ClientState* state, JsonDocument* doc, int32_t ack, const std::string& data);

// One wired state for one case of a table.
struct WiredState {
    std::unique_ptr<ClientState> state{new ClientState{}};
    int peer = serviceWire(state.get());

    ~WiredState() { serviceUnwire(state.get(), peer); }
    std::vector<std::string> lines() { return serviceReadLines(peer); }
};

// The fixture of the dispatcher tests: a wired state and a document to parse into.
struct ServiceTest : ::testing::Test {
    std::unique_ptr<ClientState> state{new ClientState{}};
    std::unique_ptr<JsonDocument> doc{new JsonDocument};
    int peer = -1;  // the service's end: what the door sends arrives here

    // Fixtures that add their own set-up call this first.
    void SetUp() override {
        peer = serviceWire(state.get());
        ASSERT_GE(peer, 0);
    }
    void TearDown() override { serviceUnwire(state.get(), peer); }

    void feed(const std::string& line) { feedEvent(state.get(), doc.get(), line); }
    void feed(const std::string& event, const std::string& data) { feed(eventLine(event, data)); }
    void feed(int32_t ack, const std::string& data) { feedReply(state.get(), doc.get(), ack, data); }

    std::string sent() { return serviceRead(peer); }
    std::vector<std::string> sentLines() { return serviceReadLines(peer); }
};
