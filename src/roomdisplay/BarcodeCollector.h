#pragma once

#include <optional>
#include <string>

namespace zarava {

// Collects what a barcode reader types (it behaves like a keyboard) into the text of a ticket
// code: A or a starts a code and empties what was collected, the digits and B or b are added,
// every other key is none of its business. It only collects; whether and where a code is
// handed on is decided by its owner.
class BarcodeCollector {
public:
    // A code is the start character, ten characters and the stop character.
    static constexpr std::size_t kCodeLength = 12;

    struct Result {
        bool consumed = false;               // the key was one of ours
        bool started = false;                // it was a start character
        std::optional<std::string> complete; // the collected text, when it is now a code's length
    };

    Result Key(char32_t key);

    // The text collected so far (the design keeps it as the caption of BarLabel).
    const std::string& Collected() const { return collected_; }

private:
    std::string collected_;
};

// True when the text is a code that may be handed on: a start character first, a stop
// character last, at exactly the code's length.
bool IsHandOffCode(const std::string& text);

} // namespace zarava
