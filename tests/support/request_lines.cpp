#include "request_lines.h"

std::string emit(const std::string& name, const std::string& data) {
    return "{\"cmd\":\"emit\",\"name\":\"" + name + "\",\"data\":" + data + "}";
}

std::string emitAck(const std::string& name, int ack, const std::string& data) {
    return "{\"cmd\":\"emit\",\"name\":\"" + name + "\",\"ackId\":" + std::to_string(ack) + ",\"data\":" + data +
           "}";
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string eventLine(const std::string& event, const std::string& data) {
    return "{\"event\":\"" + event + "\",\"data\":" + data + "}";
}

std::string replyLine(int32_t ack, const std::string& data) {
    return "{\"ackId\":" + std::to_string(ack) + ",\"data\":" + data + "}";
}
