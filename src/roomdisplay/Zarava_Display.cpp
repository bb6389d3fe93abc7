#include "roomdisplay/Zarava_Display.h"

#include "settings/Numbers.h"

namespace zarava {

const WindowDesign& RoomWindowDesign() {
    static const WindowDesign design{
        "Zarava_Display",
        11880,
        8715,
        {0xF0, 0xF0, 0xF0},
        {
            {.name = "xDazuzeLabel",
             .kind = ControlKind::TextLabel,
             .width = 11880,
             .height = 975,
             .font = {"ＭＳ Ｐゴシック", 36, true},
             .back = FromBgr(0xCE9AFF),
             .fore = {0xFF, 0xFF, 0xFF},
             .caption = "あいうえおかきこけこ"},
        },
    };
    return design;
}

Zarava_Display::Zarava_Display(Context& ctx) : ChildWindow(RoomWindowDesign()), ctx_(ctx) {}

void Zarava_Display::Load() {
    RoomNo = ctx_.CurrentRoomNo;
    Control("xDazuzeLabel").caption =
        ctx_.ReadSetting("DAZUZE INFOMATION", "DAZUZE" + NumberText(RoomNo));
    SetRunningMark(ctx_, true);
}

void Zarava_Display::Unload() {
    SetRunningMark(ctx_, false);
}

} // namespace zarava
