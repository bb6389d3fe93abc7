#include "infoband/NewsTicker.h"

#include "files/SharedFolder.h"
#include "infoband/NewsFile.h"
#include "infoband/TickerText.h"

namespace zarava {

namespace {

constexpr const char* kSection = "DISPLAY INFOMATION";

// On the I/O worker: the settings a tick uses and, with NEWS on, the news file.
NewsTicker::Reading ReadForTick(SettingsSnapshot& settings, const std::string& newsPath,
                                const LocalDateTime& now) {
    NewsTicker::Reading reading;
    reading.time = settings.Read(kSection, "TIME");
    reading.news = NewsWanted(settings.Read(kSection, "NEWS"));
    reading.message = settings.Read(kSection, "MSSG 3");
    if (reading.news) {
        reading.newsWritten = NewsFileWritten(newsPath).value_or(0);
        if (SameDay(reading.newsWritten, now)) {
            reading.newsText = ReadNewsText(newsPath, reading.newsTrouble.emplace());
        }
    }
    return reading;
}

} // namespace

NewsTicker::NewsTicker(Program& program, std::function<void(std::string line)> startPass,
                       std::function<bool()> closePending)
    : program_(program), startPass_(std::move(startPass)), closePending_(std::move(closePending)),
      timer_(program.scheduler.CreateTimer(kFirstTickMs, true, [this] { Tick(); })),
      overdue_(program.scheduler.CreateTimer(kOverdueMs, false, [this] { Go(); })),
      read_(program, [this](Reading& reading, FileWork&) { OnRead(reading); }),
      newsTrouble_([&program](std::string_view line) { program.Log(line); }) {}

void NewsTicker::Stop() {
    waiting_ = false;
    timer_->SetEnabled(false);
    overdue_->SetEnabled(false);
    read_.Cancel();
}

void NewsTicker::Tick() {
    timer_->SetEnabled(false);
    if (closePending_()) {
        return; // the display is about to close: no more ticks
    }
    waiting_ = true;
    if (read_.Outstanding()) {
        Go(); // the reading of an earlier tick still hangs on the share: it is overdue already
        return;
    }
    read_.Start(
        [folder = program_.programFolder, &clock = program_.clock](SettingsSnapshot& settings) {
            return ReadForTick(settings, ResolveInFolder(folder, "news.sjis"), clock.Now());
        });
    overdue_->SetEnabled(true);
}

void NewsTicker::OnRead(Reading& reading) {
    if (reading.newsTrouble) {
        newsTrouble_.Report("news file", *reading.newsTrouble);
    }
    known_ = std::move(reading);
    if (waiting_) {
        Go();
    }
}

// The line is built afresh and a pass started with it, unless a pass still runs. With news
// on, only a news file written today starts one; the band keeps what it shows otherwise.
void NewsTicker::Go() {
    overdue_->SetEnabled(false);
    if (!waiting_) {
        return;
    }
    waiting_ = false;
    if (known_ && !tickerBusy_) {
        const LocalDateTime now = program_.clock.Now();
        const std::string clockText = ClockText(known_->time, now);
        std::optional<std::string> line;
        if (!known_->news) {
            line = TickerLine(clockText, known_->message, {});
        } else if (known_->newsText && SameDay(known_->newsWritten, now)) {
            line = TickerLine(clockText, known_->message, *known_->newsText);
        }
        if (line) {
            tickerBusy_ = true;
            startPass_(std::move(*line));
        }
    }
    timer_->SetInterval(kTickMs);
    timer_->SetEnabled(true);
}

} // namespace zarava
