#pragma once

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

protected:
    void Load() override { RoomWindowLoad(); }
    void Unload() override { RoomWindowUnload(); }

private:
    void RoomWindowLoad();
    void RoomWindowUnload();
    void ApplyColours(int colourIndex);
    void SpreadWaitingBoard();

    Program& program_;
    std::int16_t roomNo_ = 0;
};

} // namespace zarava
