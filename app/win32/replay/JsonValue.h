#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {

// A JSON document as read, for the replay of state reports: objects, arrays, strings (UTF-8),
// numbers, true, false and null. Reading only.
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members; // in the document's order

    // The member of that name, or a null value.
    const JsonValue& operator[](std::string_view name) const;
};

// The document, or nothing when the text is not JSON.
std::optional<JsonValue> ParseJson(std::string_view text);

} // namespace zarava
