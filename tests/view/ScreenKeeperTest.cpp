// The screen saver as the X server reports it (`xset q`) before, while and after the display
// runs on a virtual X screen: a real display process on a real, if virtual, X server.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

class VirtualScreen {
public:
    VirtualScreen() {
        server_.start("Xvfb", {"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0",
                               "1024x768x24"});
        if (server_.waitForReadyRead(15000)) {
            name_ = ":" + QString::fromLatin1(server_.readAllStandardOutput()).trimmed();
        }
    }
    ~VirtualScreen() {
        server_.terminate();
        server_.waitForFinished(5000);
    }
    const QString& Name() const { return name_; }

    QString Xset(const QStringList& args) const {
        QProcess xset;
        xset.start("xset", QStringList{"-display", name_} + args);
        xset.waitForFinished(10000);
        return QString::fromLatin1(xset.readAllStandardOutput());
    }
    // The screen saver's timeout in seconds as `xset q` shows it; -1 when it cannot be read.
    int ScreenSaverTimeout() const {
        const QRegularExpressionMatch m =
            QRegularExpression(R"(timeout:\s+(\d+))").match(Xset({"q"}));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

private:
    QProcess server_;
    QString name_;
};

TEST(ScreenKeeperTest, ScreenSaverIsOffWhileTheDisplayRunsAndAsBeforeAfterIt) {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
        QStandardPaths::findExecutable("xset").isEmpty()) {
        GTEST_SKIP() << "needs Xvfb and xset (x11-xserver-utils)";
    }
    VirtualScreen screen;
    ASSERT_FALSE(screen.Name().isEmpty());
    screen.Xset({"s", "300", "60"});
    ASSERT_EQ(screen.ScreenSaverTimeout(), 300);

    QTemporaryDir dir;
    QFile ini(dir.filePath("zarava.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[USER INFOMATION]\r\nFORM=1\r\n");
    ini.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", screen.Name());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("XDG_RUNTIME_DIR", dir.path());
    // A session bus that is not there: only the X server is asked, and no D-Bus client
    // library starts a bus of its own for the test.
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.filePath("no-bus"));
    // Qt and GLib are not built for ThreadSanitizer: on a real X server their own threads (the
    // accessibility bridge's D-Bus connection) look racy to it. The display's own threads are
    // checked by the offscreen tests; this one checks the X server's settings.
    env.insert("TSAN_OPTIONS", "report_bugs=0");
    QProcess display;
    display.setProcessEnvironment(env);
    display.start(ZARAVA_DISPLAY_PROGRAM, {"--folder", dir.path(), "a1"});
    ASSERT_TRUE(display.waitForStarted());

    int timeout = -1;
    for (int i = 0; i < 200 && (timeout = screen.ScreenSaverTimeout()) != 0; ++i) {
        QThread::msleep(100);
    }
    EXPECT_EQ(timeout, 0);

    display.terminate();
    ASSERT_TRUE(display.waitForFinished(20000));
    EXPECT_EQ(display.exitCode(), 0) << display.readAllStandardError().constData();
    EXPECT_EQ(screen.ScreenSaverTimeout(), 300);
}

} // namespace
