#include "JsonValue.h"

#include <charconv>

namespace zarava {

namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool Document(JsonValue& value) {
        if (!Value(value, 0)) {
            return false;
        }
        Blanks();
        return at_ == text_.size();
    }

private:
    void Blanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }
    bool Take(char c) {
        Blanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    bool Value(JsonValue& v, int depth) {
        Blanks();
        if (depth > 64 || at_ >= text_.size()) {
            return false;
        }
        const char c = text_[at_];
        if (c == '{') {
            return Object(v, depth);
        }
        if (c == '[') {
            return Array(v, depth);
        }
        if (c == '"') {
            v.kind = JsonValue::Kind::String;
            return String(v.text);
        }
        if (Word("true") || Word("false")) {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = c == 't';
            return true;
        }
        if (Word("null")) {
            return true;
        }
        v.kind = JsonValue::Kind::Number;
        const auto [end, error] =
            std::from_chars(text_.data() + at_, text_.data() + text_.size(), v.number);
        at_ = static_cast<std::size_t>(end - text_.data());
        return error == std::errc();
    }

    bool Object(JsonValue& v, int depth) {
        v.kind = JsonValue::Kind::Object;
        ++at_;
        if (Take('}')) {
            return true;
        }
        do {
            std::pair<std::string, JsonValue> member;
            Blanks();
            if (!String(member.first) || !Take(':') || !Value(member.second, depth + 1)) {
                return false;
            }
            v.members.push_back(std::move(member));
        } while (Take(','));
        return Take('}');
    }

    bool Array(JsonValue& v, int depth) {
        v.kind = JsonValue::Kind::Array;
        ++at_;
        if (Take(']')) {
            return true;
        }
        do {
            v.items.emplace_back();
            if (!Value(v.items.back(), depth + 1)) {
                return false;
            }
        } while (Take(','));
        return Take(']');
    }

    // Escapes of our own reports only need the ASCII ones; \uXXXX below 0x80 is enough.
    bool String(std::string& out) {
        if (at_ >= text_.size() || text_[at_] != '"') {
            return false;
        }
        for (++at_; at_ < text_.size(); ++at_) {
            char c = text_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c == '\\' && ++at_ < text_.size()) {
                c = text_[at_];
                const std::string_view plain = "\"\\/bfnrt";
                const std::string_view meant = "\"\\/\b\f\n\r\t";
                if (const std::size_t i = plain.find(c); i != std::string_view::npos) {
                    c = meant[i];
                } else if (c == 'u' && at_ + 4 < text_.size()) {
                    unsigned code = 0;
                    std::from_chars(text_.data() + at_ + 1, text_.data() + at_ + 5, code, 16);
                    at_ += 4;
                    c = static_cast<char>(code < 0x80 ? code : '?');
                } else {
                    return false;
                }
            }
            out += c;
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

const JsonValue& JsonValue::operator[](std::string_view name) const {
    static const JsonValue none;
    for (const auto& [key, value] : members) {
        if (key == name) {
            return value;
        }
    }
    return none;
}

std::optional<JsonValue> ParseJson(std::string_view text) {
    JsonValue value;
    if (!Reader(text).Document(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace zarava
