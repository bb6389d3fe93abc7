#include "DisplayApp.h"

#include <QApplication>
#include <QGuiApplication>

namespace zarava {

DisplayApp::DisplayApp(const std::string& programFolder, const std::string& commandLine,
                       Clock& clock)
    : commandLine_(commandLine), view_(QtHost::ScreensLeftToRight()), host_(view_, instance_),
      engine_(clock),
      program_({engine_, engine_, files_, host_, sound_, programs_}, programFolder) {
    // The engine decides when the display ends (after its unload), not the closing of a
    // message box that happens to be the only window.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    engine_.SetAfterEachHandler([this] {
        program_.PublishChanges();
        if (frame_) {
            frame_->PublishIfChanged();
        }
    });
    view_.onTickerNotification = [this](TickerNotification what) {
        engine_.Post([this, what] { frame_->OnTickerNotification(what); });
    };
    view_.onKeyPress = [this](int windowId, char32_t key) {
        engine_.Post([this, windowId, key] { frame_->OnKeyPress(windowId, key); });
    };
    view_.onCloseRequest = [this] { RequestClose(); };
}

DisplayApp::~DisplayApp() {
    engine_.Stop();
    // A chime's listener writes to the program's log: the sound ends before the file work
    // that writes the log does.
    sound_.Shutdown();
}

void DisplayApp::Start() {
    engine_.Start();
    engine_.Post([this] {
        frame_ = std::make_unique<MainFrame>(program_, commandLine_);
        frame_->Load();
    });
}

void DisplayApp::Stop() {
    host_.SetStopping();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
    }
    RequestClose();
}

void DisplayApp::WhenScreenCurrent(std::function<void()> callback) {
    // A handler of its own: what the handlers before it changed was handed over after each of
    // them, so the GUI has applied it all when this hand-over arrives.
    engine_.Post([this, callback = std::move(callback)] { host_.RunOnGui(callback); });
}

void DisplayApp::RequestClose() {
    engine_.Post([this] {
        if (frame_) {
            frame_->Unload();
        }
    });
}

} // namespace zarava
