#include "../core/roomdisplay/RoomTestSupport.h"

#include "infoband/Dummy_Form.h"
#include "platform/qt/Fonts.h"
#include "platform/qt/WindowView.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace zarava {
namespace {

using room_test::Display;

constexpr QRgb kWhite = qRgb(0xFF, 0xFF, 0xFF);
constexpr QRgb kSolid = qRgb(0x12, 0xC4, 0x56); // a colour no design uses
const QSize kDesignSize(792, 581);
const QSize kDouble(1584, 1162);

QImage Grab(const WindowSnapshot& snapshot, QSize size) {
    WindowView view;
    view.resize(size);
    view.setSnapshot(snapshot);
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Keeps a picture for a person to look at when ZARAVA_GRAB_DIR names a folder.
void SaveForLooking(const QImage& image, const QString& name) {
    if (const char* dir = std::getenv("ZARAVA_GRAB_DIR")) {
        image.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
}

// The smallest rectangle holding every pixel of the colour inside `area`; empty if none.
QRect Extent(const QImage& image, QRgb colour, QRect area = {}, int tolerance = 0) {
    area = area.isNull() ? image.rect() : area.intersected(image.rect());
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(colour)) <= tolerance &&
                std::abs(qGreen(p) - qGreen(colour)) <= tolerance &&
                std::abs(qBlue(p) - qBlue(colour)) <= tolerance) {
                found |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

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
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::make_shared<const std::string>(bytes.toStdString());
}

std::string Settings(const std::string& display, const std::string& more = "") {
    return "[USER INFOMATION]\r\nFORM=3\r\n[DISPLAY INFOMATION]\r\n" + display + "\r\n" + more;
}

class RoomViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallDesignFontSubstitutions(); }
};

TEST_F(RoomViewTest, TitleBandTakesTheSwatchOfTheRoomOrOfTheShop) {
    const QRgb roomTwo = qRgb(0x63, 0x65, 0xFF);
    const std::pair<const char*, QRgb> cases[] = {{"", roomTwo},    {"0", roomTwo},
                                                  {"-1", roomTwo},  {"7", roomTwo},
                                                  {"6.5", roomTwo}, {"3", qRgb(0x63, 0x9A, 0xCE)}};
    for (const auto& [shopColour, band] : cases) {
        Display d(Settings("", std::string("[ZARAVA1 INFOMATION]\r\nSHOP COLOR=") + shopColour));
        auto room = d.Room(2);
        const QImage image = Grab(d.Published(*room), kDesignSize);
        ExpectSameRect(Extent(image, band, {0, 0, 792, 120}),
                       Expected(0, 0, 11880, 975, kDesignSize), shopColour);
    }
}

TEST_F(RoomViewTest, TitleIsDrawnCentredAndScalesWithTheWindow) {
    Display d(Settings("", "[DAZUZE INFOMATION]\r\nDAZUZE1=\x91\xe6\x88\xea\x90\x66\x8e\x40"));
    auto room = d.Room(1);
    std::vector<QRect> ink;
    std::vector<int> inkPixels;
    for (QSize size : {kDesignSize, kDouble}) {
        const QRect band = Expected(0, 0, 11880, 975, size);
        const QImage image = Grab(d.Published(*room), size);
        const QRect text = Extent(image, kWhite, band);
        inkPixels.push_back(0);
        for (int y = band.top(); y <= band.bottom(); ++y) {
            for (int x = band.left(); x <= band.right(); ++x) {
                inkPixels.back() += qGray(image.pixel(x, y)) > 200;
            }
        }
        ASSERT_FALSE(text.isEmpty()) << size.width();
        EXPECT_LE(std::abs(text.center().x() - band.center().x()), band.width() / 50);
        EXPECT_LE(std::abs(text.center().y() - band.center().y()), band.height() / 8);
        EXPECT_GT(text.height(), band.height() / 2) << "the title fills its band";
        ink.push_back(text);
    }
    EXPECT_NEAR(double(ink[1].height()) / ink[0].height(), 2.0, 0.2);
    EXPECT_NEAR(double(ink[1].width()) / ink[0].width(), 2.0, 0.2);
    // Twice the size is four times the ink: the strokes stay bold when the glyphs grow large.
    EXPECT_NEAR(double(inkPixels[1]) / inkPixels[0], 4.0, 0.5);

    Display untitled(Settings(""));
    auto empty = untitled.Room(1);
    EXPECT_TRUE(Extent(Grab(untitled.Published(*empty), kDesignSize), kWhite,
                       Expected(0, 0, 11880, 975, kDesignSize))
                    .isEmpty());
}

