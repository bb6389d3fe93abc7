#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarava::issuersim {

// One line of a room's queue file: eleven fields of code page 932 text. Fields read by the
// display are named; the others carry what a reception system keeps there.
inline constexpr std::size_t kQueueFields = 11;
using QueueRecord = std::array<std::string, kQueueFields>;

enum QueueField : std::size_t {
    kTicketNo = 0,
    kIssuedAt = 1,
    kCalledAt = 2,
    kCounterNo = 3,
    kState = 4,
    kPatientNo = 5,
    kReceptionKind = 6,
    kTicketClass = 7,
};

// The file's bytes: fields joined by Tabs, every line ended by CR LF.
std::string FormatQueueFile(const std::vector<QueueRecord>& records);

// The records of a queue file: lines of exactly eleven fields, as the display takes them.
std::vector<QueueRecord> ParseQueueFile(std::string_view bytes);

// A clinic time (seconds since midnight, any number of days on) as the issuer writes it:
// H:MM:SS, the hour without a leading zero.
std::string ClockText(double clinicSeconds);

// The day's tickets of one room in issue order: waiting (no state), called ("呼") and served
// ("済"). Served tickets stay listed, so the display can measure their waits.
class RoomQueue {
public:
    explicit RoomQueue(int room) : room_(room) {}

    // Takes over the tickets of a file written earlier today, so numbering goes on.
    void Load(std::vector<QueueRecord> records);

    // Adds the next ticket; its number.
    int Issue(double clinicSeconds, bool class1);

    // Calls the oldest waiting ticket, to a counter (1..99) or none (0); its number, or nothing
    // when nobody waits.
    std::optional<int> CallOldestWaiting(double clinicSeconds, int counter);

    // Marks a called ticket served; false when that ticket is not being called.
    bool Serve(int ticketNo);

    // The oldest ticket being called, if any.
    std::optional<int> OldestCalled() const;

    // Marks every ticket still being called served (left over from an earlier run).
    void ServeAllCalled();

    int WaitingCount() const;
    int Room() const { return room_; }
    const std::vector<QueueRecord>& Records() const { return records_; }

private:
    int room_;
    int nextNumber_ = 1;
    std::vector<QueueRecord> records_;
};

} // namespace zarava::issuersim
