#include "Script.h"

#include "options/CommandLineOptions.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace zarava::issuersim {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

// Takes the next word off the text: up to a blank, or everything between double quotes.
// Nothing when the text is used up or a quote is not closed.
std::optional<std::string> NextWord(std::string_view& text) {
    text = SkipBlanks(text);
    if (text.empty()) {
        return std::nullopt;
    }
    if (text.front() == '"') {
        const std::size_t close = text.find('"', 1);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        std::string word(text.substr(1, close - 1));
        text.remove_prefix(close + 1);
        return word;
    }
    std::size_t end = 0;
    while (end < text.size() && !IsBlank(text[end])) {
        ++end;
    }
    std::string word(text.substr(0, end));
    text.remove_prefix(end);
    return word;
}

std::optional<int> WholeNumber(const std::optional<std::string>& word, double low, double high) {
    if (!word) {
        return std::nullopt;
    }
    const std::optional<double> number = ParseDecimal(*word);
    if (!number || *number != std::floor(*number) || *number < low || *number > high) {
        return std::nullopt;
    }
    return static_cast<int>(*number);
}

// The room after an action's verb.
std::string TakeRoom(std::string_view verb, std::string_view& rest, Action& action) {
    const std::optional<int> number = WholeNumber(NextWord(rest), 1, 6);
    if (!number) {
        return std::string(verb) + " needs a room from 1 to 6";
    }
    action.room = *number;
    return {};
}

// The words after each verb, taken off `rest` into the action; the problem otherwise.
std::string ParseIssue(std::string_view& rest, Action& action) {
    if (std::string problem = TakeRoom("issue", rest, action); !problem.empty()) {
        return problem;
    }
    if (const std::optional<std::string> kind = NextWord(rest)) {
        if (*kind != "class1") {
            return "issue takes only 'class1' after the room";
        }
        action.class1 = true;
    }
    return {};
}

std::string ParseCall(std::string_view& rest, Action& action) {
    if (std::string problem = TakeRoom("call", rest, action); !problem.empty()) {
        return problem;
    }
    if (const std::optional<std::string> word = NextWord(rest)) {
        const std::optional<int> counter = WholeNumber(word, 1, 99);
        if (!counter) {
            return "the counter of call is a number from 1 to 99";
        }
        action.counter = *counter;
    }
    return {};
}

std::string ParseDone(std::string_view& rest, Action& action) {
    return TakeRoom("done", rest, action);
}

std::string ParseSet(std::string_view& rest, Action& action) {
    std::optional<std::string> section = NextWord(rest);
    std::optional<std::string> key = NextWord(rest);
    std::optional<std::string> value = NextWord(rest);
    if (!section || !key || !value || section->empty() || key->empty()) {
        return "set needs SECTION, KEY and VALUE (words with blanks in double quotes)";
    }
    action.section = std::move(*section);
    action.key = std::move(*key);
    action.value = std::move(*value);
    return {};
}

std::string ParseForm(std::string_view& rest, Action& action) {
    const std::optional<int> bits = WholeNumber(NextWord(rest), -2147483648.0, 2147483647.0);
    if (!bits) {
        return "form needs a whole number";
    }
    action.form = *bits;
    return {};
}

std::string ParseNews(std::string_view& rest, Action& action) {
    // The items are the rest of the line as written, blanks included.
    std::string_view items = SkipBlanks(rest);
    rest = {};
    while (!items.empty()) {
        const std::size_t bar = items.find('|');
        action.news.emplace_back(items.substr(0, bar));
        items = bar == std::string_view::npos ? std::string_view() : items.substr(bar + 1);
    }
    return {};
}

std::string ParseQuit(std::string_view&, Action&) {
    return {};
}

struct VerbRow {
    std::string_view word;
    Verb verb;
    std::string (*parse)(std::string_view& rest, Action& action);
};

constexpr VerbRow kVerbs[] = {
    {"issue", Verb::Issue, ParseIssue}, {"call", Verb::Call, ParseCall},
    {"done", Verb::Done, ParseDone},    {"set", Verb::Set, ParseSet},
    {"form", Verb::Form, ParseForm},    {"news", Verb::News, ParseNews},
    {"quit", Verb::Quit, ParseQuit},
};

// Parses what follows "at SECONDS" into the action; the problem otherwise.
std::string ParseVerb(std::string_view rest, Action& action) {
    const std::optional<std::string> verb = NextWord(rest);
    if (!verb) {
        return "an action is missing after the time";
    }
    for (const VerbRow& row : kVerbs) {
        if (row.word != *verb) {
            continue;
        }
        action.verb = row.verb;
        if (std::string problem = row.parse(rest, action); !problem.empty()) {
            return problem;
        }
        if (!SkipBlanks(rest).empty()) {
            return "unexpected words after " + *verb;
        }
        return {};
    }
    return "unknown action '" + *verb + "'";
}

} // namespace

ParsedScript ParseScript(std::string_view text) {
    ParsedScript parsed;
    int lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        line = SkipBlanks(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fail = [&](const std::string& problem) {
            parsed.actions.clear();
            parsed.problem = "line " + std::to_string(lineNo) + ": " + problem;
            return parsed;
        };
        std::string_view rest = line;
        if (NextWord(rest) != "at") {
            return fail("an action starts with 'at SECONDS'");
        }
        const std::optional<std::string> seconds = NextWord(rest);
        const std::optional<double> at = seconds ? ParseDecimal(*seconds) : std::nullopt;
        if (!at || *at < 0) {
            return fail("'at' needs the seconds since the start (0 or more)");
        }
        Action action;
        action.at = *at;
        if (const std::string problem = ParseVerb(rest, action); !problem.empty()) {
            return fail(problem);
        }
        parsed.actions.push_back(std::move(action));
    }
    std::stable_sort(parsed.actions.begin(), parsed.actions.end(),
                     [](const Action& a, const Action& b) { return a.at < b.at; });
    return parsed;
}

} // namespace zarava::issuersim
