#include "service_pair.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "session/replies.h"
#include "session/events.h"

int serviceWire(ClientState* state) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return -1;
    state->conn.socket = fds[0];
    state->conn.socketOpen = 1;
    state->conn.connected = 1;
    fcntl(fds[1], F_SETFL, fcntl(fds[1], F_GETFL) | O_NONBLOCK);
    return fds[1];
}

void serviceUnwire(ClientState* state, int peer) {
    close(state->conn.socket);
    close(peer);
}

std::string serviceRead(int peer) {
    std::string all;
    char chunk[65536];
    for (ssize_t n; (n = read(peer, chunk, sizeof chunk)) > 0;) all.append(chunk, (size_t)n);
    return all;
}

std::vector<std::string> serviceReadLines(int peer) {
    std::string all = serviceRead(peer);
    std::vector<std::string> out;
    for (size_t at = 0, lf; (lf = all.find('\n', at)) != std::string::npos; at = lf + 1)
        out.push_back(all.substr(at, lf - at));
    return out;
}

const JsonNode* parseServiceLine(JsonDocument* doc, const std::string& line) {
    const JsonNode* root = jsonParse(doc, line.c_str());
    if (!root) ADD_FAILURE() << "no JSON: " << line;
    return root;
}

void dispatchEvent(ClientState* state, const JsonNode* root) {
    const JsonNode* data = jsonGet(root, "data");
    eventDispatch(state, jsonGetString(root, "event", ""), data ? data : root);
}

void feedEvent(ClientState* state, JsonDocument* doc, const std::string& line) {
    const JsonNode* root = parseServiceLine(doc, line);
    if (root) dispatchEvent(state, root);
}

void feedReply(ClientState* state, JsonDocument* doc, int32_t ack, const std::string& data) {
    const JsonNode* root = parseServiceLine(doc, replyLine(ack, data));
    if (root) replyDispatch(state, ack, jsonGet(root, "data"));
}
