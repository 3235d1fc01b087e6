#include "json_util.h"

#include <cmath>

Json jsonParseLine(const std::string& line) {
    std::string clean(line);
    for (char& c : clean) {
        if (static_cast<unsigned char>(c) > 127) c = '?';
    }
    return Json::parse(clean, nullptr, false);
}

std::string jsonLine(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

static const Json* member(const Json& j, const char* key) {
    if (!j.is_object()) return nullptr;
    auto it = j.find(key);
    return it == j.end() ? nullptr : &*it;
}

std::string jsStr(const Json& j, const char* key, const std::string& def) {
    const Json* m = member(j, key);
    return m && m->is_string() ? m->get_ref<const std::string&>() : def;
}

int64_t jsInt(const Json& j, const char* key, int64_t def) {
    const Json* m = member(j, key);
    if (!m || !m->is_number()) return def;
    double d = m->get<double>();
    if (!std::isfinite(d) || d > 9e15 || d < -9e15) return def;  // keeps the cast defined
    return static_cast<int64_t>(d);
}

bool jsBool(const Json& j, const char* key, bool def) {
    const Json* m = member(j, key);
    return m && m->is_boolean() ? m->get<bool>() : def;
}

const Json* jsObj(const Json& j, const char* key) {
    const Json* m = member(j, key);
    return m && m->is_object() ? m : nullptr;
}

const Json* jsArr(const Json& j, const char* key) {
    const Json* m = member(j, key);
    return m && m->is_array() ? m : nullptr;
}
