#include "RoomQueue.h"

#include "text/Numbers.h"
#include "text/Text.h"

#include <algorithm>
#include <cmath>

namespace zarava::issuersim {

namespace {

// The state marks and reception kinds in code page 932.
const std::string kCalled = "\x8c\xc4";              // 呼
const std::string kServed = "\x8d\xcf";              // 済
const std::string kFirstVisit = "\x8f\x89\x90\x66";  // 初診
const std::string kReturnVisit = "\x8d\xc4\x90\x66"; // 再診
const std::string kAppointment = "\x97\x5c\x96\xf1"; // 予約

bool IsState(const QueueRecord& record, const std::string& mark) {
    return TrimSpaces(record[kState]) == mark;
}

int TicketNumber(const QueueRecord& record) {
    return ToInt32(LenientNumber(TrimSpaces(record[kTicketNo]))).value_or(0);
}

} // namespace

std::string FormatQueueFile(const std::vector<QueueRecord>& records) {
    std::string bytes;
    for (const QueueRecord& record : records) {
        for (std::size_t i = 0; i < record.size(); ++i) {
            if (i > 0) {
                bytes += '\t';
            }
            bytes += record[i];
        }
        bytes += "\r\n";
    }
    return bytes;
}

std::vector<QueueRecord> ParseQueueFile(std::string_view bytes) {
    std::vector<QueueRecord> records;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (std::count(line.begin(), line.end(), '\t') != kQueueFields - 1) {
            continue;
        }
        QueueRecord record;
        for (std::size_t i = 0; i < kQueueFields; ++i) {
            const std::size_t tab = line.find('\t');
            record[i] = line.substr(0, tab);
            line = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::string ClockText(double clinicSeconds) {
    const auto total = static_cast<long long>(std::floor(clinicSeconds));
    const long long ofDay = ((total % 86400) + 86400) % 86400;
    const long long minute = ofDay / 60 % 60;
    const long long second = ofDay % 60;
    return NumberText(ofDay / 3600) + (minute < 10 ? ":0" : ":") + NumberText(minute) +
           (second < 10 ? ":0" : ":") + NumberText(second);
}

void RoomQueue::Load(std::vector<QueueRecord> records) {
    records_ = std::move(records);
    for (const QueueRecord& record : records_) {
        nextNumber_ = std::max(nextNumber_, TicketNumber(record) + 1);
    }
}

int RoomQueue::Issue(double clinicSeconds, bool class1) {
    const int number = nextNumber_++;
    QueueRecord record;
    record[kTicketNo] = NumberText(number);
    record[kIssuedAt] = ClockText(clinicSeconds);
    // A patient number that looks like a clinic's and stays the same from run to run.
    record[kPatientNo] = NumberText(100000 + (room_ * 7919 + number * 104729) % 900000);
    record[kReceptionKind] = class1 ? kAppointment : number % 5 == 1 ? kFirstVisit : kReturnVisit;
    record[kTicketClass] = class1 ? "1" : "0";
    records_.push_back(std::move(record));
    return number;
}

std::optional<int> RoomQueue::CallOldestWaiting(double clinicSeconds, int counter) {
    for (QueueRecord& record : records_) {
        if (TrimSpaces(record[kState]).empty()) {
            record[kState] = kCalled;
            record[kCalledAt] = ClockText(clinicSeconds);
            record[kCounterNo] = counter > 0 ? NumberText(counter) : "";
            return TicketNumber(record);
        }
    }
    return std::nullopt;
}

bool RoomQueue::Serve(int ticketNo) {
    for (QueueRecord& record : records_) {
        if (IsState(record, kCalled) && TicketNumber(record) == ticketNo) {
            record[kState] = kServed;
            return true;
        }
    }
    return false;
}

std::optional<int> RoomQueue::OldestCalled() const {
    for (const QueueRecord& record : records_) {
        if (IsState(record, kCalled)) {
            return TicketNumber(record);
        }
    }
    return std::nullopt;
}

void RoomQueue::ServeAllCalled() {
    for (QueueRecord& record : records_) {
        if (IsState(record, kCalled)) {
            record[kState] = kServed;
        }
    }
}

int RoomQueue::WaitingCount() const {
    return static_cast<int>(
        std::count_if(records_.begin(), records_.end(),
                      [](const QueueRecord& r) { return TrimSpaces(r[kState]).empty(); }));
}

} // namespace zarava::issuersim
