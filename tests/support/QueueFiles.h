#pragma once

#include "SystemSide.h"
#include "engine/DateTime.h"
#include "ports/WindowState.h"
#include "text/Cp932.h"

#include <ctime>
#include <string>
#include <vector>

namespace zarava::test {

// A line of a queue file as the issuer writes it, given in UTF-8.
struct Ticket {
    std::string no;
    std::string state;  // "" waiting, "呼" called, "済" served
    std::string issued; // clock times
    std::string called;
    std::string counter;
    std::string cls = "0"; // TicketClass
};

// The bytes of a queue file: code page 932, eleven Tab-separated fields, CR LF.
inline std::string QueueFile(const std::vector<Ticket>& tickets) {
    std::string utf8;
    for (const Ticket& t : tickets) {
        utf8 += t.no + "\t" + t.issued + "\t" + t.called + "\t" + t.counter + "\t" + t.state +
                "\t12345\t再診\t" + t.cls + "\t\t\t\r\n";
    }
    return Utf8ToCp932(utf8).value();
}

// Waiting tickets numbered from `first`, issued at 9:00.
inline std::vector<Ticket> Waiting(int count, int first = 1) {
    std::vector<Ticket> tickets;
    for (int i = 0; i < count; ++i) {
        tickets.push_back({std::to_string(first + i), "", "9:00"});
    }
    return tickets;
}

// Sets a file's last-write time to a local date and time.
inline bool SetLastWrite(const std::string& path, const LocalDateTime& t) {
    std::tm local{};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1;
    const FileTime time{std::mktime(&local), t.millisecond * 1'000'000};
    return SetFileTimes(path, time, time);
}

// A control of a published window; one missing from the design throws, failing the test.
inline const ControlState& StateOf(const WindowSnapshot& s, const char* name, int index = -1) {
    return s.controls.at(static_cast<std::size_t>(s.design->Find(name, index)));
}

// What a published room window's boards show, as one line of text: the waiting board's
// numbers ("*" after one from the second palette), the waiting count and the waiting time
// ("_" for an empty position, "-" for a dash).
inline std::string BoardText(const WindowSnapshot& s) {
    const auto digit = [&s](const char* name, int index, const std::string& palette) {
        const std::string resource = StateOf(s, name, index).picture.resource;
        const std::size_t underscore = resource.find('_');
        return resource.empty()                            ? "_"
               : resource == "ImgG_10"                     ? "-"
               : resource.substr(0, underscore) == palette ? resource.substr(underscore + 1)
                                                           : "?" + resource;
    };
    std::string text = "waiting";
    for (int slot = 0; slot < 12; ++slot) {
        const std::string first = StateOf(s, "ImgW", 3 * slot).picture.resource;
        const bool second = first.rfind("ImgOr_", 0) == 0;
        for (int d = 0; d < 3 && !first.empty(); ++d) {
            text += (d == 0 ? " " : "") + digit("ImgW", 3 * slot + d, second ? "ImgOr" : "ImgO");
        }
        text += second ? "*" : "";
    }
    text += " | count ";
    for (int i = 0; i < 3; ++i) {
        text += digit("ImgMachi", i, "ImgB");
    }
    text += " | time ";
    for (int i = 0; i < 3; ++i) {
        text += digit("ImgTime", i, "ImgG");
    }
    return text;
}

// The waiting count as a room window's board shows it ("__3").
inline std::string WaitingCount(const WindowSnapshot& s) {
    const std::string board = BoardText(s);
    return board.substr(board.find("count ") + 6, 3);
}

// What a published room window's call area shows: "off", "notice", or the called number with
// "@" and the counter when the counter caption shows ("001@3", "002"); "#" when the 番 glyph is
// hidden.
inline std::string CallArea(const WindowSnapshot& s) {
    const auto digit = [&s](int index) {
        const std::string& resource = StateOf(s, "ImgCall", index).picture.resource;
        return resource.empty() ? std::string() : resource.substr(resource.find('_') + 1);
    };
    if (StateOf(s, "MsgFrame").visible) {
        return "notice";
    }
    std::string text = "off";
    if (StateOf(s, "ImgCall", 3).visible) {
        text = digit(0) + digit(1) + digit(2);
        if (StateOf(s, "TlxCall").visible) {
            text += "@" + digit(4) + digit(5);
        }
    }
    return StateOf(s, "ImgCall", 9).visible ? text : text + "#";
}

} // namespace zarava::test
