// JSON helpers of the house service: parsing one received line without
// exceptions, reading members with a default whatever their type, and
// writing one line that never fails on odd bytes.
#pragma once
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

using Json = nlohmann::json;

// Parses one line; bytes above 127 become '?' first (doors send CP437 names
// unescaped, which is not UTF-8). A line that does not parse gives a
// discarded value (is_discarded()).
Json jsonParseLine(const std::string& line);

// One line of output, without the line feed; invalid UTF-8 is replaced.
std::string jsonLine(const Json& value);

// Member readers: the default when j is no object, lacks the member or the
// member has another type.
std::string jsStr(const Json& j, const char* key, const std::string& def = "");
int64_t jsInt(const Json& j, const char* key, int64_t def = 0);
bool jsBool(const Json& j, const char* key, bool def = false);
const Json* jsObj(const Json& j, const char* key);  // null unless an object
const Json* jsArr(const Json& j, const char* key);  // null unless an array
