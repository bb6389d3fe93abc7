#include "DisplayWiring.h"

namespace zarava {

DisplayWiring::DisplayWiring(const std::string& programFolder, const std::string& commandLine,
                             Clock& clock)
    : commandLine_(commandLine), engine_(clock),
      program_({engine_, engine_, files_, screen_.host(), sound_, programs_}, programFolder) {
    engine_.SetAfterEachHandler([this] {
        program_.PublishChanges();
        if (frame_) {
            frame_->PublishIfChanged();
        }
    });
    screen_.OnTickerNotification([this](TickerNotification what) {
        engine_.Post([this, what] { frame_->OnTickerNotification(what); });
    });
    screen_.OnKeyPress([this](int windowId, char32_t key) {
        engine_.Post([this, windowId, key] { frame_->OnKeyPress(windowId, key); });
    });
    screen_.OnCloseRequest([this] { RequestClose(); });
}

DisplayWiring::~DisplayWiring() {
    engine_.Stop();
    // A chime's listener writes to the program's log: the sound ends before the file work
    // that writes the log does.
    sound_.Shutdown();
}

void DisplayWiring::Start() {
    engine_.Start();
    engine_.Post([this] {
        frame_ = std::make_unique<MainFrame>(program_, commandLine_);
        frame_->Load();
    });
}

void DisplayWiring::Stop() {
    screen_.SetStopping();
    RequestClose();
}

void DisplayWiring::WhenScreenCurrent(std::function<void()> callback) {
    // A handler of its own: what the handlers before it changed was handed over after each of
    // them, so the GUI has applied it all when this hand-over arrives.
    engine_.Post([this, callback = std::move(callback)] { screen_.RunOnGui(callback); });
}

void DisplayWiring::RequestClose() {
    engine_.Post([this] {
        if (frame_) {
            frame_->Unload();
        }
    });
}

} // namespace zarava
