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

} // namespace

RoomWindow::BoardControls::BoardControls(const Window& w)
    : waiting(Controls<36>(w, "ImgW")), call(Controls<6>(w, "ImgCall")),
      counterCaption(w.Find("TlxCall")), count(Controls<3>(w, "ImgMachi")),
      time(Controls<3>(w, "ImgTime")), firstClass(Controls<10>(w, "ImgO")),
      secondClass(Controls<10>(w, "ImgOr")), countPalette(Controls<10>(w, "ImgB")),
      timePalette(Controls<11>(w, "ImgG")) {}

RoomWindow::RoomWindow(Program& program)
    : ChildWindow(RoomWindowDesign()), program_(program), board_(*this), notice_(*this),
      blink_(*this) {
    const Strand strand = program.scheduler.NewStrand();
    pollTimer_ =
        program.scheduler.CreateTimer(strand, kFirstPollMs, false, [this] { PollQueueFile(); });
    blinkTimer_ = program.scheduler.CreateTimer(program.scheduler.NewStrand(), kBlinkTickMs, false,
                                                [this] { BlinkTick(); });
}

void RoomWindow::BlinkTick() {
    blink_.Tick(program_.blinkPhase.On(), calls_, notice_);
}

RoomWindow::~RoomWindow() = default;

void RoomWindow::RoomWindowLoad() {
    roomNo_ = program_.CurrentRoomNo;
    SetTag(roomNo_);

    // A shop-wide colour overrides the rooms' own ones only when it names a swatch; a value
    // that rounds to 0 names none either.
    const double shopColour =
        LenientNumber(program_.ReadSetting("ZARAVA1 INFOMATION", "SHOP COLOR"));
    int colourIndex = roomNo_;
    if (shopColour > 0 && shopColour <= 6 && RoundHalfEven(shopColour) >= 1) {
        colourIndex = static_cast<int>(RoundHalfEven(shopColour));
    }

    SetCaption(Find("xDazuzeLabel"),
               program_.ReadSetting("DAZUZE INFOMATION", "DAZUZE" + NumberText(roomNo_)));
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
    blinkTimer_->SetEnabled(false);
    SetPicture(Find("ImgMachi", 0), {});
    SetPicture(Find("ImgMachi", 1), {});

    SetRunningMark(program_, true);

    const double info = LenientNumber(program_.ReadSetting("DISPLAY INFOMATION", "MESSAGE INFO"));
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
void RoomWindow::RoomWindowUnload() {
    pollTimer_->SetEnabled(false);
    blinkTimer_->SetEnabled(false);
    SetRunningMark(program_, false);
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
void RoomWindow::HandOffBarcode(const std::string& code) {
    if (LenientNumber(program_.ReadSetting("ZARAVA1 INFOMATION", "BAR CODE")) != 1) {
        return;
    }
    if (!IsHandOffCode(code) || code == lastBarcode_) {
        return;
    }
    lastBarcode_ = code;
    if (AppendToFile(program_.ProgramFile("hkcode.tmp"), code + "\r\n") != WriteFileResult::Ok) {
        program_.log.Write("barcode " + code + " not handed on: hkcode.tmp cannot be written");
    }
}

void RoomWindow::CloseRoomWindow() {
    pollTimer_->SetEnabled(false);
    blinkTimer_->SetEnabled(false);
    Close();
}

std::optional<std::string> RoomWindow::QueueFilePath(const std::string& today) const {
    if (today.find_first_of("/\\") != std::string::npos || today.find("..") != std::string::npos) {
        return std::nullopt;
    }
    return program_.ProgramFile("temp/" + today + "_" + NumberText(roomNo_) + ".tmp");
}

// The poll looks only at the file's time stamp; the file is read when the stamp's time of day
// differs from the one drawn last. A missing file changes nothing on screen.
void RoomWindow::PollQueueFile() {
    pollTimer_->SetEnabled(false);
    pollTimer_->SetInterval(kPollMs);

    const std::optional<std::string> path =
        QueueFilePath(program_.ReadSetting("USER INFOMATION", "TODAY"));
    if (path && GetFileAttributes(*path)) {
        double created = 0, lastWrite = 0, lastAccess = 0; // a file gone meanwhile: key 0
        GetFileTimes(*path, created, lastWrite, lastAccess);
        const std::int32_t key = QueueFileStampKey(lastWrite);
        if (key != lastQueueFileStamp_) {
            lastQueueFileStamp_ = key;
            RefreshCallBoard();
        }
    } else if (path) {
        queueReport_.NotFound(roomNo_, *path);
    }

    notice_.Apply(
        LenientNumber(program_.ReadSetting("DISPLAY INFOMATION", "MSG TYPE")),
        [this](std::string_view key) { return program_.ReadSetting("DISPLAY INFOMATION", key); });
    pollTimer_->SetEnabled(true);
}

// Everything the refresh needs is read before anything on screen changes: a settings read may
// wait for its retry, the screen is handed over meanwhile and the blink runs on, so the board
// changes at once, complete. The announcement comes last, once the board shows the call.
void RoomWindow::RefreshCallBoard() {
    std::string counter = program_.ReadSetting("DISPLAY INFOMATION", "COUNTER");
    if (TrimSpaces(counter).empty()) {
        counter = kDefaultCounter;
        program_.WriteSetting("DISPLAY INFOMATION", "COUNTER", counter);
    }
    const std::optional<std::string> path =
        QueueFilePath(program_.ReadSetting("USER INFOMATION", "TODAY"));
    // A file that cannot be read (gone, a folder, refused) is an empty queue; one longer than
    // any queue counts as cut off at the ceiling.
    const ReadFileResult read =
        path ? ReadFileStart(*path, queueBytes_, kMostQueueFileBytes) : ReadFileResult::Missing;
    if (read != ReadFileResult::Ok && read != ReadFileResult::TooLarge) {
        queueBytes_.clear();
    }
    queueReport_.Read(roomNo_, path, read, queueBytes_);
    const double timeCalc =
        LenientNumber(program_.ReadSetting("DAZUZE INFOMATION", NumberText(roomNo_) + "TIME CALC"));

    ShowCallBoard(WorkOutCallBoard(ParseQueueFile(queueBytes_), timeCalc), counter);
    AnnounceCall(program_, roomNo_);
}

// Every position is cleared and drawn again; only what differs from the screen reaches it.
void RoomWindow::ShowCallBoard(const CallBoard& board, const std::string& counter) {
    for (ControlId c : board_.waiting) {
        SetPicture(c, {});
    }
    calls_.Record(board.called);
    blinkTimer_->SetEnabled(false);
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
        blinkTimer_->SetEnabled(true);
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
