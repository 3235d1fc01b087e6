// The JSON lines door and service exchange, built as test expectations and
// test input: the door's emit requests and the service's events and replies.
#pragma once
#include <cstdint>
#include <string>

// {"cmd":"emit","name":...,"data":...}, with "ackId" when it asks for a reply.
std::string emit(const std::string& name, const std::string& data);
std::string emitAck(const std::string& name, int ack, const std::string& data);
// A JSON string of text that needs no escaping.
std::string quoted(const std::string& text);

// {"event":...,"data":...} and {"ackId":...,"data":...} as the service sends them.
std::string eventLine(const std::string& event, const std::string& data);
std::string replyLine(int32_t ack, const std::string& data);
