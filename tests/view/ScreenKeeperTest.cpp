// The screen saver as the X server reports it (`xset q`) before, while and after the display
// runs on a virtual X screen: a real display process on a real, if virtual, X server.

#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <regex>

namespace zarava {
namespace {

using namespace std::chrono_literals;
using test::ProgramRun;

TEST(ScreenKeeperTest, ScreenSaverIsOffWhileTheDisplayRunsAndAsBeforeAfterIt) {
    if (std::system("command -v Xvfb >/dev/null && command -v xset >/dev/null") != 0) {
        GTEST_SKIP() << "needs Xvfb and xset (x11-xserver-utils)";
    }
    test::TempFolder folder;
    ProgramRun server(folder, {"Xvfb", "-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen",
                               "0", "1024x768x24"});
    ASSERT_TRUE(test::WaitUntil([&] { return server.Out().find('\n') != std::string::npos; }, 15s));
    const std::string screen = ":" + server.Out().substr(0, server.Out().find('\n'));
    // The screen saver's timeout in seconds as `xset q` shows it; -1 when it cannot be read.
    const auto xset = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"xset", "-display", screen});
        ProgramRun run(folder, args);
        run.Wait();
        std::smatch m;
        const std::string out = run.Out();
        return std::regex_search(out, m, std::regex(R"(timeout:\s+(\d+))")) ? std::stoi(m[1]) : -1;
    };
    xset({"s", "300", "60"});
    ASSERT_EQ(xset({"q"}), 300);

    folder.Write("zarava.ini", "[USER INFOMATION]\r\nFORM=1\r\n");
    // A session bus that is not there: only the X server is asked, and no D-Bus client library
    // starts a bus of its own for the test. Qt and GLib are not built for ThreadSanitizer: on a
    // real X server their own threads (the accessibility bridge's D-Bus connection) look racy
    // to it. The display's own threads are checked by the offscreen tests.
    ProgramRun display(
        folder, {ZARAVA_DISPLAY_PROGRAM, "--folder", folder.Path(), "a1"},
        {.environment = test::Environment(
             {"DISPLAY=" + screen, "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + folder.Path(),
              "DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder / "no-bus",
              "TSAN_OPTIONS=report_bugs=0"})});
    EXPECT_TRUE(test::WaitUntil([&] { return xset({"q"}) == 0; }, 20s));
    display.Signal(SIGTERM);
    EXPECT_EQ(display.Wait(20s), 0) << display.Err();
    EXPECT_EQ(xset({"q"}), 300);
    server.Signal(SIGTERM);
    server.Wait();
}

} // namespace
} // namespace zarava
