#include "roomdisplay/BarcodeCollector.h"

namespace zarava {

namespace {

bool IsStart(char c) {
    return c == 'A' || c == 'a';
}

bool IsStop(char c) {
    return c == 'B' || c == 'b';
}

} // namespace

BarcodeCollector::Result BarcodeCollector::Key(char32_t key) {
    Result result;
    const bool digit = key >= U'0' && key <= U'9';
    if (!digit && key != U'A' && key != U'a' && key != U'B' && key != U'b') {
        return result;
    }
    const char c = static_cast<char>(key);
    result.consumed = true;
    if (IsStart(c)) {
        collected_.clear();
        result.started = true;
    }
    collected_.push_back(c);
    if (collected_.size() == kCodeLength) {
        result.complete = collected_;
    }
    return result;
}

bool IsHandOffCode(const std::string& text) {
    return text.size() == BarcodeCollector::kCodeLength && IsStart(text.front()) &&
           IsStop(text.back());
}

} // namespace zarava
