#include "roomdisplay/CallBlink.h"

#include <algorithm>

namespace zarava {

CallBlink::CallBlink(Window& window)
    : w_(window), number_{window.Find("ImgCall", 0), window.Find("ImgCall", 1),
                          window.Find("ImgCall", 2)},
      banner_(window.Find("ImgCall", 3)), counter_{window.Find("ImgCall", 4),
                                                   window.Find("ImgCall", 5)},
      caption_(window.Find("TlxCall")), glyph_(window.Find("ImgCall", 9)) {
    for (int d = 0; d < 10; ++d) {
        numberPalette_[static_cast<std::size_t>(d)] = window.Find("ImgR", d);
        counterPalette_[static_cast<std::size_t>(d)] = window.Find("ImgBr", d);
    }
}

void CallBlink::Tick(bool blinkOn, CallRecords& calls, NoticePanel& notice) {
    const bool shown = w_.State(banner_).visible;
    bool want = shown;
    if (blinkOn && !shown) {
        want = true;
        if (notice.MsgActive()) {
            notice.TakeTurn();
        }
        if (!notice.MsgShown()) {
            DrawNextCall(calls);
        }
    } else if (!blinkOn) {
        want = false;
    }
    if (want == shown) {
        return;
    }
    for (ControlId c : number_) {
        w_.SetVisible(c, want);
    }
    w_.SetVisible(banner_, want);
    if (w_.State(caption_).enabled) {
        w_.SetVisible(counter_[0], want);
        w_.SetVisible(counter_[1], want);
        w_.SetVisible(caption_, want);
    }
    if (notice.MsgActive()) {
        w_.SetVisible(glyph_, want);
        if (!want) {
            notice.ShowPanel();
        }
    } else {
        w_.SetVisible(glyph_, true);
    }
}

// Shows the next entry with a ticket from the cursor on, or the first entry when none is left.
void CallBlink::DrawNextCall(CallRecords& calls) {
    const auto from = static_cast<std::size_t>(std::max<int>(calls.CallCursor, 0));
    calls.CallCursor = 0;
    for (std::size_t e = from; e < kCalledEntries; ++e) {
        if (calls.CalledDigits[0][e] + calls.CalledDigits[1][e] + calls.CalledDigits[2][e] > 0) {
            calls.CallCursor = static_cast<std::int16_t>(e);
            break;
        }
    }
    const auto entry = static_cast<std::size_t>(calls.CallCursor);
    const auto picture = [this](const std::array<ControlId, 10>& palette, int digit) {
        return w_.State(palette[static_cast<std::size_t>(std::clamp(digit, 0, 9))]).picture;
    };
    for (std::size_t d = 0; d < 3; ++d) {
        w_.SetPicture(number_[d], picture(numberPalette_, calls.CalledDigits[d][entry]));
    }
    w_.SetEnabled(caption_, true);
    const int tens = calls.CalledCounterDigits[0][entry];
    const int units = calls.CalledCounterDigits[1][entry];
    if (tens < 0) {
        w_.SetPicture(counter_[0], {});
        w_.SetPicture(counter_[1], {});
        w_.SetVisible(caption_, false);
        w_.SetEnabled(caption_, false);
    } else {
        w_.SetPicture(counter_[0], tens > 0 ? picture(counterPalette_, tens) : Picture{});
        w_.SetPicture(counter_[1], picture(counterPalette_, units));
    }
    const auto next = static_cast<std::size_t>(calls.CallCursor) + 1;
    calls.CallCursor = static_cast<std::int16_t>(next >= kCalledEntries ? 0 : next);
}

} // namespace zarava
