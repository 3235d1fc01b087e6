#include "json_util.h"

#include <cmath>

namespace {

// Bytes of the valid UTF-8 sequence at text[at]; 0 when none starts there
// (a bad lead, a missing continuation, an overlong form, a surrogate, or a
// code point past U+10FFFF).
size_t sequenceAt(const std::string& text, size_t at) {
    auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    unsigned lead = byte(at);
    if (lead < 0x80) return 1;
    size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    if (length == 0 || (length == 3 && lead > 0xEF)) return 0;
    // The second byte's range carries the overlong, surrogate and top rules.
    unsigned low = 0x80, high = 0xBF;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t i = 2; i < length; i++)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

std::string validUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        size_t length = sequenceAt(text, at);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            at++;
            while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) at++;  // its tail
            continue;
        }
        out.append(text, at, length);
        at += length;
    }
    return out;
}

std::string textCut(const std::string& text, size_t max) {
    size_t at = 0;
    for (size_t chars = 0; at < text.size() && chars < max; chars++) {
        size_t length = sequenceAt(text, at);
        at += length ? length : 1;
    }
    return text.substr(0, at < text.size() ? at : text.size());
}

Json jsonParseLine(const std::string& line) {
    return Json::parse(validUtf8(line), nullptr, false);
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
