#include "Issuer.h"

#include "FolderAccess.h"

#include "engine/Clock.h"
#include "files/Files.h"
#include "files/Folders.h"
#include "files/SharedFolder.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsStore.h"
#include "text/Cp932.h"
#include "text/Numbers.h"

#include <cstdio>

namespace zarava::issuersim {

namespace {

constexpr std::string_view kUser = "USER INFOMATION";
constexpr std::string_view kDisplay = "DISPLAY INFOMATION";
constexpr std::size_t kQueueFileLimit = 4 * 1024 * 1024;

} // namespace

double ActionLog::Elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ActionLog::Line(std::string_view text) const {
    std::printf("%8.3f %.*s\n", Elapsed(), static_cast<int>(text.size()), text.data());
    std::fflush(stdout);
}

Issuer::Issuer(std::string folder, Clock& clock, const ActionLog& log)
    : folder_(std::move(folder)), iniPath_(ResolveInFolder(folder_, "zarava.ini")), clock_(clock),
      log_(log) {}

std::string Issuer::Read(std::string_view section, std::string_view key) {
    return ReadSetting(clock_, section, key, iniPath_);
}

void Issuer::Write(std::string_view section, std::string_view key, std::string_view value) {
    const bool written = WriteSetting(clock_, section, key, value, iniPath_) != 0;
    log_.Line("set [" + std::string(section) + "] " + std::string(key) + "=" + std::string(value) +
              (written ? "" : " FAILED"));
}

void Issuer::WriteWhenMissing(std::string_view section, std::string_view key,
                              std::string_view value) {
    if (Read(section, key).empty()) {
        Write(section, key, value);
    }
}

void Issuer::SetFormBits(std::int32_t bits) {
    ChangeFormBits([bits](std::int32_t form) { return form | bits; });
}

void Issuer::ClearFormBits(std::int32_t bits) {
    ChangeFormBits([bits](std::int32_t form) { return form & ~bits; });
}

void Issuer::ChangeFormBits(const std::function<std::int32_t(std::int32_t)>& change) {
    // On FORM as the write finds it: the display sets and clears its own bit meanwhile.
    std::int32_t written = 0;
    const bool done = UpdateSetting(
                          clock_, kUser, "FORM",
                          [&](std::string_view current) -> std::optional<std::string> {
                              written = change(ToInt32(LenientNumber(current)).value_or(0));
                              return NumberText(written);
                          },
                          iniPath_) != 0;
    log_.Line("set [" + std::string(kUser) + "] FORM=" + NumberText(written) +
              (done ? "" : " FAILED"));
}

void Issuer::WriteForm(std::int32_t value) {
    Write(kUser, "FORM", NumberText(value));
}

void Issuer::StartDay() {
    today_ = FormatYmd(clock_.Now());
    Write(kUser, "TODAY", today_);
    rooms_.clear();
}

RoomQueue& Issuer::Room(int room) {
    auto [it, added] = rooms_.try_emplace(room, room);
    if (added) {
        const std::string name = "temp/" + today_ + "_" + NumberText(room) + ".tmp";
        std::string bytes;
        if (ReadWholeFile(ResolveInFolder(folder_, name), bytes, kQueueFileLimit) ==
            ReadFileResult::Ok) {
            it->second.Load(ParseQueueFile(bytes));
            if (!it->second.Records().empty()) {
                log_.Line("room " + NumberText(room) + ": took over " +
                          NumberText(static_cast<std::int64_t>(it->second.Records().size())) +
                          " tickets from " + name);
            }
        }
    }
    return it->second;
}

int Issuer::IssueTicket(int room, double clinicSeconds, bool class1) {
    const int number = Room(room).Issue(clinicSeconds, class1);
    log_.Line("room " + NumberText(room) + ": ticket " + NumberText(number) +
              (class1 ? " (class 1)" : "") + " issued at " + ClockText(clinicSeconds));
    Publish(room, std::nullopt);
    return number;
}

std::optional<int> Issuer::CallTicket(int room, double clinicSeconds, int counter,
                                      std::optional<int> served) {
    RoomQueue& queue = Room(room);
    const std::string prefix = "room " + NumberText(room) + ": ticket ";
    const bool changed = served && queue.Serve(*served);
    if (changed) {
        log_.Line(prefix + NumberText(*served) + " served");
    }
    const std::optional<int> called = queue.CallOldestWaiting(clinicSeconds, counter);
    if (called) {
        log_.Line(prefix + NumberText(*called) + " called at " + ClockText(clinicSeconds) +
                  (counter > 0 ? " to counter " + NumberText(counter) : ""));
    } else {
        log_.Line("room " + NumberText(room) + ": nobody waiting");
    }
    if (changed || called) {
        Publish(room, called);
    }
    return called;
}

bool Issuer::ServeTicket(int room, int ticket) {
    if (!Room(room).Serve(ticket)) {
        return false;
    }
    log_.Line("room " + NumberText(room) + ": ticket " + NumberText(ticket) + " served");
    Publish(room, std::nullopt);
    return true;
}

void Issuer::Publish(int room, std::optional<int> calledTicket) {
    // The display makes "Temp"; either spelling is the same folder to the issuer.
    if (!FolderExists(ResolveInFolder(folder_, "temp"))) {
        EnsureFolder(JoinPath(folder_, "Temp"));
    }
    const std::string path =
        ResolveInFolder(folder_, "temp/" + today_ + "_" + NumberText(room) + ".tmp");
    if (const std::string problem = WriteInPlace(path, FormatQueueFile(Room(room).Records()));
        !problem.empty()) {
        log_.Line("room " + NumberText(room) + ": " + problem);
    }
    // The file first, then the request, as the issuer does: the display reads the request at
    // the end of the refresh that the file's change starts. A poll that falls between the two
    // finds no request yet, and the chime waits for the room's next change.
    if (calledTicket) {
        const std::string key = NumberText(room) + "CALL SOUND";
        // The request is a flag, not a count: two calls before the display takes the first
        // are one chime. Said in the log so that a count of calls can allow for it.
        std::string ini;
        const bool waiting =
            ReadWholeFile(iniPath_, ini, kMaxSettingsFileBytes) == ReadFileResult::Ok &&
            LenientNumber(FindProfileValue(ini, kDisplay, key).value_or("")) != 0;
        Write(kDisplay, key, "1");
        if (waiting) {
            log_.Line("room " + NumberText(room) +
                      ": the last call's request was still waiting; one chime for both");
        }
    }
}

void Issuer::WriteNews(const std::vector<std::string>& items) {
    std::string bytes;
    for (const std::string& item : items) {
        if (const std::optional<std::string> encoded = Utf8ToCp932(item)) {
            bytes += *encoded + "\r\n";
        } else {
            log_.Line("news item left out (not expressible in code page 932): " + item);
        }
    }
    const std::string problem = WriteInPlace(ResolveInFolder(folder_, "news.sjis"), bytes);
    log_.Line("news.sjis: " + NumberText(static_cast<std::int64_t>(items.size())) + " items" +
              (problem.empty() ? "" : ": " + problem));
}

void Issuer::TakeCheckIns() {
    for (const std::string& code : checkIns_.Poll(ResolveInFolder(folder_, "hkcode.tmp"))) {
        log_.Line("checked in: " + code);
    }
}

} // namespace zarava::issuersim
