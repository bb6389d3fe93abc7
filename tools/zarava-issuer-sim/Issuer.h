#pragma once

#include "CheckIn.h"
#include "RoomQueue.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarava {
class Clock;
}

namespace zarava::issuersim {

// Prints what the simulator does, one line each, after the real seconds since the start.
class ActionLog {
public:
    ActionLog() : start_(std::chrono::steady_clock::now()) {}
    double Elapsed() const;
    void Line(std::string_view text) const;

private:
    std::chrono::steady_clock::time_point start_;
};

// Everything the simulated issuer does to the program folder: the settings, the rooms' queue
// files, the news file and the check-in hand-off. Each change is printed.
class Issuer {
public:
    Issuer(std::string folder, Clock& clock, const ActionLog& log);

    std::string Read(std::string_view section, std::string_view key);
    void Write(std::string_view section, std::string_view key, std::string_view value);
    // Writes the value only when the key is missing or empty.
    void WriteWhenMissing(std::string_view section, std::string_view key, std::string_view value);

    // FORM in [USER INFOMATION], changed in one step as the write finds it; other bits are
    // kept.
    void SetFormBits(std::int32_t bits);
    void ClearFormBits(std::int32_t bits);
    void WriteForm(std::int32_t value);

    // Sets TODAY to the clock's date; the queue files are named after it from then on.
    void StartDay();
    const std::string& Today() const { return today_; }

    // The room's queue, taken over from today's file on first use.
    RoomQueue& Room(int room);

    // The queue changes of a reception; each one rewrites the room's queue file, and a call
    // then sets the room's call-sound request.
    // Issues the room's next ticket; its number.
    int IssueTicket(int room, double clinicSeconds, bool class1);
    // Marks the ticket `served` (when given) served and calls the oldest waiting ticket, to a
    // counter (1..99) or none (0), in one rewrite. The called ticket, if anybody waited.
    std::optional<int> CallTicket(int room, double clinicSeconds, int counter,
                                  std::optional<int> served = std::nullopt);
    // Marks a called ticket served; false when it is not being called.
    bool ServeTicket(int room, int ticket);

    void WriteNews(const std::vector<std::string>& items);

    // Prints the codes the display has handed on since the last poll.
    void TakeCheckIns();

    const ActionLog& Log() const { return log_; }

private:
    void ChangeFormBits(const std::function<std::int32_t(std::int32_t)>& change);
    void Publish(int room, std::optional<int> calledTicket);

    std::string folder_;
    std::string iniPath_;
    Clock& clock_;
    const ActionLog& log_;
    std::string today_;
    std::map<int, RoomQueue> rooms_;
    CheckInReader checkIns_;
};

} // namespace zarava::issuersim
