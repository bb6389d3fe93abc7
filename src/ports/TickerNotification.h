#pragma once

namespace zarava {

// What the ticker band tells the main window. The values are the band control's own event
// codes, which the main window's handler is written against.
enum class TickerNotification {
    DoubleClicked = 10, // closes the display
    PassEnded = 11,     // the text has left the band; the next pass may start
};

} // namespace zarava