TEST_F(RoomViewTest, HeadingsSitAtTheirScaledPlacesAtAnySize) {
    Display d(Settings("MESSAGE INFO=1"));
    auto room = d.Room(1);
    for (QSize size : {kDesignSize, kDouble, QSize(1920, 1080), QSize(683, 300)}) {
        const QImage image = Grab(d.Published(*room), size);
        const std::string at = std::to_string(size.width()) + "x" + std::to_string(size.height());
        // Searched only around the heading bands: the pink glyph lower down shares a colour.
        const QRect near = Expected(0, 990, 11880, 500, size);
        const QRect waiting = Expected(480, 1020, 4455, 435, size);
        ExpectSameRect(Extent(image, qRgb(0xFF, 0x80, 0x00), near), waiting, "waiting " + at);
        ExpectSameRect(Extent(image, qRgb(0xFF, 0x3F, 0x9F), near),
                       Expected(6840, 1020, 4455, 435, size), "call " + at);
        EXPECT_GT(Extent(image, kWhite, waiting).height(), waiting.height() / 2) << at;
    }
}

TEST_F(RoomViewTest, HeadingTextShrinksToFitANarrowTallCell) {
    // Two rooms side by side on a square screen: the cells are much taller than wide, and
    // text scaled by the height alone would run past both ends of its band.
    Display d(Settings("MESSAGE INFO=31"));
    auto room = d.Room(1);
    const QSize narrow(400, 755);
    const QImage image = Grab(d.Published(*room), narrow);
    const QRect waiting = Expected(480, 1020, 4455, 435, narrow);
    const QRect text = Extent(image, kWhite, waiting);
    ASSERT_FALSE(text.isNull());
    EXPECT_GT(text.left(), waiting.left() + 1);
    EXPECT_LT(text.right(), waiting.right() - 1);
    EXPECT_GT(text.height(), waiting.height() / 3);
}

TEST_F(RoomViewTest, MessageInfoShowsOrHidesTheWaitingTimeAndCountLines) {
    const QRgb green = qRgb(0x00, 0x96, 0x00);
    const QRgb blue = qRgb(0x00, 0x80, 0xFF);
    const QRect timeHeading = Expected(480, 6960, 4455, 435, kDouble);
    const QRect countHeading = Expected(6960, 6960, 4455, 435, kDouble);
    struct Case {
        const char* setting;
        bool time;
        bool count;
    };
    for (const Case& c :
         {Case{"", true, true}, Case{"MESSAGE INFO=1", false, false},
          Case{"MESSAGE INFO=2", true, false}, Case{"MESSAGE INFO=4", false, true}}) {
        Display d(Settings(c.setting));
        auto room = d.Room(1);
        const QImage image = Grab(d.Published(*room), kDouble);
        if (c.time) {
            ExpectSameRect(Extent(image, green, timeHeading.adjusted(-4, -4, 4, 4)), timeHeading,
                           c.setting);
            // The dashes and the glyphs below it.
            EXPECT_FALSE(Extent(image, green, Expected(600, 7440, 4320, 975, kDouble), 8).isEmpty())
                << c.setting;
        } else {
            EXPECT_TRUE(Extent(image, green, {}, 8).isEmpty()) << c.setting;
        }
        if (c.count) {
            ExpectSameRect(Extent(image, blue, countHeading.adjusted(-4, -4, 4, 4)), countHeading,
                           c.setting);
            // Only the units digit and the glyph show before the first refresh.
            const QRect line = Extent(image, blue, Expected(7560, 7440, 3840, 975, kDouble), 8);
            EXPECT_GE(line.left(), Expected(9720, 0, 0, 0, kDouble).x()) << c.setting;
        } else {
            EXPECT_TRUE(Extent(image, blue, {}, 8).isEmpty()) << c.setting;
        }
    }
}

TEST_F(RoomViewTest, WaitingBoardIsSpreadDownWhenTheWaitingTimeLineIsOff) {
    const int spreadTops[12] = {1560, 1850, 2600, 3040, 3840, 4280,
                                5080, 5520, 6320, 6760, 7560, 8000};
    const int designTops[12] = {1560, 1800, 2400, 2640, 3240, 3480,
                                4080, 4320, 4920, 5160, 5760, 6000};
    for (bool spread : {true, false}) {
        Display d(Settings(spread ? "MESSAGE INFO=4" : "MESSAGE INFO=2"));
        auto room = d.Room(1);
        const auto solid = SolidPictureBytes(); // a stand-in for digits, filling each position
        d.Run([&] {
            for (int i = 0; i < 36; ++i) {
                room->Control("ImgW", i).picture = {{}, solid};
            }
        });
        const QImage image = Grab(d.Published(*room), kDouble);
        for (int column = 0; column < 2; ++column) {
            // Runs of the colour down the middle of the column's tens digits.
            const int x = Expected(column == 0 ? 1200 : 3480, 0, 615, 0, kDouble).center().x();
            std::vector<std::pair<int, int>> runs, expected;
            for (int y = 0; y < image.height(); ++y) {
                if (image.pixel(x, y) != kSolid) {
                    continue;
                }
                if (!runs.empty() && runs.back().second == y - 1) {
                    runs.back().second = y;
                } else {
                    runs.emplace_back(y, y);
                }
            }
            for (int slot = column; slot < 12; slot += 2) {
                const QRect r =
                    Expected(0, (spread ? spreadTops : designTops)[slot], 0, 675, kDouble);
                expected.emplace_back(r.top(), r.bottom());
            }
            EXPECT_EQ(runs, expected) << (spread ? "spread" : "design") << " column " << column;
        }
    }
}

