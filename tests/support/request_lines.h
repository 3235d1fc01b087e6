// The JSON lines door and service exchange, built as test expectations and
// test input: the door's emit requests, the service's events and replies.
#pragma once
#include <string>

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
