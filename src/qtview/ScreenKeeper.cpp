#include "qtview/ScreenKeeper.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QGuiApplication>

// Xlib's macros (None, Bool, Status) clash with Qt's names: its headers come last.
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace zarava {

namespace {

constexpr const char* kScreenSaverService = "org.freedesktop.ScreenSaver";
constexpr const char* kScreenSaverPath = "/org/freedesktop/ScreenSaver";

Display* XDisplay() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->display() : nullptr;
}

// A session bus that is really there. Without one, asking Qt for it would start a connection
// thread for nothing, or make the D-Bus library start a bus of its own.
bool SessionBusPresent() {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty()) {
        // A socket file can be looked for; other transports (abstract sockets) are trusted.
        const QString key = QStringLiteral("unix:path=");
        const qsizetype at = address.indexOf(key);
        if (at < 0) {
            return true;
        }
        const QString path = address.mid(at + key.size()).section(QLatin1Char(','), 0, 0);
        return QFileInfo::exists(path.section(QLatin1Char(';'), 0, 0));
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

struct ScreenKeeper::X11Settings {
    Display* display = nullptr;
    int timeout = 0;
    int interval = 0;
    int preferBlanking = 0;
    int allowExposures = 0;
    bool dpmsWasEnabled = false;
    bool suspended = false;
};

struct ScreenKeeper::Inhibition {
    QObject context;
    quint32 cookie = 0;
    bool held = false;
};

ScreenKeeper::ScreenKeeper() {
    if (Display* display = XDisplay()) {
        x11_ = std::make_unique<X11Settings>();
        X11Settings& s = *x11_;
        s.display = display;
        XGetScreenSaver(display, &s.timeout, &s.interval, &s.preferBlanking, &s.allowExposures);
        XSetScreenSaver(display, 0, s.interval, s.preferBlanking, s.allowExposures);
        // A screen saver already running (the display started in the morning on a dark
        // screen) is ended at once.
        XForceScreenSaver(display, ScreenSaverReset);
        int event = 0;
        int error = 0;
        if (DPMSQueryExtension(display, &event, &error) && DPMSCapable(display)) {
            CARD16 level = 0;
            BOOL enabled = False;
            DPMSInfo(display, &level, &enabled);
            s.dpmsWasEnabled = enabled != False;
            if (s.dpmsWasEnabled) {
                DPMSForceLevel(display, DPMSModeOn);
                DPMSDisable(display);
            }
        }
        if (XScreenSaverQueryExtension(display, &event, &error)) {
            XScreenSaverSuspend(display, True);
            s.suspended = true;
        }
        XFlush(display);
    }

    if (QGuiApplication::platformName() == QLatin1String("offscreen") || !SessionBusPresent()) {
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    inhibition_ = std::make_unique<Inhibition>();
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath,
                                                       kScreenSaverService, "Inhibit");
    call << QStringLiteral("zarava-display") << QStringLiteral("waiting-room call display");
    // Asynchronous: a slow or missing service must not hold up the start-up. No answer (no
    // such service) leaves nothing to undo.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), &inhibition_->context);
    Inhibition* inhibition = inhibition_.get();
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &inhibition->context,
                     [inhibition](QDBusPendingCallWatcher* done) {
                         const QDBusPendingReply<quint32> reply = *done;
                         if (reply.isValid()) {
                             inhibition->cookie = reply.value();
                             inhibition->held = true;
                         }
                         done->deleteLater();
                     });
}

ScreenKeeper::~ScreenKeeper() {
    if (inhibition_ && inhibition_->held) {
        QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath,
                                                           kScreenSaverService, "UnInhibit");
        call << inhibition_->cookie;
        // Sent without waiting for the answer; the service also drops it when we disconnect.
        QDBusConnection::sessionBus().send(call);
    }
    if (x11_) {
        const X11Settings& s = *x11_;
        XSetScreenSaver(s.display, s.timeout, s.interval, s.preferBlanking, s.allowExposures);
        if (s.dpmsWasEnabled) {
            DPMSEnable(s.display);
        }
        if (s.suspended) {
            XScreenSaverSuspend(s.display, False);
        }
        XFlush(s.display);
    }
}

} // namespace zarava
