#include "roomdisplay/Zarava_Display.h"

#include "text/Numbers.h"

namespace zarava {

namespace {

// Bits of the "MESSAGE INFO" layout setting.
constexpr std::int32_t kShowWaitingTime = 2;
constexpr std::int32_t kShowWaitingCount = 4;
constexpr std::int32_t kDefaultMessageInfo = 31;

} // namespace

Zarava_Display::Zarava_Display(Context& ctx) : ChildWindow(RoomWindowDesign()), ctx_(ctx) {
    Timer1 = ctx_.scheduler.CreateTimer(kRoomTimer1.intervalMs, kRoomTimer1.enabled,
                                        [this] { OnTimer1(); });
    Timer2 = ctx_.scheduler.CreateTimer(kRoomTimer2.intervalMs, kRoomTimer2.enabled,
                                        [this] { OnTimer2(); });
}

// The timers go before the fields their handlers use.
Zarava_Display::~Zarava_Display() {
    Timer1.reset();
    Timer2.reset();
}

void Zarava_Display::RoomWindowLoad() {
    RoomNo = ctx_.CurrentRoomNo;

    // A shop-wide colour overrides the rooms' own ones only when it names a swatch; a value
    // that rounds to 0 names none either.
    const double shopColour = LenientNumber(ctx_.ReadSetting("ZARAVA1 INFOMATION", "SHOP COLOR"));
    int colourIndex = RoomNo;
    if (shopColour > 0 && shopColour <= 6 && RoundHalfEven(shopColour) >= 1) {
        colourIndex = static_cast<int>(RoundHalfEven(shopColour));
    }

    Control("xDazuzeLabel").caption =
        ctx_.ReadSetting("DAZUZE INFOMATION", "DAZUZE" + NumberText(RoomNo));
    ApplyColours(colourIndex);

    ShownMsgType = -1;
    LastQueueFileStamp = 0;
    LastBarcode.clear();
    Control("BarLabel").caption.clear();

    for (int i = 0; i < 3 * kWaitingSlots; ++i) {
        Control("ImgW", i).picture = {};
    }
    Timer2->SetEnabled(false);
    for (int i : {0, 1, 2}) {
        Control("ImgCall", i).picture = {};
    }
    Control("ImgCall", 3).visible = false;
    Control("ImgCall", 4).picture = {};
    Control("ImgCall", 5).picture = {};
    Control("TlxCall").visible = false;
    Control("ImgMachi", 0).picture = {};
    Control("ImgMachi", 1).picture = {};

    SetRunningMark(ctx_, true);

    const double info = LenientNumber(ctx_.ReadSetting("DISPLAY INFOMATION", "MESSAGE INFO"));
    // A number too large for the layout bits counts as unconfigured, like 0 does.
    const std::int32_t layout =
        info <= 0 ? kDefaultMessageInfo : ToInt32(info).value_or(kDefaultMessageInfo);

    if (layout & kShowWaitingTime) {
        Control("TlxLabel", 2).visible = true;
        for (int i = 0; i <= 4; ++i) {
            Control("ImgTime", i).visible = true;
        }
    } else {
        SpreadWaitingBoard();
    }
    if (layout & kShowWaitingCount) {
        Control("TlxLabel", 1).visible = true;
        for (int i = 0; i <= 3; ++i) {
            Control("ImgMachi", i).visible = true;
        }
    }

    ctx_.host.MoveCursor(50, 50);
}

void Zarava_Display::RoomWindowUnload() {
    SetRunningMark(ctx_, false);
}

void Zarava_Display::Unload() {
    RoomWindowUnload();
    // The window's timers go with it, however it was closed: nothing ticks for a closed window.
    Timer1->SetEnabled(false);
    Timer2->SetEnabled(false);
}

void Zarava_Display::CloseRoomWindow() {
    Timer1->SetEnabled(false);
    Timer2->SetEnabled(false);
    Close();
}

void Zarava_Display::ApplyColours(int colourIndex) {
    if (Design().Find("BkColor", colourIndex) < 0) {
        return; // no such swatch (a room number out of range): the design colours stay
    }
    const ControlState& swatch = Control("BkColor", colourIndex);
    ControlState& title = Control("xDazuzeLabel");
    title.back = swatch.back;
    title.fore = swatch.fore;
    Control("MsgxLabel").back = swatch.back;
}

// Without the waiting-time line the board takes its space: the rows move down in two passes,
// the lower ones further, so the gaps between rows grow evenly.
void Zarava_Display::SpreadWaitingBoard() {
    auto moveSlot = [this](int slot, int by) {
        for (int i = 3 * slot; i < 3 * slot + 3; ++i) {
            Control("ImgW", i).top += by;
        }
    };
    for (int k = 2; k < kWaitingSlots; ++k) {
        moveSlot(k, 50 + 100 * (k - 2));
    }
    for (int k = 1; k < kWaitingSlots; ++k) {
        moveSlot(k, 50 + 100 * (k - 1));
    }
}

void Zarava_Display::OnTimer1() {}

void Zarava_Display::OnTimer2() {}

} // namespace zarava
