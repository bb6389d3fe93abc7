// The Win32 view under Wine: what each port method puts on the screen.

#include "ports/DisplayLayout.h"
#include "win32view/FrameWindow.h"
#include "win32view/PicturePainter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zarava {
namespace {

constexpr Rect kMonitor{0, 0, 1280, 720};
constexpr Rgb kOrange{0xFF, 0x80, 0x00};
constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr Rgb kPink{0xFF, 0x3F, 0x9F}; // the ink of the ImgR palette

// A window of 9000 x 4500 twips: a heading and a picture.
const WindowDesign kDesign{"RoomWindow",
                           9000,
                           4500,
                           kWindowBackground,
                           {{.name = "Heading",
                             .kind = ControlKind::TextLabel,
                             .width = 9000,
                             .height = 900,
                             .font = {"ＭＳ Ｐゴシック", 22, true}},
                            {.name = "Digit",
                             .kind = ControlKind::Image,
                             .left = 3000,
                             .top = 1500,
                             .width = 3000,
                             .height = 3000}}};

// The band's clock, moved by the test.
class ManualTicks final : public FrameTicks {
public:
    std::int64_t NowUs() const override { return now; }
    void Run(double) override {}
    void Stop() override {}
    void FrameDrawn() override {}
    std::int64_t now = 0;
};

// A picture of the frame's pixels, top row first.
class Capture {
public:
    explicit Capture(const FrameWindow& frame) {
        HBITMAP bitmap = frame.Render();
        BITMAP info{};
        GetObjectW(bitmap, sizeof info, &info);
        width_ = info.bmWidth;
        BITMAPINFO header{};
        header.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB};
        pixels_.resize(static_cast<std::size_t>(info.bmWidth) * info.bmHeight);
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels_.data(), &header,
                  DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        DeleteObject(bitmap);
    }
    Rgb At(int x, int y) const {
        const DWORD p = pixels_[static_cast<std::size_t>(y) * width_ + x];
        return {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                static_cast<unsigned char>(p)};
    }
    // How many pixels of the rectangle have exactly this colour.
    int Count(const Rect& r, Rgb colour) const {
        int count = 0;
        for (int y = r.top; y < r.Bottom(); ++y) {
            for (int x = r.left; x < r.Right(); ++x) {
                count += At(x, y) == colour ? 1 : 0;
            }
        }
        return count;
    }

private:
    int width_ = 0;
    std::vector<DWORD> pixels_;
};

// A 1 x 1 picture file (BMP) in orange.
const std::string kOrangeBitmap("BM:\0\0\0\0\0\0\0"
                                "6\0\0\0(\0\0\0\1\0\0\0\1\0\0\0\1\0\x18\0\0\0\0\0\4\0\0\0\x13\v\0\0"
                                "\x13\v\0\0\0\0\0\0\0\0\0\0\0\x80\xff\0",
                                58);

class ViewTest : public ::testing::Test {
protected:
    ViewTest() : frame_({kMonitor}, &ticks_) {
        frame_.onTickerNotification = [this](TickerNotification n) { notes_.push_back(n); };
        frame_.onKeyPress = [this](int window, char32_t c) { keys_.push_back({window, c}); };
    }

    void Show(std::vector<int> children) {
        frame_.ApplyFrame({.shown = true,
                           .titleBar = false,
                           .topMost = true,
                           .children = std::move(children),
                           .arrangement = Arrangement::TileVertical});
    }

    void Publish(int id, std::map<int, ControlState> states) {
        WindowChanges changes{id, &kDesign};
        for (int i = 0; i < static_cast<int>(kDesign.controls.size()); ++i) {
            states[i].top = kDesign.controls[static_cast<std::size_t>(i)].top;
            changes.controls.push_back({i, states[i]});
        }
        frame_.ApplyWindow(changes);
    }

    Rect Where(int child, int control) const {
        const ReportedWindow w = frame_.ShownWindows().at(static_cast<std::size_t>(child));
        const Rect client = ChildClient(w.cell);
        const Rect r = ControlRect(*w.snapshot, static_cast<std::size_t>(control), client.width,
                                   client.height);
        return {client.left + r.left + 2, client.top + r.top + 2, r.width - 4, r.height - 4};
    }

    GdiPlusSession gdiPlus_;
    ManualTicks ticks_;
    FrameWindow frame_;
    std::vector<TickerNotification> notes_;
    std::vector<std::pair<int, char32_t>> keys_;
};

Rect WindowRect(HWND window, HWND relativeTo) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, relativeTo, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

