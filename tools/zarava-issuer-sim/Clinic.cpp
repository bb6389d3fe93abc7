#include "Clinic.h"

#include "Issuer.h"

#include "files/SharedFolder.h"
#include "text/Numbers.h"
#include "window/OpeningDay.h"

#include <array>
#include <string_view>

namespace zarava::issuersim {

namespace {

constexpr std::string_view kRoomsSection = "DAZUZE INFOMATION";
constexpr std::string_view kDisplay = "DISPLAY INFOMATION";

constexpr double kMinute = 60;
constexpr double kOpenMinutes = 150;
constexpr double kBreakMinutes = 60;
// Beyond this many waiting, newcomers are sent to come back later.
constexpr int kLongestQueue = 20;
constexpr double kClass1Share = 0.1;

constexpr std::array<std::string_view, 6> kRoomTitles = {
    "内科 第１診察室", "内科 第２診察室", "小児科 診察室",
    "整形外科 診察室", "皮膚科 診察室",   "眼科 診察室",
};

constexpr std::array<std::string_view, 5> kBandMessages = {
    "本日もご来院ありがとうございます。番号をお呼びするまで、しばらくお待ち下さい。",
    "お呼び出しの際は、番号と窓口をお確かめ下さい。",
    "待合室での携帯電話のご使用はご遠慮下さい。",
    "診察券と保険証をご用意の上、お待ち下さい。",
    "ご気分の悪い方は、お近くの職員にお申し出下さい。",
};

constexpr std::array<std::string_view, 6> kNews = {
    "インフルエンザ予防接種の予約を受け付けております。",
    "保険証の確認は、毎月初めの受診の際にお願いしております。",
    "お薬手帳をお持ちの方は、受付にお出し下さい。",
    "発熱のある方は、受付で職員にお申し出下さい。",
    "駐車場が満車の際は、裏手の第２駐車場をご利用下さい。",
    "土曜日の午後は休診となります。",
};

constexpr std::array<std::string_view, 7> kWeekdays = {"日", "月", "火", "水", "木", "金", "土"};

} // namespace

RandomClinic::RandomClinic(Issuer& issuer, int rooms, std::uint32_t seed, double clinicStart)
    : issuer_(issuer), random_(seed), clinicStart_(clinicStart) {
    for (int room = 1; room <= rooms; ++room) {
        RoomPlan plan;
        plan.room = room;
        plan.serviceMinutes = Uniform(4, 9);
        if (Uniform(0, 1) < 0.3) {
            plan.servers = {Server{.counter = 1}, Server{.counter = 2}};
        } else {
            plan.servers = {Server{.counter = Uniform(0, 1) < 0.5 ? 0 : room}};
        }
        // Patients come a little faster or slower than the room serves them, so queues grow
        // and shrink over the morning.
        plan.arrivalMinutes =
            plan.serviceMinutes / static_cast<double>(plan.servers.size()) * Uniform(0.85, 1.2);
        rooms_.push_back(std::move(plan));
    }
}

void RandomClinic::Start() {
    const int rooms = static_cast<int>(rooms_.size());
    issuer_.WriteWhenMissing(kRoomsSection, "SHINSATSU", NumberText(rooms - 1));
    for (int room = 1; room <= rooms; ++room) {
        issuer_.WriteWhenMissing(kRoomsSection, "DAZUZE" + NumberText(room),
                                 kRoomTitles[static_cast<std::size_t>(room - 1)]);
    }
    issuer_.WriteWhenMissing(kDisplay, "MSSG 3", kBandMessages[0]);
    issuer_.WriteWhenMissing(kDisplay, "MSSG 4", "午前中の受付は終了致しました。");
    issuer_.WriteWhenMissing(kDisplay, "MSSG 5", "本日の受付は終了致しました。");
    for (RoomPlan& plan : rooms_) {
        // Calls left over from an earlier run are over.
        issuer_.Room(plan.room).ServeAllCalled();
        for (std::size_t s = 0; s < plan.servers.size(); ++s) {
            plan.servers[s].summoned = true;
            Plan(clinicStart_ + Uniform(15, 60), Kind::NextPatient, plan.room, static_cast<int>(s));
        }
    }
    Plan(clinicStart_, Kind::Reception);
    Plan(clinicStart_, Kind::News);
    Plan(clinicStart_ + Uniform(20, 40) * kMinute, Kind::BandMessage);
}

double RandomClinic::NextEventAt() const {
    return events_.empty() ? clinicStart_ + 1e12 : events_.top().at;
}

void RandomClinic::RunUntil(double clinicSeconds) {
    while (!events_.empty() && events_.top().at <= clinicSeconds) {
        const Event event = events_.top();
        events_.pop();
        switch (event.kind) {
        case Kind::Arrival:
        case Kind::Burst:
            Issue(event);
            break;
        case Kind::NextPatient:
            NextPatient(event);
            break;
        case Kind::Reception:
            ChangeReception(event.at);
            break;
        case Kind::BandMessage:
            ChangeBandMessage(event.at);
            break;
        case Kind::News:
            WriteNews(event.at);
            break;
        }
    }
}

void RandomClinic::Plan(double at, Kind kind, int room, int server) {
    events_.push(Event{at, planned_++, kind, room, server, period_});
}

double RandomClinic::Uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random_);
}

