#include "platform/qt/DisplayApp.h"

#include <QApplication>
#include <QGuiApplication>

namespace zarava {

DisplayApp::DisplayApp(const std::string& programFolder, const std::string& commandLine,
                       Clock& clock)
    : commandLine_(commandLine), view_(QtHost::ScreensLeftToRight()), host_(view_, instance_),
      ctx_(engine_, clock, host_, programFolder) {
    // The engine decides when the display ends (after its unload), not the closing of a
    // message box that happens to be the only window.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    engine_.SetAfterEachHandler([this] {
        ctx_.PublishChanges();
        if (display_) {
            display_->PublishIfChanged();
        }
    });
    view_.onTickerNotification = [this](int code) {
        engine_.Post([this, code] { display_->OnTickerNotification(code); });
    };
    view_.onCloseRequest = [this] { RequestClose(); };
}

DisplayApp::~DisplayApp() {
    engine_.Stop();
}

void DisplayApp::Start() {
    engine_.Start();
    engine_.Post([this] {
        display_ = std::make_unique<Dazuze_Display>(ctx_, commandLine_);
        display_->Load();
    });
}

void DisplayApp::Stop() {
    host_.SetStopping();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
    }
    RequestClose();
}

void DisplayApp::RequestClose() {
    engine_.Post([this] {
        if (display_) {
            display_->OnCloseRequest();
        }
    });
}

} // namespace zarava
