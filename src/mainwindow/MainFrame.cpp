#include "mainwindow/MainFrame.h"

#include "files/SharedFolder.h"
#include "infoband/FillerWindow.h"
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

MainFrame::MainFrame(Program& program, std::string commandLine)
    : program_(program), commandLine_(std::move(commandLine)), tolv_(commandLine_ == "-tolv"),
      blinkPhaseTimer_(
          program.scheduler.CreateTimer(kBlinkPhaseMs, true, [this] { AdvanceBlinkPhase(); })),
      watchdog_(program, [this] { RequestClose(); }),
      ticker_(
          program, [this](std::string line) { StartTickerPass(std::move(line)); },
          [this] { return watchdog_.ClosePending(); }) {}

MainFrame::~MainFrame() = default;

int MainFrame::ScreenMonitor(int wanted) {
    // A monitor that is not there: the nearest one that is, the rightmost.
    const int count = static_cast<int>(program_.host.Monitors().size());
    return std::clamp(wanted, 0, std::max(count - 1, 0));
}

void MainFrame::Load() {
    program_.OpenProgramFolder();
    SettingsSnapshot settings = program_.SettingsInPlace();
    // An empty command line is treated as if another copy were running.
    const bool anotherCopy = program_.host.AnotherCopyRunning() || commandLine_.empty();
    const int roomCount = RoomCount(settings);
    ChooseRoomsAndMonitor(settings, roomCount);
    program_.Log(StartLine(roomCount));
    if (anotherCopy && !roomsFromCommandLine_) {
        Unload(0, commandLine_.empty() ? "empty command line" : "another copy runs");
        return;
    }
    if (!FolderWritable()) {
        return;
    }
    ShowBandMessage(settings);
    SetRunningMark(program_, settings, true);
    frame_.titleBar = false;
    frame_.shown = true;
    CreateWindows(settings);
    StartRunning();
}

// SHINSATSU is the number of rooms minus one; out of its range it counts as 3.
int MainFrame::RoomCount(SettingsSnapshot& settings) const {
    double shinsatsu = LenientNumber(settings.Read("DAZUZE INFOMATION", "SHINSATSU"));
    if (shinsatsu < 0 || shinsatsu > 5) {
        shinsatsu = 3;
    }
    return ToInt16(shinsatsu + 1).value_or(1);
}

// "-tolv" shows the rooms open today; any other command line names the monitor by a letter
// and the rooms by their digits. Without room digits TYPE decides the monitor.
void MainFrame::ChooseRoomsAndMonitor(SettingsSnapshot& settings, int roomCount) {
    roomsFromCommandLine_ = false;
    roomShown_.fill(false);
    openRoomCount_ = 0;
    int monitor = 0;
    if (tolv_) {
        const LocalDateTime now = program_.clock.Now();
        for (int room = 1; room <= roomCount; ++room) {
            const bool open = IsOpenToday(settings, now, room);
            roomShown_[static_cast<std::size_t>(room)] = open;
            openRoomCount_ += open ? 1 : 0;
        }
    } else {
        const RoomSelection sel = SelectRooms(commandLine_, roomCount);
        monitor = sel.monitor;
        roomShown_ = sel.rooms;
        roomsFromCommandLine_ = sel.fromCommandLine;
    }
    if (!roomsFromCommandLine_) {
        monitor = MonitorFromType(LenientNumber(settings.Read("DISPLAY INFOMATION", "TYPE")));
    }
    frame_.monitor = ScreenMonitor(monitor);
}

// The write-access probe: a folder the display cannot write stops it, with a word to the user.
bool MainFrame::FolderWritable() {
    if (ProbeWriteAccess(program_.clock, program_.programFolder)) {
        return true;
    }
    PublishIfChanged(); // the box appears on the monitor chosen so far
    program_.host.ShowMessage(kWriteAccessMessage, frame_.caption, MessageIcon::Information);
    Unload(1, "the program folder cannot be written");
    return false;
}

void MainFrame::ShowBandMessage(SettingsSnapshot& settings) {
    frame_.tickerRepeat = false;
    frame_.tickerCaption = std::string(TrimSpaces(settings.Read("DISPLAY INFOMATION", "MSSG 3")));
}

// The filler first when three or five rooms are open today, then the rooms from 6 down to 1,
// so room 1 is the last shown and tiles top left.
void MainFrame::CreateWindows(SettingsSnapshot& settings) {
    if (tolv_ && (openRoomCount_ == 3 || openRoomCount_ == 5)) {
        ShowChild(0, std::make_unique<FillerWindow>(program_), settings);
    }
    for (int room = 6; room >= 1; --room) {
        if (roomShown_[static_cast<std::size_t>(room)]) {
            ShowChild(static_cast<std::size_t>(room),
                      std::make_unique<RoomWindow>(program_, static_cast<std::int16_t>(room)),
                      settings);
        }
    }
    frame_.arrangement = Arrangement::TileVertical;
}

// The band's first pass with the message, the watchdog and the ticker, and the frame on top.
void MainFrame::StartRunning() {
    ++frame_.tickerPass;
    watchdog_.Start();
    ticker_.Start();
    frame_.topMost = true;
    frame_.startupDone = true;
}

void MainFrame::ShowChild(std::size_t slot, std::unique_ptr<ChildWindow> window,
                          SettingsSnapshot& settings) {
    program_.Register(*window);
    roomWindow_[slot] = std::move(window);
    roomWindow_[slot]->Show(settings);
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

void MainFrame::StartTickerPass(std::string line) {
    frame_.tickerCaption = std::move(line);
    frame_.tickerRepeat = false;
    ++frame_.tickerPass;
}

void MainFrame::OnTickerNotification(TickerNotification what) {
    if (what == TickerNotification::DoubleClicked) {
        RequestClose();
    } else if (what == TickerNotification::PassEnded) {
        ticker_.OnPassEnded();
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
    program_.scheduler.Post([this] { Unload(); });
}

void MainFrame::Unload(int exitCode, std::string_view why) {
    if (ended_) {
        return;
    }
    blinkPhaseTimer_->SetEnabled(false);
    watchdog_.Stop();
    ticker_.Stop();
    // What the handlers left to do with files is done first: nothing is left half done, and
    // the log's last line is the end's.
    program_.files.Finish();
    SettingsSnapshot settings = program_.SettingsInPlace();
    // The room windows are children of the frame: they close, and clear the mark, first, in
    // stacking order (room 1 was shown last, the filler first).
    for (std::size_t slot : {1, 2, 3, 4, 5, 6, 0}) {
        if (roomWindow_[slot]) {
            roomWindow_[slot]->Close(settings);
        }
    }
    SetRunningMark(program_, settings, false);
    program_.Log("end" + (why.empty() ? std::string() : ": " + std::string(why)) +
                 " (exit status " + NumberText(exitCode) + ")");
    program_.files.Finish();
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
