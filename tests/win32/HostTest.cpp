#include "win32view/FrameWindow.h"
#include "win32view/PicturePainter.h"
#include "win32view/Win32Host.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zarava {
namespace {

TEST(SingleCopyTest, ASecondCopyOfTheSessionSeesTheFirst) {
    const SingleCopy first;
    EXPECT_FALSE(first.AnotherCopyRunning());
    {
        const SingleCopy second;
        EXPECT_TRUE(second.AnotherCopyRunning());
    }
    const SingleCopy afterTheSecond;
    EXPECT_TRUE(afterTheSecond.AnotherCopyRunning());
}

TEST(Win32HostTest, HandsWorkToTheGuiThreadInOrderAndEndsTheLoop) {
    const std::vector<Rect> monitors = DesktopMonitors();
    ASSERT_FALSE(monitors.empty());
    EXPECT_EQ(monitors[0].left, 0);
    const GdiPlusSession gdiPlus;
    FrameWindow frame(monitors);
    Win32Host host(frame, monitors);
    const DWORD gui = GetCurrentThreadId();
    std::vector<int> done;
    std::thread engine([&] {
        for (int i = 0; i < 100; ++i) {
            host.RunOnGui([&, i] { done.push_back(GetCurrentThreadId() == gui ? i : -1); });
        }
        host.EndProcess(3);
    });
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    engine.join();
    EXPECT_EQ(message.wParam, 3u);
    ASSERT_EQ(done.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(done[static_cast<std::size_t>(i)], i);
    }
}

} // namespace
} // namespace zarava
