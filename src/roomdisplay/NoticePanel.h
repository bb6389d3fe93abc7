#pragma once

#include "window/Window.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zarava {

// The notice panel over a room window's call area (`MsgFrame` with the text `MsgxLabel`): the
// issuer's `MSG TYPE` 1 shows the notice `MSSG 4`, 2 shows `MSSG 5`, any other number none.
// It changes only when the number changes, so an edited notice shows once the type changes.
// While a notice is active the call area's blink takes turns with it.
class NoticePanel {
public:
    explicit NoticePanel(Window& window);

    // One poll's `MSG TYPE` number. When it differs from the type applied last the panel
    // follows it; `readNotice` reads the setting of that name ("MSSG 4" or "MSSG 5"), at most
    // once and before anything on screen changes. A number beyond the 16-bit range shows no
    // notice, like any number but 1 and 2.
    void Apply(double msgType, const std::function<std::string(std::string_view)>& readNotice);

    // The type applied last (-1 before the first poll), which a poll's reading needs to know
    // whether it must read a notice.
    std::int16_t ShownMsgType() const { return shownMsgType_; }
    bool MsgActive() const { return msgActive_; }
    bool MsgShown() const { return msgShown_; }

    // The blink's switch-on while a notice is active: the panel and the called numbers take
    // turns, so the panel goes if it was shown and comes if it was not.
    void TakeTurn();
    // The blink's switch-off while a notice is active: the panel comes back.
    void ShowPanel();
    // A refresh found no ticket being called, so the blink stops where it was. An active notice
    // then stays up on its own rather than leave the call area blank, and counts as having had
    // its turn: the next call shows at the blink's next switch-on.
    void StayUpWithoutCalls();

private:
    Window& window_;
    const ControlId frame_;
    const ControlId text_;
    std::int16_t shownMsgType_ = -1; // -1: the first poll applies whatever is stored
    bool msgActive_ = false;
    bool msgShown_ = false;
};

} // namespace zarava
