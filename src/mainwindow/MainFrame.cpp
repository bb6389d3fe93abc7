#include "mainwindow/MainFrame.h"

#include "files/SharedFolder.h"
#include "infoband/FillerWindow.h"
#include "infoband/NewsFile.h"
#include "infoband/TickerText.h"
#include "mainwindow/CommandLine.h"
#include "roomdisplay/RoomWindow.h"
#include "text/Numbers.h"
#include "text/Text.h"
#include "window/OpeningDay.h"
#include "window/RunningMark.h"

#include <algorithm>

namespace zarava {

namespace {

constexpr const char* kWriteAccessMessage =
    "ネットワーク ユーザーによるファイル変更が、　　\r\n"
    "制限されている様です。\r\n"
    "\r\n"
    "接続先フォルダの共有プロパティで、ファイルの変更を許可して下さい。　　　";

} // namespace

MainFrame::MainFrame(Program& program, std::string commandLine, Strands strands)
    : program_(program), commandLine_(std::move(commandLine)), windowStrand_(strands.window),
      keyStrand_(strands.keys),
      // The blink phase never waits for anything, so it keeps its rhythm in a strand of its
      // own while the frame's other handlers wait for a settings retry.
      blinkPhaseTimer_(program.scheduler.CreateTimer(program.scheduler.NewStrand(), kBlinkPhaseMs,
                                                     true, [this] { AdvanceBlinkPhase(); })),
      watchdog_(program, windowStrand_, [this] { RequestClose(); }),
      // The ticker reads settings, so it shares the frame's strand; it runs from the load on.
      tickerTimer_(program.scheduler.CreateTimer(windowStrand_, kTickerFirstMs, true,
                                                 [this] { TickerTick(); })) {}

MainFrame::~MainFrame() = default;

int MainFrame::ScreenMonitor(int wanted) {
    // A monitor that is not there: the nearest one that is, the rightmost.
    const int count = static_cast<int>(program_.host.Monitors().size());
    return std::clamp(wanted, 0, std::max(count - 1, 0));
}

void MainFrame::Load() {
    EnsureFolder(program_.ProgramFile("Temp"));
    EnsureFolder(program_.ProgramFile("Log"));
    program_.log = OperationsLog(program_.clock, program_.ProgramFile("Log"));

    tickerBusy_ = false;

    program_.IniPath = program_.ProgramFile("zarava.ini");

    // An empty command line is treated as if another copy were running.
    const bool anotherCopy = program_.host.AnotherCopyRunning() || commandLine_.empty();

    program_.RoomsFromCommandLine = false;
    roomShown_.fill(false);
    openRoomCount_ = 0;

    double shinsatsu = LenientNumber(program_.ReadSetting("DAZUZE INFOMATION", "SHINSATSU"));
    if (shinsatsu < 0 || shinsatsu > 5) {
        shinsatsu = 3;
    }
    const int roomCount = ToInt16(shinsatsu + 1).value_or(1);

    const bool tolv = commandLine_ == "-tolv";
    int monitor = 0;
    if (tolv) {
        for (int room = 1; room <= roomCount; ++room) {
            roomShown_[static_cast<std::size_t>(room)] =
                IsOpenToday(program_.clock, program_.IniPath, static_cast<std::int16_t>(room));
            openRoomCount_ += roomShown_[static_cast<std::size_t>(room)] ? 1 : 0;
        }
    } else {
        const RoomSelection sel = SelectRooms(commandLine_, roomCount);
        monitor = sel.monitor;
        roomShown_ = sel.rooms;
        program_.RoomsFromCommandLine = sel.fromCommandLine;
    }
    if (!program_.RoomsFromCommandLine) {
        monitor =
            MonitorFromType(LenientNumber(program_.ReadSetting("DISPLAY INFOMATION", "TYPE")));
    }
    frame_.monitor = ScreenMonitor(monitor);

    program_.log.RemoveOldFiles();
    program_.log.Write(StartLine(roomCount));

    if (anotherCopy && !program_.RoomsFromCommandLine) {
        Unload(0, commandLine_.empty() ? "empty command line" : "another copy runs");
        return;
    }

    if (!ProbeWriteAccess(program_.clock, program_.programFolder)) {
        PublishIfChanged(); // the box appears on the monitor chosen so far
        program_.host.ShowMessage(kWriteAccessMessage, frame_.caption, MessageIcon::Information);
        Unload(1, "the program folder cannot be written");
        return;
    }

    frame_.tickerRepeat = false;
    frame_.tickerCaption =
        std::string(TrimSpaces(program_.ReadSetting("DISPLAY INFOMATION", "MSSG 3")));

    SetRunningMark(program_, true);

    frame_.titleBar = false;
    frame_.shown = true;

    if (tolv && (openRoomCount_ == 3 || openRoomCount_ == 5)) {
        ShowChild(0, std::make_unique<FillerWindow>(program_));
    }
    for (int room = 6; room >= 1; --room) {
        if (roomShown_[static_cast<std::size_t>(room)]) {
            program_.CurrentRoomNo = static_cast<std::int16_t>(room);
            ShowChild(static_cast<std::size_t>(room), std::make_unique<RoomWindow>(program_));
        }
    }

    frame_.arrangement = Arrangement::TileVertical;
    ++frame_.tickerPass;

    watchdog_.Start();
    tickerTimer_->SetEnabled(true);

    frame_.topMost = true;
    frame_.startupDone = true;
}

void MainFrame::ShowChild(std::size_t slot, std::unique_ptr<ChildWindow> window) {
    program_.Register(*window);
    roomWindow_[slot] = std::move(window);
    roomWindow_[slot]->Show();
    // The most recently shown window comes first in the stacking order.
    frame_.children.insert(frame_.children.begin(), roomWindow_[slot]->Id());
}

std::string MainFrame::StartLine(int roomCount) const {
    std::string rooms;
    for (int room = 1; room <= 6; ++room) {
        if (roomShown_[static_cast<std::size_t>(room)]) {
            rooms += (rooms.empty() ? "" : " ") + NumberText(room);
        }
    }
    return "start: command line \"" + commandLine_ + "\", monitor " +
           NumberText(frame_.monitor + 1) + " of " +
           NumberText(static_cast<std::int64_t>(program_.host.Monitors().size())) + ", rooms " +
           (rooms.empty() ? "none" : rooms) + " of " + NumberText(roomCount);
}

void MainFrame::AdvanceBlinkPhase() {
    // While the display is about to close the phase stands still.
    if (!watchdog_.ClosePending()) {
        program_.blinkPhase.Advance();
    }
}

// Builds the band's line afresh and starts a pass with it, unless a pass still runs. With news
// on, only a news file written today starts one; the band keeps what it shows otherwise. Every
// setting and the file are read before the band changes, so the screen, which is updated while
// a read waits, never shows a new line without its pass.
void MainFrame::TickerTick() {
    tickerTimer_->SetEnabled(false);
    if (watchdog_.ClosePending()) {
        return; // the display is about to close: no more ticks
    }
    const std::string timeSetting = program_.ReadSetting("DISPLAY INFOMATION", "TIME");
    const std::string clockText = ClockText(timeSetting, program_.clock.Now());
    const bool news = NewsWanted(program_.ReadSetting("DISPLAY INFOMATION", "NEWS"));
    std::optional<std::string> line;
    if (!news) {
        if (!tickerBusy_) {
            line = TickerLine(clockText, program_.ReadSetting("DISPLAY INFOMATION", "MSSG 3"), {});
        }
    } else {
        const std::string path = program_.ProgramFile("news.sjis");
        if (NewsFileOfToday(path, program_.clock.Now()) && !tickerBusy_) {
            const std::string message = program_.ReadSetting("DISPLAY INFOMATION", "MSSG 3");
            // A file that went away or cannot be read since the look changes nothing.
            if (const std::optional<std::string> newsText = ReadNewsText(path, newsTrouble_)) {
                line = TickerLine(clockText, message, *newsText);
            }
        }
    }
    if (line) {
        frame_.tickerCaption = std::move(*line);
        frame_.tickerRepeat = false;
        tickerBusy_ = true;
        ++frame_.tickerPass;
    }
    tickerTimer_->SetInterval(kTickerMs);
    tickerTimer_->SetEnabled(true);
}

void MainFrame::OnTickerNotification(TickerNotification what) {
    if (what == TickerNotification::DoubleClicked) {
        RequestClose();
    } else if (what == TickerNotification::PassEnded) {
        tickerBusy_ = false;
    }
}

void MainFrame::OnKeyPress(int windowId, char32_t key) {
    RoomWindow* target = nullptr;
    for (std::size_t room = 1; room <= 6; ++room) {
        auto* window = dynamic_cast<RoomWindow*>(roomWindow_[room].get());
        if (window == nullptr || window->Closed()) {
            continue;
        }
        if (target == nullptr || window->Id() == windowId) {
            target = window; // the clicked room, else the lowest room number shown
        }
        if (window->Id() == windowId) {
            break;
        }
    }
    if (target != nullptr) {
        target->OnKeyPress(key);
    }
}

void MainFrame::RequestClose() {
    program_.scheduler.Post(Strand::Exclusive(), [this] { Unload(); });
}

void MainFrame::Unload(int exitCode, std::string_view why) {
    if (ended_) {
        return;
    }
    blinkPhaseTimer_->SetEnabled(false);
    watchdog_.Stop();
    tickerTimer_->SetEnabled(false);
    // The room windows are children of the frame: they close, and clear the mark, first, in
    // stacking order (room 1 was shown last, the filler first).
    for (std::size_t slot : {1, 2, 3, 4, 5, 6, 0}) {
        if (roomWindow_[slot]) {
            roomWindow_[slot]->Close();
        }
    }
    SetRunningMark(program_, false);
    program_.log.Write("end" + (why.empty() ? std::string() : ": " + std::string(why)) +
                       " (exit status " + NumberText(exitCode) + ")");
    frame_.closed = true;
    ended_ = true;
    program_.PublishChanges();
    PublishIfChanged();
    program_.host.EndProcess(exitCode);
}

void MainFrame::PublishIfChanged() {
    frame_.blinkOn = program_.blinkPhase.On();
    frame_.closePending = watchdog_.ClosePending();
    if (!published_ || !(frame_ == *published_)) {
        published_ = frame_;
        program_.host.PublishFrame(frame_);
    }
}

} // namespace zarava