double RandomClinic::Exponential(double mean) {
    return std::exponential_distribution<double>(1 / mean)(random_);
}

void RandomClinic::Issue(const Event& event) {
    if (event.period != period_) {
        return; // reception closed since this patient set out
    }
    RoomPlan& plan = rooms_[static_cast<std::size_t>(event.room - 1)];
    if (event.kind == Kind::Arrival) {
        Plan(event.at + Exponential(plan.arrivalMinutes * kMinute), Kind::Arrival, plan.room);
    }
    if (issuer_.Room(plan.room).WaitingCount() >= kLongestQueue) {
        return;
    }
    issuer_.IssueTicket(plan.room, event.at, Uniform(0, 1) < kClass1Share);
    for (std::size_t s = 0; s < plan.servers.size(); ++s) {
        Server& server = plan.servers[s];
        if (!server.ticket && !server.summoned) {
            server.summoned = true;
            Plan(event.at + Uniform(20, 90), Kind::NextPatient, plan.room, static_cast<int>(s));
            break;
        }
    }
}

void RandomClinic::NextPatient(const Event& event) {
    RoomPlan& plan = rooms_[static_cast<std::size_t>(event.room - 1)];
    Server& server = plan.servers[static_cast<std::size_t>(event.server)];
    server.summoned = false;
    if (!server.ticket && issuer_.Room(plan.room).WaitingCount() == 0) {
        return; // nobody to see; the next ticket issued summons this server again
    }
    server.ticket = issuer_.CallTicket(plan.room, event.at, server.counter, server.ticket);
    if (server.ticket) {
        Plan(event.at + plan.serviceMinutes * Uniform(0.4, 1.6) * kMinute, Kind::NextPatient,
             plan.room, event.server);
    }
}

void RandomClinic::ChangeReception(double at) {
    ++period_;
    const bool open = period_ % 2 == 0;
    const std::string_view notice = open ? "0" : period_ % 4 == 1 ? "1" : "2";
    issuer_.Log().Line(std::string("reception ") + (open ? "opens" : "closes") + " at " +
                       ClockText(at));
    issuer_.Write(kDisplay, "MSG TYPE", notice);
    if (open) {
        for (const RoomPlan& plan : rooms_) {
            // A few patients are already at the door when reception opens.
            const int early = 2 + static_cast<int>(Uniform(0, 3));
            for (int i = 0; i < early; ++i) {
                Plan(at + Uniform(0, 5) * kMinute, Kind::Burst, plan.room);
            }
            Plan(at + Exponential(plan.arrivalMinutes * kMinute), Kind::Arrival, plan.room);
        }
    }
    Plan(at + (open ? kOpenMinutes : kBreakMinutes) * kMinute, Kind::Reception);
}

void RandomClinic::ChangeBandMessage(double at) {
    bandMessage_ =
        (bandMessage_ + 1 + static_cast<std::size_t>(Uniform(0, kBandMessages.size() - 1))) %
        kBandMessages.size();
    issuer_.Write(kDisplay, "MSSG 3", kBandMessages[bandMessage_]);
    Plan(at + Uniform(20, 40) * kMinute, Kind::BandMessage);
}

void RandomClinic::WriteNews(double at) {
    const std::string& today = issuer_.Today();
    const int weekday = WeekdayOfDateText(today);
    std::vector<std::string> items;
    if (today.size() == 8 && weekday > 0) {
        items.push_back(NumberText(std::stoi(today.substr(4, 2))) + "月" +
                        NumberText(std::stoi(today.substr(6, 2))) + "日（" +
                        std::string(kWeekdays[static_cast<std::size_t>(weekday - 1)]) +
                        "）も通常どおり診療しております。");
    }
    const std::size_t first = static_cast<std::size_t>(Uniform(0, kNews.size()));
    const std::size_t second =
        (first + 1 + static_cast<std::size_t>(Uniform(0, kNews.size() - 1))) % kNews.size();
    items.emplace_back(kNews[first % kNews.size()]);
    items.emplace_back(kNews[second]);
    issuer_.WriteNews(items);
    Plan(at + kBreakMinutes * kMinute, Kind::News);
}

} // namespace zarava::issuersim