TEST_F(ViewTest, FrameCoversItsMonitorWithTheBandAndTiledChildrenThatTakeTheKeys) {
    Publish(1, {});
    Publish(2, {});
    Show({2, 1});
    EXPECT_EQ(WindowRect(frame_.Handle(), HWND_DESKTOP), kMonitor);
    EXPECT_NE(GetWindowLongPtrW(frame_.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(WindowRect(frame_.Band().Handle(), frame_.Handle()),
              (Rect{0, 0, kMonitor.width, BandHeight(kMonitor.height)}));
    const std::vector<Rect> cells = ChildCells(kMonitor.width, kMonitor.height, 2);
    const std::vector<ReportedWindow> shown = frame_.ShownWindows();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].cell, cells[0]); // the most recently shown window lands top left
    EXPECT_EQ(shown[1].cell, cells[1]);
    EXPECT_EQ(shown[0].snapshot->windowId, 2);
    // The child windows inside their cells' borders. Typed characters go to the window last
    // clicked, here the top left one.
    SendMessageW(frame_.Handle(), WM_CHAR, L'A', 0);
    std::vector<Rect> children;
    for (HWND w = GetWindow(frame_.Handle(), GW_CHILD); w != nullptr;
         w = GetWindow(w, GW_HWNDNEXT)) {
        if (w != frame_.Band().Handle()) {
            children.push_back(WindowRect(w, frame_.Handle()));
            if (children.back() == ChildClient(cells[0])) {
                SendMessageW(w, WM_LBUTTONDOWN, 0, 0);
            }
        }
    }
    EXPECT_THAT(children,
                ::testing::UnorderedElementsAre(ChildClient(cells[0]), ChildClient(cells[1])));
    SendMessageW(frame_.Handle(), WM_CHAR, 0xD842, 0); // U+20BB7 as its two UTF-16 halves
    SendMessageW(frame_.Handle(), WM_CHAR, 0xDFB7, 0);
    EXPECT_EQ(keys_, (std::vector<std::pair<int, char32_t>>{{0, U'A'}, {2, U'\U00020BB7'}}));
}

TEST_F(ViewTest, ImageShowsItsPictureAndLabelItsCaptionInItsColours) {
    ControlState heading;
    heading.caption = "お待ち番号";
    heading.back = kOrange;
    heading.fore = kWhite;
    ControlState digit;
    digit.picture.resource = "ImgR_8";
    Publish(1, {{0, heading}, {1, digit}});
    Show({1});
    const Capture shown(frame_);
    const Rect label = Where(0, 0);
    EXPECT_GT(shown.Count(label, kOrange), label.width * label.height / 2);
    EXPECT_GT(shown.Count(label, kWhite), 20); // the caption's ink
    const Rect image = Where(0, 1);
    EXPECT_GT(shown.Count(image, kPink), 100);
    EXPECT_GT(shown.Count(image, kWindowBackground), 100);

    heading.caption.clear();
    digit.picture = {};
    Publish(1, {{0, heading}, {1, digit}});
    const Capture cleared(frame_);
    EXPECT_EQ(cleared.Count(label, kWhite), 0);
    EXPECT_EQ(cleared.Count(image, kWindowBackground), image.width * image.height);

    // A picture file of the program folder, stretched over the whole control.
    digit.picture.fileBytes = std::make_shared<const std::string>(kOrangeBitmap);
    Publish(1, {{0, heading}, {1, digit}});
    EXPECT_EQ(Capture(frame_).Count(image, kOrange), image.width * image.height);
}

// Each frame moves the text by the same whole number of pixels: the band's picture at one frame
// is the one before it, moved left by exactly that many pixels.
TEST_F(ViewTest, BandMovesAWholeNumberOfPixelsPerFrame) {
    Show({});
    FrameSnapshot f = frame_.Frame();
    f.tickerCaption = "ただいま 09時05分 です。";
    f.tickerPass = 1;
    frame_.ApplyFrame(f);
    TickerBand& band = frame_.Band();
    const int step = band.Step();
    EXPECT_EQ(step, BandStepPixels(BandHeight(kMonitor.height), 60));
    const int height = BandHeight(kMonitor.height);
    const auto at = [this, &band](int frame) {
        ticks_.now = std::int64_t{frame} * 1'000'000 / 60 + 1;
        band.OnFrame();
    };
    std::unique_ptr<Capture> before;
    for (int frame = 1; frame <= 4; ++frame) {
        at(frame);
        ASSERT_EQ(band.Travelled(), std::int64_t{frame} * step);
        auto now = std::make_unique<Capture>(frame_);
        for (int y = 0; before != nullptr && y < height; y += 2) {
            for (int x = kMonitor.width / 2; x + step < kMonitor.width; x += 3) {
                ASSERT_EQ(now->At(x, y), before->At(x + step, y)) << x << "," << y;
            }
        }
        before = std::move(now);
    }
    EXPECT_GT(before->Count({kMonitor.width - 4 * step, 0, 4 * step, height}, {0xFF, 0x00, 0x90}),
              0);
    at(300); // a late frame: the text is where the time says, not one step on
    EXPECT_EQ(band.Travelled(), 300 * step);
    EXPECT_TRUE(notes_.empty());
    at(100'000);
    EXPECT_FALSE(band.Running());
    EXPECT_EQ(notes_, std::vector<TickerNotification>{TickerNotification::PassEnded});
    SendMessageW(band.Handle(), WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_EQ(notes_.back(), TickerNotification::DoubleClicked);
}

} // namespace
} // namespace zarava
