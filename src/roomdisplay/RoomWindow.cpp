#include "roomdisplay/RoomWindow.h"

#include "files/FileAppend.h"
#include "files/FileStart.h"
#include "files/Files.h"
#include "files/SharedFolder.h"
#include "roomdisplay/CallAnnouncement.h"
#include "text/Numbers.h"
#include "text/Text.h"
#include "window/RunningMark.h"

namespace zarava {

namespace {

// Bits of the "MESSAGE INFO" layout setting.
constexpr std::int32_t kShowWaitingTime = 2;
constexpr std::int32_t kShowWaitingCount = 4;
constexpr std::int32_t kDefaultMessageInfo = 31;

constexpr const char* kDefaultCounter = "番窓口";
constexpr const char* kCounterCaptionTail = "\r\n　へおこし下さい。";

template <std::size_t N>
std::array<ControlId, N> Controls(const Window& w, const char* name, int first = 0) {
    std::array<ControlId, N> ids{};
    for (std::size_t i = 0; i < N; ++i) {
        ids[i] = w.Find(name, first + static_cast<int>(i));
    }
    return ids;
}

// What a poll's gather is given: values, never the window, as it runs on the I/O worker.
struct PollRequest {
    std::string folder;
    std::int16_t room;
    std::int32_t lastStamp;
    std::int16_t shownMsgType;
};

// The room's queue file for a TODAY value; nothing when the value would lead out of the temp
// folder.
std::optional<std::string> QueueFilePath(const PollRequest& r, const std::string& today) {
    if (today.find_first_of("/\\") != std::string::npos || today.find("..") != std::string::npos) {
        return std::nullopt;
    }
    return ResolveInFolder(r.folder, "temp/" + today + "_" + NumberText(r.room) + ".tmp");
}

// Everything a poll's handler needs, read before it starts: TODAY and the queue file's stamp;
// when the stamp changed, the file, COUNTER and TIME CALC, worked out into the board; MSG TYPE,
// and the notice text when the type changes to one that shows a notice.
QueuePollFindings GatherPoll(SettingsSnapshot& settings, const PollRequest& r) {
    QueuePollFindings found;
    const std::optional<std::string> path =
        QueueFilePath(r, settings.Read("USER INFOMATION", "TODAY"));
    if (path && !ReadFileAttributes(*path)) {
        found.queueTrouble = QueueFileTroubleWhenMissing(*path);
    } else if (path) {
        double created = 0, lastWrite = 0, lastAccess = 0; // a file gone meanwhile: key 0
        GetFileTimes(*path, created, lastWrite, lastAccess);
        const std::int32_t key = QueueFileStampKey(lastWrite);
        if (key != r.lastStamp) {
            found.newStamp = key;
            found.counter = settings.Read("DISPLAY INFOMATION", "COUNTER");
            // A file that cannot be read (gone, a folder, refused) is an empty queue; one
            // longer than any queue counts as cut off at the ceiling.
            std::string bytes;
            const ReadFileResult read =
                ReadFileStart(*path, bytes, RoomWindow::kMostQueueFileBytes);
            if (read != ReadFileResult::Ok && read != ReadFileResult::TooLarge) {
                bytes.clear();
            }
            found.queueTrouble = QueueFileTroubleAfterRead(*path, read, bytes);
            const double timeCalc =
                LenientNumber(settings.Read("DAZUZE INFOMATION", NumberText(r.room) + "TIME CALC"));
            found.board = WorkOutCallBoard(ParseQueueFile(bytes), timeCalc);
        }
    }
    found.msgType = LenientNumber(settings.Read("DISPLAY INFOMATION", "MSG TYPE"));
    // The notice panel reads its text only when the type changes to 1 or 2.
    if (found.msgType != r.shownMsgType && (found.msgType == 1 || found.msgType == 2)) {
        found.noticeKey = found.msgType == 1 ? "MSSG 4" : "MSSG 5";
        found.notice = settings.Read("DISPLAY INFOMATION", found.noticeKey);
    }
    return found;
}

} // namespace

RoomWindow::BoardControls::BoardControls(const Window& w)
    : waiting(Controls<36>(w, "ImgW")), call(Controls<6>(w, "ImgCall")),
      counterCaption(w.Find("TlxCall")), count(Controls<3>(w, "ImgMachi")),
      time(Controls<3>(w, "ImgTime")), firstClass(Controls<10>(w, "ImgO")),
      secondClass(Controls<10>(w, "ImgOr")), countPalette(Controls<10>(w, "ImgB")),
      timePalette(Controls<11>(w, "ImgG")) {}

RoomWindow::RoomWindow(Program& program, std::int16_t currentRoomNo)
    : ChildWindow(RoomWindowDesign()), program_(program), roomNo_(currentRoomNo), board_(*this),
      notice_(*this), blink_(*this),
      pollTimer_(program.scheduler.CreateTimer(kFirstPollMs, false, [this] { PollQueueFile(); })),
      poll_(program,
            [this](QueuePollFindings& found, FileWork& work) { OnPollGathered(found, work); }),
      firstBlinkTick_(program.scheduler.CreateTimer(kBlinkTickMs, false,
                                                    [this] {
                                                        firstBlinkTick_->SetEnabled(false);
                                                        BlinkTick();
                                                    })),
      queueTrouble_([&program](std::string_view line) { program.Log(line); }) {
    program.blinkPhase.Follow(*this);
}

RoomWindow::~RoomWindow() {
    program_.blinkPhase.Unfollow(*this);
}

void RoomWindow::BlinkTick() {
    blink_.Tick(program_.blinkPhase.On(), calls_, notice_);
}

void RoomWindow::StartBlink() {
    blinking_ = true;
    firstBlinkTick_->SetEnabled(false);
    firstBlinkTick_->SetEnabled(true);
}

void RoomWindow::StopBlink() {
    blinking_ = false;
    firstBlinkTick_->SetEnabled(false);
}

// A blink tick changes something only when the phase differs from what the call area shows,
// and after each tick it agrees: until the next step of the phase every tick would change
// nothing. So the ticks between the steps are left out, and each step is followed at once.
void RoomWindow::FollowBlinkPhase() {
    if (blinking_) {
        BlinkTick();
    }
}

void RoomWindow::RoomWindowLoad(SettingsSnapshot& settings) {
    SetTag(roomNo_);

    // A shop-wide colour overrides the rooms' own ones only when it names a swatch; a value
    // that rounds to 0 names none either.
    const double shopColour = LenientNumber(settings.Read("ZARAVA1 INFOMATION", "SHOP COLOR"));
    int colourIndex = roomNo_;
    if (shopColour > 0 && shopColour <= 6 && RoundHalfEven(shopColour) >= 1) {
        colourIndex = static_cast<int>(RoundHalfEven(shopColour));
    }

    SetCaption(Find("xDazuzeLabel"),
               settings.Read("DAZUZE INFOMATION", "DAZUZE" + NumberText(roomNo_)));
    ApplyColours(colourIndex);

    SetCaption(Find("BarLabel"), "");

    for (int i = 0; i < 3 * kWaitingSlots; ++i) {
        SetPicture(Find("ImgW", i), {});
    }
    for (int i : {0, 1, 2, 4, 5}) {
        SetPicture(Find("ImgCall", i), {});
    }
    SetVisible(Find("ImgCall", 3), false);
    SetVisible(Find("TlxCall"), false);
    StopBlink();
    SetPicture(Find("ImgMachi", 0), {});
    SetPicture(Find("ImgMachi", 1), {});

    SetRunningMark(program_, settings, true);

    const double info = LenientNumber(settings.Read("DISPLAY INFOMATION", "MESSAGE INFO"));
    // A number too large for the layout bits counts as unconfigured, like 0 does.
    const std::int32_t layout =
        info <= 0 ? kDefaultMessageInfo : ToInt32(info).value_or(kDefaultMessageInfo);

    if (layout & kShowWaitingTime) {
        SetVisible(Find("TlxLabel", 2), true);
        for (int i = 0; i <= 4; ++i) {
            SetVisible(Find("ImgTime", i), true);
        }
    } else {
        SpreadWaitingBoard();
    }
    if (layout & kShowWaitingCount) {
        SetVisible(Find("TlxLabel", 1), true);
        for (int i = 0; i <= 3; ++i) {
            SetVisible(Find("ImgMachi", i), true);
        }
    }

    program_.host.MoveCursor(50, 50);

    lastQueueFileStamp_ = 0;
    pollTimer_->SetEnabled(true);
}

// However the window closes, its timers stop with it.
void RoomWindow::RoomWindowUnload(SettingsSnapshot& settings) {
    pollTimer_->SetEnabled(false);
    poll_.Cancel();
    StopBlink();
    SetRunningMark(program_, settings, false);
}

void RoomWindow::OnKeyPress(char32_t key) {
    const BarcodeCollector::Result result = barcode_.Key(key);
    if (!result.consumed) {
        return;
    }
    if (result.started) {
        lastBarcode_.clear();
    }
    SetCaption(Find("BarLabel"), barcode_.Collected());
    if (result.complete) {
        HandOffBarcode(*result.complete);
    }
}

// The issuer picks the codes up from the hand-off file. Each line goes in one write, so the
// issuer never reads half a code; a code that cannot be written is lost, and the log says so.
// BAR CODE is read when the code is complete, by the file work that writes it.
void RoomWindow::HandOffBarcode(const std::string& code) {
    if (!IsHandOffCode(code) || code == lastBarcode_) {
        return;
    }
    lastBarcode_ = code;
    Program& program = program_;
    FileWork work(program);
    work.ReadThen<bool>(
        [](SettingsSnapshot& settings) {
            return LenientNumber(settings.Read("ZARAVA1 INFOMATION", "BAR CODE")) == 1;
        },
        [&program, code](bool& wanted, const FileWork::Settings&) {
            if (wanted && AppendToFile(program.ProgramFile("hkcode.tmp"), code + "\r\n") !=
                              WriteFileResult::Ok) {
                program.Log("barcode " + code + " not handed on: hkcode.tmp cannot be written");
            }
        });
    work.Submit();
}

void RoomWindow::CloseRoomWindow() {
    pollTimer_->SetEnabled(false);
    StopBlink();
    SettingsSnapshot settings = program_.SettingsInPlace();
    Close(settings);
}

void RoomWindow::PollQueueFile() {
    pollTimer_->SetEnabled(false);
    pollTimer_->SetInterval(kPollMs);
    const PollRequest request{program_.programFolder, roomNo_, lastQueueFileStamp_,
                              notice_.ShownMsgType()};
    poll_.Start([request](SettingsSnapshot& settings) { return GatherPoll(settings, request); });
}

// The poll looks only at the file's time stamp; the file is read when the stamp's time of day
// differs from the one drawn last. A missing file changes nothing on screen.
void RoomWindow::OnPollGathered(QueuePollFindings& found, FileWork& work) {
    if (found.queueTrouble) {
        queueTrouble_.Report("room " + std::to_string(roomNo_) + " queue file",
                             *found.queueTrouble);
    }
    if (found.newStamp) {
        lastQueueFileStamp_ = *found.newStamp;
        RefreshCallBoard(found, work);
    }
    notice_.Apply(found.msgType, [&found](std::string_view key) {
        return key == found.noticeKey ? found.notice : std::string();
    });
    pollTimer_->SetEnabled(true);
}

// The board changes at once, complete, from what the poll read; the announcement comes last,
// as file work, once the board shows the call.
void RoomWindow::RefreshCallBoard(const QueuePollFindings& found, FileWork& work) {
    std::string counter = found.counter;
    if (TrimSpaces(counter).empty()) {
        counter = kDefaultCounter;
        work.WriteSetting("DISPLAY INFOMATION", "COUNTER", counter);
    }
    ShowCallBoard(found.board, counter);
    AnnounceCall(program_, roomNo_, work);
}

// Every position is cleared and drawn again; only what differs from the screen reaches it.
void RoomWindow::ShowCallBoard(const CallBoard& board, const std::string& counter) {
    for (ControlId c : board_.waiting) {
        SetPicture(c, {});
    }
    calls_.Record(board.called);
    StopBlink();
    for (std::size_t i : {0, 1, 2, 4, 5}) {
        SetPicture(board_.call[i], {});
    }
    SetVisible(board_.call[3], false);
    SetVisible(board_.counterCaption, false);
    SetCaption(board_.counterCaption, counter + kCounterCaptionTail);
    for (std::size_t i = 0; i < 3; ++i) {
        SetPicture(board_.count[i], {});
        SetPicture(board_.time[i], {});
    }

    for (std::size_t k = 0; k < board.waiting.size(); ++k) {
        const WaitingNumber& number = board.waiting[k];
        const auto& palette = number.secondClass ? board_.secondClass : board_.firstClass;
        for (std::size_t d = 0; d < 3; ++d) {
            SetPicture(board_.waiting[3 * k + d],
                       State(palette[static_cast<std::size_t>(number.digits[d])]).picture);
        }
    }
    if (!board.called.empty()) {
        StartBlink();
    } else {
        notice_.StayUpWithoutCalls();
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (board.countDigits[i] != kNoDigit) {
            SetPicture(
                board_.count[i],
                State(board_.countPalette[static_cast<std::size_t>(board.countDigits[i])]).picture);
        }
        if (board.timeDigits[i] != kNoDigit) {
            SetPicture(
                board_.time[i],
                State(board_.timePalette[static_cast<std::size_t>(board.timeDigits[i])]).picture);
        }
    }
}

void RoomWindow::ApplyColours(int colourIndex) {
    if (Design().Find("BkColor", colourIndex) < 0) {
        return; // no such swatch (a room number out of range): the design colours stay
    }
    const ControlState& swatch = State("BkColor", colourIndex);
    SetColours(Find("xDazuzeLabel"), swatch.back, swatch.fore);
    const ControlId message = Find("MsgxLabel");
    SetColours(message, swatch.back, State(message).fore);
}

// Without the waiting-time line the board takes its space: the rows move down in two passes,
// the lower ones further, so the gaps between rows grow evenly.
void RoomWindow::SpreadWaitingBoard() {
    auto moveSlot = [this](int slot, int by) {
        for (int i = 3 * slot; i < 3 * slot + 3; ++i) {
            const ControlId image = Find("ImgW", i);
            SetTop(image, State(image).top + by);
        }
    };
    for (int k = 2; k < kWaitingSlots; ++k) {
        moveSlot(k, 50 + 100 * (k - 2));
    }
    for (int k = 1; k < kWaitingSlots; ++k) {
        moveSlot(k, 50 + 100 * (k - 1));
    }
}

} // namespace zarava
