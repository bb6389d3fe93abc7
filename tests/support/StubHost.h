#pragma once

#include "ports/Host.h"

#include <map>
#include <string>
#include <vector>

namespace zarava::test {

// Records what the handlers ask of the window system; answers with fixed monitors.
class StubHost final : public Host {
public:
    std::vector<Rect> monitors{{0, 0, 1920, 1080}};
    bool anotherCopy = false;

    struct Message {
        std::string text;
        std::string title;
        MessageIcon icon;
    };
    std::vector<Message> messages;
    std::vector<std::pair<int, int>> cursorMoves;
    std::vector<FrameSnapshot> frames;
    std::map<int, WindowSnapshot> windows; // whole state by window id, built from the changes
    std::vector<int> windowOrder;          // ids in the order first published
    std::vector<WindowChanges> handOvers;  // every hand-over, in order
    int endedWith = -1;                    // exit code, -1 while running

    std::vector<Rect> Monitors() override { return monitors; }
    bool AnotherCopyRunning() override { return anotherCopy; }
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        messages.push_back({text, title, icon});
    }
    void MoveCursor(int x, int y) override { cursorMoves.emplace_back(x, y); }
    void PublishFrame(const FrameSnapshot& frame) override { frames.push_back(frame); }
    void PublishWindow(const WindowChanges& changes) override {
        if (!windows.count(changes.windowId)) {
            windowOrder.push_back(changes.windowId);
        }
        windows[changes.windowId].Apply(changes);
        handOvers.push_back(changes);
    }
    void EndProcess(int exitCode) override { endedWith = exitCode; }
};

} // namespace zarava::test
