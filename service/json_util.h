// JSON helpers of the house service: parsing one received line without
// exceptions, reading members with a default whatever their type, and
// writing one line that never fails on odd bytes.
#pragma once
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

using Json = nlohmann::json;

// Parses one line, its text kept as the UTF-8 it is; each broken sequence
// (a door that sends CP437 unescaped) becomes U+FFFD first, as the parser
// refuses invalid UTF-8. A line that does not parse gives a discarded value
// (is_discarded()).
Json jsonParseLine(const std::string& line);

// text with every invalid UTF-8 sequence replaced by U+FFFD.
std::string validUtf8(const std::string& text);

// The first max characters (code points) of valid UTF-8 text: a cut never
// splits a character.
std::string textCut(const std::string& text, size_t max);

// One line of output, without the line feed; invalid UTF-8 is replaced.
std::string jsonLine(const Json& value);

// Member readers: the default when j is no object, lacks the member or the
// member has another type.
std::string jsStr(const Json& j, const char* key, const std::string& def = "");
int64_t jsInt(const Json& j, const char* key, int64_t def = 0);
bool jsBool(const Json& j, const char* key, bool def = false);
const Json* jsObj(const Json& j, const char* key);  // null unless an object
const Json* jsArr(const Json& j, const char* key);  // null unless an array
