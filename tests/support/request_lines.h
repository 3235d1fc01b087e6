// The JSON lines door and service exchange, built as test expectations and
// test input: the door's emit requests, the service's events and replies.
#pragma once
#include <string>
#include <vector>

inline std::string emit(const std::string& name, const std::string& data) {
    return "{\"cmd\":\"emit\",\"name\":\"" + name + "\",\"data\":" + data + "}";
}
// With "ackId": the door asks for a reply.
inline std::string emitAck(const std::string& name, int ack, const std::string& data) {
    return "{\"cmd\":\"emit\",\"name\":\"" + name + "\",\"ackId\":" + std::to_string(ack) + ",\"data\":" + data + "}";
}
inline std::string eventLine(const std::string& event, const std::string& data) {
    return "{\"event\":\"" + event + "\",\"data\":" + data + "}";
}
inline std::string replyLine(int ack, const std::string& data) {
    return "{\"ackId\":" + std::to_string(ack) + ",\"data\":" + data + "}";
}

// text cut into whole lines without their line feeds; a last unfinished one is left out.
inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = 0, lf; (lf = text.find('\n', at)) != std::string::npos; at = lf + 1)
        out.push_back(text.substr(at, lf - at));
    return out;
}
