#pragma once

#include "mainwindow/ChildWindow.h"
#include "mainwindow/Context.h"
#include "platform/Scheduler.h"
#include "roomdisplay/Design.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace zarava {

// The window of one consultation room: its title and colours, the waiting board, the
// waiting-time and waiting-count lines and the call area. The load sets it up from the
// settings; its timers drive it afterwards.
class Zarava_Display final : public ChildWindow {
public:
    explicit Zarava_Display(Context& ctx);
    ~Zarava_Display() override;

    // Stops both timers and closes the window, which runs its unload.
    void CloseRoomWindow();

    // Fields shared by the room window's handlers.
    std::int16_t RoomNo = 0;
    std::int32_t LastQueueFileStamp = 0; // hhmmss of the queue file last drawn
    std::int16_t ShownMsgType = -1;      // -1: the first poll applies whatever is stored
    bool MsgActive = false;
    bool MsgShown = false;
    std::string LastBarcode;

    // Call records: CalledDigits[d][e] is digit d (0 hundreds, 1 tens, 2 units) of called
    // entry e; CalledCounterDigits[d][e] the counter's tens (0) and units (1), -1 for none.
    std::array<std::array<std::int16_t, 11>, 4> CalledDigits{};
    std::array<std::array<std::int16_t, 11>, 3> CalledCounterDigits{};
    std::int16_t CallCursor = 0;

    std::unique_ptr<Timer> Timer1; // polls the room's queue file
    std::unique_ptr<Timer> Timer2; // blinks the called numbers

protected:
    void Load() override { RoomWindowLoad(); }
    void Unload() override;

private:
    void RoomWindowLoad();
    void RoomWindowUnload();
    void ApplyColours(int colourIndex);
    void SpreadWaitingBoard();
    void OnTimer1();
    void OnTimer2();

    Context& ctx_;
};

} // namespace zarava
