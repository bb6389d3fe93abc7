#pragma once

#include "roomdisplay/CallBoard.h"
#include "roomdisplay/NoticePanel.h"
#include "window/Window.h"

#include <array>

namespace zarava {

// The call area's animation, one tick at a time: the called number (`ImgCall`(0..2)), the
// banner (`ImgCall`(3)), the counter (`ImgCall`(4..5) and `TlxCall`) show while the shared
// blink phase is on and hide while it is off; each switch-on draws the next called ticket in
// turn; an active notice takes turns with the call display; the "番" glyph (`ImgCall`(9))
// blinks with the number only while a notice is active. The banner's visibility is the state:
// visible means the call display is on. `TlxCall`'s Enabled flag remembers whether the ticket
// drawn last has a counter. Reads no file and no setting.
class CallBlink {
public:
    explicit CallBlink(Window& window);

    void Tick(bool blinkOn, CallRecords& calls, NoticePanel& notice);

private:
    void DrawNextCall(CallRecords& calls);

    Window& w_;
    std::array<ControlId, 3> number_;
    ControlId banner_;
    std::array<ControlId, 2> counter_;
    ControlId caption_;
    ControlId glyph_;
    std::array<ControlId, 10> numberPalette_;
    std::array<ControlId, 10> counterPalette_;
};

} // namespace zarava
