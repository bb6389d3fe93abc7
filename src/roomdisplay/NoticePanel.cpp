#include "roomdisplay/NoticePanel.h"

#include "text/Numbers.h"
#include "text/Text.h"

#include <algorithm>
#include <limits>

namespace zarava {

NoticePanel::NoticePanel(Window& window)
    : window_(window), frame_(window.Find("MsgFrame")), text_(window.Find("MsgxLabel")) {}

void NoticePanel::Apply(double msgType,
                        const std::function<std::string(std::string_view)>& readNotice) {
    if (msgType == shownMsgType_) {
        return;
    }
    // Out of range the nearest 16-bit number is kept: it is neither 1 nor 2, so the panel
    // stays off, and every later poll finds the type changed and keeps it off.
    shownMsgType_ =
        ToInt16(msgType).value_or(msgType < 0 ? std::numeric_limits<std::int16_t>::min()
                                              : std::numeric_limits<std::int16_t>::max());
    if (msgType == 1 || msgType == 2) {
        const std::string notice(TrimSpaces(readNotice(msgType == 1 ? "MSSG 4" : "MSSG 5")));
        window_.SetCaption(text_, notice);
        window_.SetVisible(frame_, true);
        msgActive_ = true;
        return;
    }
    window_.SetVisible(frame_, false);
    msgActive_ = false;
    msgShown_ = false;
}

void NoticePanel::TakeTurn() {
    msgShown_ = !msgShown_;
    window_.SetVisible(frame_, msgShown_);
}

void NoticePanel::ShowPanel() {
    window_.SetVisible(frame_, true);
}

void NoticePanel::StayUpWithoutCalls() {
    if (msgActive_) {
        msgShown_ = true;
        window_.SetVisible(frame_, true);
    }
}

} // namespace zarava
