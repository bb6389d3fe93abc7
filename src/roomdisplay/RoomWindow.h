#pragma once

#include "roomdisplay/BarcodeCollector.h"
#include "roomdisplay/RoomDesign.h"
#include "window/ChildWindow.h"
#include "window/Program.h"

#include <array>
#include <cstdint>
#include <string>

namespace zarava {

// The window of one consultation room: its title and colours, the waiting board, the
// waiting-time and waiting-count lines and the call area. It composes the room's behaviours
// and forwards its timer ticks and key presses to them; the load sets it up from the settings.
class RoomWindow final : public ChildWindow {
public:
    explicit RoomWindow(Program& program);
    ~RoomWindow() override;

    // Stops the window's timers and closes it, which runs its unload.
    void CloseRoomWindow();

    std::int16_t RoomNo() const { return roomNo_; }

    // A key typed while this is the active room window (a barcode reader types like a
    // keyboard).
    void OnKeyPress(char32_t key);

protected:
    void Load() override { RoomWindowLoad(); }
    void Unload() override { RoomWindowUnload(); }

private:
    void RoomWindowLoad();
    void RoomWindowUnload();
    void ApplyColours(int colourIndex);
    void SpreadWaitingBoard();
    void HandOffBarcode(const std::string& code);

    Program& program_;
    std::int16_t roomNo_ = 0;
    BarcodeCollector barcode_;
    std::string lastBarcode_; // the code last handed on; a start character forgets it
};

} // namespace zarava
