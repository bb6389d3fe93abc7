#pragma once

#include "roomdisplay/BarcodeCollector.h"
#include "roomdisplay/CallBlink.h"
#include "roomdisplay/CallBoard.h"
#include "roomdisplay/NoticePanel.h"
#include "roomdisplay/QueueFileReport.h"
#include "roomdisplay/RoomDesign.h"
#include "window/ChildWindow.h"
#include "window/GatheredHandler.h"
#include "window/Program.h"
#include "window/TroubleLog.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace zarava {

// What one poll found in the shared folder, gathered before its handler runs.
struct QueuePollFindings {
    double msgType = 0;
    std::string noticeKey; // the notice read for a changed MSG TYPE ("MSSG 4"), or none
    std::string notice;
    // When the queue file's stamp differs from the one drawn last: the new stamp, and what the
    // refresh draws (the board worked out from the file, COUNTER as read).
    std::optional<std::int32_t> newStamp;
    CallBoard board;
    std::string counter;
    // What this poll found wrong with the queue file, in words for the log (empty: nothing);
    // nothing when it did not look at the file (its stamp had not changed).
    std::optional<std::string> queueTrouble;
};

// The window of one consultation room: its title and colours, the waiting board, the
// waiting-time and waiting-count lines and the call area. It composes the room's behaviours
// and forwards its timer ticks and key presses to them; the load sets it up from the settings.
// Its poll follows the room's queue file and redraws the boards when the file changes; its
// blink shows the called tickets in turn.
class RoomWindow final : public ChildWindow, private BlinkPhase::Follower {
public:
    // The poll's first tick comes this long after the load, every later one this long after
    // the end of the one before, however long that took.
    static constexpr int kFirstPollMs = 100;
    static constexpr int kPollMs = 853;
    static constexpr int kBlinkTickMs = 100;
    // The issuer's file is a few kilobytes; anything past this is taken as cut off.
    static constexpr std::size_t kMostQueueFileBytes = 1024 * 1024;

    // `currentRoomNo`: the room the main window hands over as it creates the window.
    RoomWindow(Program& program, std::int16_t currentRoomNo);
    ~RoomWindow() override;

    // Stops the window's timers and closes it, which runs its unload.
    void CloseRoomWindow();

    const CallRecords& Calls() const { return calls_; }
    const NoticePanel& Notice() const { return notice_; }

    // A key typed while this is the active room window (a barcode reader types like a
    // keyboard).
    void OnKeyPress(char32_t key);

    // The poll timer's tick: gathers the queue file's stamp and the notice type, and, when the
    // stamp changed, what the refresh draws; the poll's handler follows once they are in.
    void PollQueueFile();
    // One tick of the blink: shows the call area as the shared blink phase has it.
    void BlinkTick();

protected:
    void Load(SettingsSnapshot& settings) override { RoomWindowLoad(settings); }
    void Unload(SettingsSnapshot& settings) override { RoomWindowUnload(settings); }

private:
    void RoomWindowLoad(SettingsSnapshot& settings);
    void RoomWindowUnload(SettingsSnapshot& settings);
    void ApplyColours(int colourIndex);
    void SpreadWaitingBoard();
    void HandOffBarcode(const std::string& code);

    void OnPollGathered(QueuePollFindings& found, FileWork& work);
    // Redraws the boards from what the poll read and ends with the call announcement.
    void RefreshCallBoard(const QueuePollFindings& found, FileWork& work);
    void ShowCallBoard(const CallBoard& board, const std::string& counter);

    // The design's blink timer: on while called tickets are shown. Its first tick comes one
    // interval after it is switched on; after that the call area only ever changes when the
    // shared phase steps, so the window follows the steps instead of ticking in between.
    void StartBlink();
    void StopBlink();
    void FollowBlinkPhase() override;

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
    const std::int16_t roomNo_;
    std::int32_t lastQueueFileStamp_ = 0;
    const BoardControls board_;
    CallRecords calls_;
    NoticePanel notice_;
    CallBlink blink_;
    std::unique_ptr<Timer> pollTimer_;
    GatheredHandler<QueuePollFindings> poll_;
    bool blinking_ = false;
    std::unique_ptr<Timer> firstBlinkTick_;
    TroubleLog queueTrouble_;
    BarcodeCollector barcode_;
    std::string lastBarcode_; // the code last handed on; a start character forgets it
};

} // namespace zarava
