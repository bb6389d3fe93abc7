#include "Pictures.h"
#include "TestDisplay.h"

#include "infoband/FillerWindow.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zarava {
namespace {

using test::Extent;
using test::Grab;
using test::TestDisplay;

constexpr QRgb kWhite = qRgb(0xFF, 0xFF, 0xFF);
constexpr QRgb kSolid = qRgb(0x12, 0xC4, 0x56); // a colour no design uses
const QSize kDesignSize(792, 581);
const QSize kDouble(1584, 1162);

// Where a design rectangle (twips of the room window) lands in a window of the given size.
QRect Expected(int left, int top, int width, int height, QSize size) {
    const auto x = [&](int t) { return int(std::lround(t * size.width() / 792.0 / 15)); };
    const auto y = [&](int t) { return int(std::lround(t * size.height() / 581.0 / 15)); };
    return QRect(QPoint(x(left), y(top)), QPoint(x(left + width) - 1, y(top + height) - 1));
}

void ExpectSameRect(const QRect& actual, const QRect& expected, const std::string& what) {
    EXPECT_LE((actual.topLeft() - expected.topLeft()).manhattanLength(), 2) << what;
    EXPECT_LE((actual.bottomRight() - expected.bottomRight()).manhattanLength(), 2) << what;
}

std::shared_ptr<const std::string> SolidPictureBytes() {
    QImage image(16, 12, QImage::Format_RGB32);
    image.fill(kSolid);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "PNG");
    return std::make_shared<const std::string>(bytes.toStdString());
}

std::string Settings(const std::string& display, const std::string& more = "") {
    return "[USER INFOMATION]\r\nFORM=3\r\n[DISPLAY INFOMATION]\r\n" + display + "\r\n" + more;
}

TEST(RoomViewTest, TitleHeadingsAndCounterSitAtTheirScaledPlacesWithTheTextInFull) {
    TestDisplay d(Settings("", "[DAZUZE INFOMATION]\r\nDAZUZE1=\x91\xe6\x88\xea\x90\x66\x8e\x40"));
    auto room = d.Room(1);
    d.Run([&] {
        room->SetVisible(room->Find("TlxCall"), true);
        room->SetCaption(room->Find("TlxCall"), "番窓口\r\n　へおこし下さい。");
    });
    std::vector<QRect> titles;
    std::vector<int> titleInk;
    // Then two rooms side by side on a square screen: cells much taller than wide, where text
    // scaled by the height alone would run past both ends of its band; four and six rooms on a
    // 1920 x 1080 screen, four on an 800 x 800 one.
    for (QSize size : {kDesignSize, kDouble, QSize(400, 755), QSize(956, 514), QSize(636, 514),
                       QSize(396, 373)}) {
        const QImage image = Grab(d.Published(*room), size);
        const std::string at = std::to_string(size.width()) + "x" + std::to_string(size.height());
        const bool narrow = size.width() < size.height();
        const QRect band = Expected(0, 0, 11880, 975, size);
        ExpectSameRect(Extent(image, qRgb(0xFF, 0x9A, 0xCE), band.adjusted(0, 0, 0, 4)), band,
                       "band " + at);
        const QRect title = Extent(image, kWhite, band);
        EXPECT_LE(std::abs(title.center().x() - band.center().x()), band.width() / 50) << at;
        EXPECT_LE(std::abs(title.center().y() - band.center().y()), band.height() / 8) << at;
        EXPECT_GT(title.height(), band.height() / (narrow ? 4 : 2)) << "title fills band " << at;
        titles.push_back(title);
        titleInk.push_back(0);
        for (int y = band.top(); y <= band.bottom(); ++y) {
            for (int x = band.left(); x <= band.right(); ++x) {
                titleInk.back() += qGray(image.pixel(x, y)) > 200;
            }
        }
        // Searched only around the heading bands: the pink glyph lower down shares a colour.
        const QRect near = Expected(0, 990, 11880, 500, size);
        const QRect waiting = Expected(480, 1020, 4455, 435, size);
        ExpectSameRect(Extent(image, qRgb(0xFF, 0x80, 0x00), near), waiting, "waiting " + at);
        ExpectSameRect(Extent(image, qRgb(0xFF, 0x3F, 0x9F), near),
                       Expected(6840, 1020, 4455, 435, size), "call " + at);
        const QRect text = Extent(image, kWhite, waiting);
        EXPECT_GT(text.left(), waiting.left() + 1) << at;
        EXPECT_LT(text.right(), waiting.right() - 1) << at;
        EXPECT_GT(text.height(), waiting.height() / (narrow ? 3 : 2)) << at;
        // The counter caption: its three characters in full, and unshrunk where there is room.
        const QRect label = Expected(8040, 3240, 1260, 405, size);
        const QRect ink =
            Extent(image, qRgb(0x40, 0x40, 0x40), label.adjusted(-30, -30, 30, 30), 60);
        EXPECT_TRUE(label.contains(ink) && !ink.isEmpty()) << at;
        EXPECT_LT(ink.right(), label.right()) << "the third character is not cut: " << at;
        if (!narrow) {
            EXPECT_GT(ink.width(), ink.height() * 2) << "three characters: " << at;
            EXPECT_GT(ink.height(), label.height() / 2) << "not shrunk: " << at;
        }
    }
    EXPECT_NEAR(double(titles[1].height()) / titles[0].height(), 2.0, 0.2);
    // Twice the size is four times the ink: the strokes stay bold when the glyphs grow large.
    EXPECT_NEAR(double(titleInk[1]) / titleInk[0], 4.0, 0.5);
}