TEST_F(RoomViewTest, MessagePanelCoversTheWholeCallArea) {
    Display d(Settings("", "[ZARAVA1 INFOMATION]\r\nSHOP COLOR=4"));
    auto room = d.Room(1);
    const auto solid = SolidPictureBytes();
    d.Run([&] {
        for (int i : {0, 1, 2, 3, 4, 5, 9}) {
            room->Control("ImgCall", i).picture = {{}, solid};
            room->Control("ImgCall", i).visible = true;
        }
        room->Control("TlxCall").visible = true;
    });
    ExpectSameRect(Extent(Grab(d.Published(*room), kDouble), kSolid),
                   Expected(5880, 1680, 5880, 4920, kDouble), "call area");

    d.Run([&] { room->Control("MsgFrame").visible = true; });
    const QImage covered = Grab(d.Published(*room), kDouble);
    SaveForLooking(covered, QStringLiteral("room-notice"));
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

TEST_F(RoomViewTest, UnloadablePicturesShowNothing) {
    Display d(Settings(""));
    auto room = d.Room(1);
    const QImage before = Grab(d.Published(*room), kDesignSize);
    d.Run([&] {
        room->Control("ImgW", 0).picture = {"NoSuchPicture", nullptr};
        room->Control("ImgW", 1).picture = {{}, std::make_shared<const std::string>("GIF89a\x01")};
        room->Control("ImgW", 2).picture = {{}, std::make_shared<const std::string>()};
    });
    EXPECT_EQ(Grab(d.Published(*room), kDesignSize), before);
}

TEST_F(RoomViewTest, FillerStretchesTopJpgOverTheWholeWindow) {
    Display d("");
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(0xC0, 0x20, 0x30));
    ASSERT_TRUE(picture.save(QString::fromStdString(d.folder.Path() + "/top.jpg"), "JPG"));
    picture.fill(qRgb(0x20, 0x30, 0xC0));
    ASSERT_TRUE(picture.save(QString::fromStdString(d.folder.Path() + "/top.gif"), "PNG"));
    auto filler = d.Show<Dummy_Form>();
    for (QSize size : {QSize(416, 284), QSize(960, 540), QSize(300, 700)}) {
        const QImage image = Grab(d.Published(*filler), size);
        EXPECT_EQ(Extent(image, qRgb(0xC0, 0x20, 0x30), {}, 12), image.rect()) << size.width();
    }

    Display none("");
    none.folder.Write("top.jpg", "not a picture");
    auto blank = none.Show<Dummy_Form>();
    const QImage image = Grab(none.Published(*blank), {320, 200});
    EXPECT_EQ(Extent(image, qRgb(0xF0, 0xF0, 0xF0)), image.rect());
}

// A room as the waiting room sees it, with the program's digit pictures on every board.
TEST_F(RoomViewTest, BusyRoomDrawsTheDigitPicturesItCarries) {
    Display d(Settings("", "[DAZUZE INFOMATION]\r\nDAZUZE2=\x93\xe0\x89\xc8 \x91\xe6\x82\x51"
                           "\x90\x66\x8e\x40\x8e\xba"));
    auto room = d.Room(2);
    d.Run([&] {
        for (int i = 0; i < 36; ++i) {
            const std::string palette = i / 3 == 4 ? "ImgOr_" : "ImgO_";
            room->Control("ImgW", i).picture.resource =
                palette + std::to_string(i % 3 == 0 ? 0 : (i * 7 + i / 3) % 10);
        }
        const std::pair<const char*, int> drawn[] = {
            {"ImgMachi", 0}, {"ImgMachi", 1}, {"ImgTime", 2}, {"ImgCall", 0},
            {"ImgCall", 1},  {"ImgCall", 2},  {"ImgCall", 4}, {"ImgCall", 5}};
        const char* pictures[] = {"ImgB_1", "ImgB_2", "ImgG_5",  "ImgR_1",
                                  "ImgR_2", "ImgR_3", "ImgBr_0", "ImgBr_3"};
        for (std::size_t i = 0; i < std::size(drawn); ++i) {
            room->Control(drawn[i].first, drawn[i].second).picture.resource = pictures[i];
        }
        room->Control("ImgCall", 3).visible = true;
        room->Control("TlxCall").visible = true;
    });
    for (QSize size : {QSize(1920, 1080), QSize(640, 505)}) {
        const QImage image = Grab(d.Published(*room), size);
        EXPECT_FALSE(Extent(image, qRgb(0xFF, 0x80, 0x00), Expected(600, 1560, 4095, 5115, size), 8)
                         .isEmpty())
            << "orange digits on the waiting board";
        EXPECT_FALSE(
            Extent(image, qRgb(0xFF, 0x3F, 0x9F), Expected(5880, 4200, 5055, 2295, size), 8)
                .isEmpty())
            << "pink digits in the call area";
        SaveForLooking(image, QStringLiteral("room-%1x%2").arg(size.width()).arg(size.height()));
    }
}

} // namespace
} // namespace zarava
