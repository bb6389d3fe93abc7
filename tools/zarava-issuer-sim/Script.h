#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarava::issuersim {

// A timed action of a script, the exact scenario a test or a demonstration wants to see.
enum class Verb { Issue, Call, Done, Set, Form, News, Quit };

struct Action {
    double at = 0; // real seconds since the start
    Verb verb = Verb::Quit;
    int room = 0;
    bool class1 = false;
    int counter = 0; // 0: called without a counter
    std::string section, key, value;
    std::int32_t form = 0;
    std::vector<std::string> news;
};

struct ParsedScript {
    std::vector<Action> actions; // in the order they run
    std::string problem;         // "line N: ..." when the script cannot be used
};

// Parses the UTF-8 text of a script; the actions come out sorted by time, equal times in file
// order.
ParsedScript ParseScript(std::string_view text);

} // namespace zarava::issuersim
