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

// What a published room window's boards show, as one line of text: the waiting board's
// numbers ("*" after one from the second palette), the waiting count and the waiting time
// ("_" for an empty position, "-" for a dash).
inline std::string BoardText(const WindowSnapshot& s) {
    const auto picture = [&s](const char* name, int index) -> std::string {
        return s.controls.at(static_cast<std::size_t>(s.design->Find(name, index)))
            .picture.resource;
    };
    const auto digit = [](const std::string& resource, std::string palette) -> std::string {
        if (resource.empty()) {
            return "_";
        }
        if (resource == "ImgG_10") {
            return "-";
        }
        const std::size_t underscore = resource.find('_');
        return resource.substr(0, underscore) == palette ? resource.substr(underscore + 1)
                                                         : "?" + resource;
    };
    std::string text = "waiting";
    for (int slot = 0; slot < 12; ++slot) {
        const std::string first = picture("ImgW", 3 * slot);
        if (first.empty()) {
            continue;
        }
        const bool second = first.rfind("ImgOr_", 0) == 0;
        const std::string palette = second ? "ImgOr" : "ImgO";
        text += " ";
        for (int d = 0; d < 3; ++d) {
            text += digit(picture("ImgW", 3 * slot + d), palette);
        }
        text += second ? "*" : "";
    }
    text += " | count ";
    for (int i = 0; i < 3; ++i) {
        text += digit(picture("ImgMachi", i), "ImgB");
    }
    text += " | time ";
    for (int i = 0; i < 3; ++i) {
        text += digit(picture("ImgTime", i), "ImgG");
    }
    return text;
}

// What a published room window's call area shows: "off", "notice", or the called number with
// "@" and the counter when the counter caption shows ("001@3", "002"); "#" when the 番 glyph is
// hidden.
inline std::string CallArea(const WindowSnapshot& s) {
    const auto state = [&s](const char* name, int index = -1) -> const ControlState& {
        return s.controls.at(static_cast<std::size_t>(s.design->Find(name, index)));
    };
    const auto digit = [](const Picture& p) {
        return p.resource.empty() ? std::string() : p.resource.substr(p.resource.find('_') + 1);
    };
    if (state("MsgFrame").visible) {
        return "notice";
    }
    std::string text = "off";
    if (state("ImgCall", 3).visible) {
        text = digit(state("ImgCall", 0).picture) + digit(state("ImgCall", 1).picture) +
               digit(state("ImgCall", 2).picture);
        if (state("TlxCall").visible) {
            text += "@" + digit(state("ImgCall", 4).picture) + digit(state("ImgCall", 5).picture);
        }
    }
    return state("ImgCall", 9).visible ? text : text + "#";
}

} // namespace zarava::test
