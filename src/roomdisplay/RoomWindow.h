#pragma once

#include "roomdisplay/BarcodeCollector.h"
#include "roomdisplay/CallBlink.h"
#include "roomdisplay/CallBoard.h"
#include "roomdisplay/NoticePanel.h"
#include "roomdisplay/QueueFileReport.h"
#include "roomdisplay/RoomDesign.h"
#include "window/ChildWindow.h"
#include "window/Program.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace zarava {

// The window of one consultation room: its title and colours, the waiting board, the
// waiting-time and waiting-count lines and the call area. It composes the room's behaviours
// and forwards its timer ticks and key presses to them; the load sets it up from the settings.
// Its poll follows the room's queue file and redraws the boards when the file changes; its
// blink shows the called tickets in turn.
class RoomWindow final : public ChildWindow {
public:
    // The poll's first tick comes this long after the load, every later one this long after
    // the end of the one before, however long that took.
    static constexpr int kFirstPollMs = 100;
    static constexpr int kPollMs = 853;
    static constexpr int kBlinkTickMs = 100;
    // The issuer's file is a few kilobytes; anything past this is taken as cut off.
    static constexpr std::size_t kMostQueueFileBytes = 1024 * 1024;

    explicit RoomWindow(Program& program);
    ~RoomWindow() override;

    // Stops the window's timers and closes it, which runs its unload.
    void CloseRoomWindow();

    std::int16_t RoomNo() const { return roomNo_; }
    std::int32_t LastQueueFileStamp() const { return lastQueueFileStamp_; }
    const CallRecords& Calls() const { return calls_; }
    const NoticePanel& Notice() const { return notice_; }

    // A key typed while this is the active room window (a barcode reader types like a
    // keyboard).
    void OnKeyPress(char32_t key);

    // The poll timer's tick: looks at the queue file's stamp and the notice type.
    void PollQueueFile();
    // Redraws the boards from the queue file and ends with the call announcement. The poll
    // runs it when the file's stamp changes; it is open for checks and measurements.
    void RefreshCallBoard();
    // One tick of the blink timer (every 100 ms while calls are shown).
    void BlinkTick();

protected:
    void Load() override { RoomWindowLoad(); }
    void Unload() override { RoomWindowUnload(); }

private:
    void RoomWindowLoad();
    void RoomWindowUnload();
    void ApplyColours(int colourIndex);
    void SpreadWaitingBoard();
    void HandOffBarcode(const std::string& code);

    void ShowCallBoard(const CallBoard& board, const std::string& counter);
    // The room's queue file for a TODAY value; nothing when the value would lead out of the
    // temp folder.
    std::optional<std::string> QueueFilePath(const std::string& today) const;

    // The board's controls, looked up once.
    struct BoardControls {
        explicit BoardControls(const Window& w);
        std::array<ControlId, 36> waiting;
        std::array<ControlId, 6> call; // ImgCall(0..5)
        ControlId counterCaption;
        std::array<ControlId, 3> count;
        std::array<ControlId, 3> time;
        std::array<ControlId, 10> firstClass, secondClass, countPalette;
        std::array<ControlId, 11> timePalette;
    };

    Program& program_;
    std::int16_t roomNo_ = 0;
    std::int32_t lastQueueFileStamp_ = 0;
    const BoardControls board_;
    CallRecords calls_;
    NoticePanel notice_;
    CallBlink blink_;
    std::string queueBytes_; // kept from one refresh to the next, to keep its space
    QueueFileReport queueReport_{program_.log};
    // The poll reads settings and shares the strand of the window's other such handlers; the
    // blink never waits, so it has a strand of its own and keeps its rhythm meanwhile.
    std::unique_ptr<Timer> pollTimer_;
    std::unique_ptr<Timer> blinkTimer_;
    BarcodeCollector barcode_;
    std::string lastBarcode_; // the code last handed on; a start character forgets it
};

} // namespace zarava
