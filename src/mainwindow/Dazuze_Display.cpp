#include "mainwindow/Dazuze_Display.h"

#include "infoband/Dummy_Form.h"
#include "mainwindow/CommandLine.h"
#include "roomdisplay/Zarava_Display.h"
#include "text/Numbers.h"
#include "text/Text.h"
#include "util/Lib.h"

#include <algorithm>

namespace zarava {

namespace {

constexpr const char* kWriteAccessMessage =
    "ネットワーク ユーザーによるファイル変更が、　　\r\n"
    "制限されている様です。\r\n"
    "\r\n"
    "接続先フォルダの共有プロパティで、ファイルの変更を許可して下さい。　　　";

} // namespace

Dazuze_Display::Dazuze_Display(Context& ctx, std::string commandLine)
    : ctx_(ctx), commandLine_(std::move(commandLine)) {
    // The design's timers: the blink phase and the clock run from the start, the watchdog
    // only once the start-up has finished.
    timer1_ = ctx_.scheduler.CreateTimer(600, true, [] {});
    timer2_ = ctx_.scheduler.CreateTimer(10000, false, [] {});
    timer3_ = ctx_.scheduler.CreateTimer(1000, true, [] {});
}

Dazuze_Display::~Dazuze_Display() = default;

int Dazuze_Display::ScreenMonitor(int wanted) {
    // A monitor that is not there: the nearest one that is, the rightmost.
    const int count = static_cast<int>(ctx_.host.Monitors().size());
    return std::clamp(wanted, 0, std::max(count - 1, 0));
}

void Dazuze_Display::Load() {
    EnsureFolder(ctx_.ProgramFile("Temp"));
    EnsureFolder(ctx_.ProgramFile("Log"));

    ClosePending = false;
    TickerBusy = false;

    ctx_.IniPath = ctx_.ProgramFile("zarava.ini");

    // An empty command line is treated as if another copy were running.
    const bool anotherCopy = ctx_.host.AnotherCopyRunning() || commandLine_.empty();

    ctx_.RoomsFromCommandLine = false;
    RoomShown.fill(false);
    OpenRoomCount = 0;

    double shinsatsu = LenientNumber(ctx_.ReadSetting("DAZUZE INFOMATION", "SHINSATSU"));
    if (shinsatsu < 0 || shinsatsu > 5) {
        shinsatsu = 3;
    }
    const int roomCount = ToInt16(shinsatsu + 1).value_or(1);

    const bool tolv = commandLine_ == "-tolv";
    int monitor = 0;
    if (tolv) {
        for (int room = 1; room <= roomCount; ++room) {
            RoomShown[static_cast<std::size_t>(room)] =
                IsOpenToday(ctx_.clock, ctx_.IniPath, static_cast<std::int16_t>(room));
            OpenRoomCount += RoomShown[static_cast<std::size_t>(room)] ? 1 : 0;
        }
    } else {
        const RoomSelection sel = SelectRooms(commandLine_, roomCount);
        monitor = sel.monitor;
        RoomShown = sel.rooms;
        ctx_.RoomsFromCommandLine = sel.fromCommandLine;
    }
    if (!ctx_.RoomsFromCommandLine) {
        monitor = MonitorFromType(LenientNumber(ctx_.ReadSetting("DISPLAY INFOMATION", "TYPE")));
    }
    frame_.monitor = ScreenMonitor(monitor);

    if (anotherCopy && !ctx_.RoomsFromCommandLine) {
        Unload(0);
        return;
    }

    if (!ProbeWriteAccess(ctx_.clock, ctx_.programFolder)) {
        PublishIfChanged(); // the box appears on the monitor chosen so far
        ctx_.host.ShowMessage(kWriteAccessMessage, frame_.caption, MessageIcon::Information);
        Unload(1);
        return;
    }

    frame_.tickerRepeat = false;
    frame_.tickerCaption =
        std::string(TrimSpaces(ctx_.ReadSetting("DISPLAY INFOMATION", "MSSG 3")));

    SetRunningMark(ctx_, true);

    frame_.titleBar = false;
    frame_.shown = true;

    auto showChild = [this](std::size_t slot, std::unique_ptr<ChildWindow> w) {
        ctx_.Register(*w);
        roomWindow_[slot] = std::move(w);
        roomWindow_[slot]->Show();
        // The most recently shown window comes first in the stacking order.
        frame_.children.insert(frame_.children.begin(), roomWindow_[slot]->Id());
    };
    if (tolv && (OpenRoomCount == 3 || OpenRoomCount == 5)) {
        showChild(0, std::make_unique<Dummy_Form>(ctx_));
    }
    for (int room = 6; room >= 1; --room) {
        if (RoomShown[static_cast<std::size_t>(room)]) {
            ctx_.CurrentRoomNo = static_cast<std::int16_t>(room);
            auto w = std::make_unique<Zarava_Display>(ctx_);
            showChild(static_cast<std::size_t>(room), std::move(w));
        }
    }

    frame_.arrangement = Arrangement::TileVertical;
    ++frame_.tickerPass;

    timer2_->SetEnabled(true);
    timer3_->SetEnabled(true);

    frame_.topMost = true;
    frame_.startupDone = true;
}

void Dazuze_Display::StartTickerPass(const std::string& caption) {
    frame_.tickerCaption = caption;
    frame_.tickerRepeat = false;
    ++frame_.tickerPass;
}

void Dazuze_Display::OnTickerNotification(int code) {
    if (code == 10) {
        Unload();
    } else if (code == 11) {
        TickerBusy = false;
    }
}

void Dazuze_Display::Unload(int exitCode) {
    if (ended_) {
        return;
    }
    // The room windows are children of the frame: they close, and clear the mark, first, in
    // stacking order (room 1 was shown last, the filler first).
    for (std::size_t slot : {1, 2, 3, 4, 5, 6, 0}) {
        if (roomWindow_[slot]) {
            roomWindow_[slot]->Close();
        }
    }
    timer1_->SetEnabled(false);
    timer2_->SetEnabled(false);
    timer3_->SetEnabled(false);
    SetRunningMark(ctx_, false);
    frame_.closed = true;
    ended_ = true;
    ctx_.PublishChanges();
    PublishIfChanged();
    ctx_.host.EndProcess(exitCode);
}

void Dazuze_Display::PublishIfChanged() {
    if (!published_ || !(frame_ == *published_)) {
        published_ = frame_;
        ctx_.host.PublishFrame(frame_);
    }
}

} // namespace zarava
