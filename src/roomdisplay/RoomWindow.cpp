#include "roomdisplay/RoomWindow.h"

#include "platform/FileAppend.h"
#include "text/Numbers.h"
#include "window/RunningMark.h"

namespace zarava {

namespace {

// Bits of the "MESSAGE INFO" layout setting.
constexpr std::int32_t kShowWaitingTime = 2;
constexpr std::int32_t kShowWaitingCount = 4;
constexpr std::int32_t kDefaultMessageInfo = 31;

} // namespace

RoomWindow::RoomWindow(Program& program) : ChildWindow(RoomWindowDesign()), program_(program) {}

RoomWindow::~RoomWindow() = default;

void RoomWindow::RoomWindowLoad() {
    roomNo_ = program_.CurrentRoomNo;

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
}

void RoomWindow::RoomWindowUnload() {
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
    if (!AppendToFile(program_.ProgramFile("hkcode.tmp"), code + "\r\n")) {
        program_.log.Write("barcode " + code + " not handed on: hkcode.tmp cannot be written");
    }
}

void RoomWindow::CloseRoomWindow() {
    Close();
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