// Which lines show for which value is pinned in the core; here that the view draws the board
// where the load moved it, not at its design places.
TEST(RoomViewTest, WithoutTheWaitingTimeLineTheBoardIsSpreadDown) {
    const int spreadTops[12] = {1560, 1850, 2600, 3040, 3840, 4280,
                                5080, 5520, 6320, 6760, 7560, 8000};
    const auto solid = SolidPictureBytes(); // a stand-in for digits, filling each position
    TestDisplay d(Settings("MESSAGE INFO=1"));
    auto room = d.Room(1);
    d.Run([&] {
        for (int i = 0; i < 36; ++i) {
            room->SetPicture(room->Find("ImgW", i), Picture{{}, solid});
        }
    });
    const QImage image = Grab(d.Published(*room), kDouble);
    // Runs of the stand-in colour down the middle of each digit position of the board.
    for (int left : {600, 1200, 1800, 2880, 3480, 4080}) {
        const int x = Expected(left, 0, 615, 0, kDouble).center().x();
        std::vector<std::pair<int, int>> runs, expected;
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixel(x, y) == kSolid && !runs.empty() && runs.back().second == y - 1) {
                runs.back().second = y;
            } else if (image.pixel(x, y) == kSolid) {
                runs.emplace_back(y, y);
            }
        }
        for (int slot = left < 2880 ? 0 : 1; slot < 12; slot += 2) {
            const QRect r = Expected(0, spreadTops[slot], 0, 675, kDouble);
            expected.emplace_back(r.top(), r.bottom());
        }
        EXPECT_EQ(runs, expected) << "digit at " << left;
    }
}

TEST(RoomViewTest, MessagePanelCoversTheWholeCallArea) {
    TestDisplay d(Settings("", "[ZARAVA1 INFOMATION]\r\nSHOP COLOR=4"));
    auto room = d.Room(1);
    const auto solid = SolidPictureBytes();
    d.Run([&] {
        for (int i : {0, 1, 2, 3, 4, 5, 9}) {
            room->SetPicture(room->Find("ImgCall", i), Picture{{}, solid});
            room->SetVisible(room->Find("ImgCall", i), true);
        }
        room->SetVisible(room->Find("TlxCall"), true);
    });
    ExpectSameRect(Extent(Grab(d.Published(*room), kDouble), kSolid),
                   Expected(5880, 1680, 5880, 4920, kDouble), "call area");

    d.Run([&] { room->SetVisible(room->Find("MsgFrame"), true); });
    const QImage covered = Grab(d.Published(*room), kDouble);
    EXPECT_TRUE(Extent(covered, kSolid).isEmpty());
    EXPECT_TRUE(Extent(covered, qRgb(0x40, 0x40, 0x40)).isEmpty()) << "counter caption";
    // The label sits inside the frame at its own offset, in the room colour, and the notice
    // wraps over several lines rather than running out of the panel.
    const QRect label = Expected(5880 + 360, 1560 + 120, 5535, 4845, kDouble);
    ExpectSameRect(Extent(covered, qRgb(0x63, 0x9A, 0x31), Expected(0, 1020, 11880, 7695, kDouble)),
                   label, "message label");
    EXPECT_GT(Extent(covered, qRgb(0, 0, 0), label).height(),
              2 * Expected(0, 0, 0, 48 * 20, kDouble).height());
}

TEST(RoomViewTest, FillerStretchesTopJpgOverTheWholeWindowOrShowsNothing) {
    const QRgb red = qRgb(0xC0, 0x20, 0x30);
    TestDisplay d(""), unreadable("");
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(red);
    ASSERT_TRUE(picture.save(QString::fromStdString(d.folder / "top.jpg"), "JPG"));
    unreadable.folder.Write("top.jpg", "not a picture");
    auto filler = d.Show<FillerWindow>();
    auto blank = unreadable.Show<FillerWindow>();
    for (QSize size : {QSize(960, 540), QSize(300, 700)}) { // wider and taller than the picture
        QImage image = Grab(d.Published(*filler), size);
        EXPECT_EQ(Extent(image, red, {}, 12), image.rect()) << size.width();
        image = Grab(unreadable.Published(*blank), size);
        EXPECT_EQ(Extent(image, qRgb(0xF0, 0xF0, 0xF0)), image.rect()) << size.width();
    }
}

} // namespace
} // namespace zarava
